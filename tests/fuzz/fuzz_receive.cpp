// The receive path from raw bytes on: the frame assembler, decoding into the received time,
// the freshness watchdog and the rules a correction reads from it.
// Input: one byte of options (bit 0: the computer's date is shown; the rest: bytes per read,
// 0 for all at once), one byte whose bits choose for each read whether it follows the one
// before while streaming or a second later, then the bytes as they come off the line.

#include "common/simulatedclock.h"
#include "correction/correctionrules.h"
#include "frames/receptionlogic.h"
#include "fuzzcheck.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    const bool maskOn = data[0] & 1;
    const size_t perRead = data[0] >> 1;
    const uint8_t cadence = data[1];
    data += 2;
    size -= 2;

    const QDateTime clockNow(QDate(2026, 12, 5), QTime(23, 55));
    SimulatedClock clock(clockNow, 0, [] { return qint64(1'800'000'000'000); });
    ReceptionLogic logic(clock, [maskOn] { return maskOn; });
    const ReceivedTimeState &received = logic.receivedTime();
    qint64 readAtNs = 1'000'000'000;
    for (size_t offset = 0, read = 0; offset < size; ++read) {
        const size_t length = perRead == 0 ? size : std::min(perRead, size - offset);
        readAtNs += (cadence >> (read % 8)) & 1 ? 1'000'000'000 : 1'000'000;
        logic.receiveBytes(
            QByteArray(reinterpret_cast<const char *>(data + offset), qsizetype(length)), readAtNs);
        offset += length;
        logic.Timer5_Timer();

        for (const int stamp : { received.recvStamp1, received.recvStamp2, received.recvStamp3 }) {
            FUZZ_CHECK(stamp >= 0 && stamp < 86400);
        }
        FUZZ_CHECK(received.frameEndNs == 0 || received.frameEndNs == readAtNs
                   || received.frameEndNs <= readAtNs - 1'000'000);
        FUZZ_CHECK(logic.assembler().frameIndex() >= 0);
        if (CorrectionRules::consecutiveSeconds(received).value_or(false)) {
            FUZZ_CHECK(received.recvStamp1 - received.recvStamp2 == 1
                       && received.recvStamp2 - received.recvStamp3 == 1);
        }
    }
    // The correction reads the received text with its own parser: both must agree.
    if (const std::optional<QTime> time = CorrectionRules::timeOfDay(received.recvTime)) {
        FUZZ_CHECK(time->msecsSinceStartOfDay() / 1000 == received.recvStamp1);
        const auto target = CorrectionRules::timeOfDayTarget(clockNow, *time);
        FUZZ_CHECK(!target || std::abs(target->date().daysTo(clockNow.date())) <= 1);
        FUZZ_CHECK(CorrectionRules::advancedTime(*time, readAtNs).isValid());
    }
    (void)CorrectionRules::outsideMidnightWindow(received.recvTime, clockNow.time(), 5);
    (void)CorrectionRules::date(received.recvDate);
    return 0;
}
