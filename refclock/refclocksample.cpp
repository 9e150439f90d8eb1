#include "refclocksample.h"

#include "correction/correctioncycle.h"
#include "correction/correctionrules.h"
#include "frames/receivedtimestate.h"

#include <QDateTime>
#include <algorithm>

namespace {

constexpr qint64 kSecondNs = 1'000'000'000;
constexpr qint64 kMillisecondNs = 1'000'000;

qint64 floorDivide(qint64 value, qint64 divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

} // namespace

std::optional<RefclockSocket::Sample> RefclockSample::of(const ReceivedTimeState &received,
                                                         qint64 monotonicNowNs, qint64 systemNowNs,
                                                         qint64 transmissionNs, int latencyMs)
{
    if (!CorrectionRules::consecutiveSeconds(received).value_or(false)
        || received.frameEndNs == 0) {
        return std::nullopt;
    }
    const qint64 waitedNs = std::max<qint64>(monotonicNowNs - received.frameEndNs, 0);
    const auto second = CorrectionRules::timeOfDay(received.recvTime);
    if (waitedNs > CorrectionCycle::kLargestFrameAgeNs || !second) {
        return std::nullopt;
    }
    const qint64 sinceSecondBeganNs = CorrectionRules::boundedSinceNs(waitedNs + transmissionNs)
        + qint64(latencyMs) * kMillisecondNs;
    const qint64 beganNs = systemNowNs - sinceSecondBeganNs;
    const QDateTime began = QDateTime::fromMSecsSinceEpoch(floorDivide(beganNs, kMillisecondNs));
    const auto secondStart = CorrectionRules::timeOfDayTarget(began, *second);
    if (!secondStart) {
        return std::nullopt;
    }
    RefclockSocket::Sample sample;
    sample.seconds = floorDivide(beganNs, kSecondNs);
    sample.microseconds = (beganNs - sample.seconds * kSecondNs) / 1000;
    sample.offsetSeconds
        = double(secondStart->toMSecsSinceEpoch() * kMillisecondNs - beganNs) / double(kSecondNs);
    return sample;
}
