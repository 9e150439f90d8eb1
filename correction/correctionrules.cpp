#include "correctionrules.h"

#include "common/hostclock.h"
#include "frames/receivedtimestate.h"

#include <QStringList>
#include <algorithm>
#include <limits>

namespace {

constexpr int kFrameBytes = 12;
constexpr int kMinutesPerDay = 1440;
constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;
// No serial line is anywhere near this fast; a larger stored speed is not a speed at all.
constexpr qint64 kFastestLine = 100'000'000;

std::optional<qint16> asInt16(qint64 value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(value);
}

// One or two ASCII digits, nothing else.
std::optional<int> smallField(const QString &text)
{
    if (text.isEmpty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (const QChar character : text) {
        if (character < QLatin1Char('0') || character > QLatin1Char('9')) {
            return std::nullopt;
        }
        value = value * 10 + (character.unicode() - '0');
    }
    return value;
}

} // namespace

std::optional<bool> CorrectionRules::consecutiveSeconds(const ReceivedTimeState &received)
{
    const auto newest = asInt16(qint64(received.recvStamp1) - received.recvStamp2);
    const auto middle = asInt16(qint64(received.recvStamp2) - received.recvStamp3);
    if (!newest || !middle) {
        return std::nullopt;
    }
    return *newest == 1 && *middle == 1;
}

std::optional<bool> CorrectionRules::outsideMidnightWindow(const QString &receivedTime,
                                                           const QTime &computerTime,
                                                           qint16 minutes)
{
    const auto received = timeOfDay(receivedTime);
    const auto upperLimit = asInt16(qint64(kMinutesPerDay) - minutes);
    if (!received || !upperLimit || !computerTime.isValid()) {
        return std::nullopt;
    }
    const int receivedMinute = received->hour() * 60 + received->minute();
    const int computerMinute = computerTime.hour() * 60 + computerTime.minute();
    return receivedMinute > minutes && receivedMinute < *upperLimit && computerMinute > minutes
        && computerMinute < *upperLimit;
}

std::optional<QTime> CorrectionRules::timeOfDay(const QString &text)
{
    const QStringList fields = text.trimmed().split(QLatin1Char(':'));
    if (fields.size() != 3) {
        return std::nullopt;
    }
    const auto hours = smallField(fields.at(0));
    const auto minutes = smallField(fields.at(1));
    const auto seconds = smallField(fields.at(2));
    if (!hours || !minutes || !seconds || *hours > 23 || *minutes > 59 || *seconds > 59) {
        return std::nullopt;
    }
    return QTime(*hours, *minutes, *seconds);
}

std::optional<QDate> CorrectionRules::date(const QString &text)
{
    const QStringList fields = text.trimmed().split(QLatin1Char('-'));
    if (fields.size() != 3 || fields.at(0).size() != 4) {
        return std::nullopt;
    }
    bool yearOk = false;
    const int year = fields.at(0).toInt(&yearOk);
    const auto month = smallField(fields.at(1));
    const auto day = smallField(fields.at(2));
    if (!yearOk || year < 1 || !month || !day) {
        return std::nullopt;
    }
    const QDate result(year, *month, *day);
    if (!result.isValid()) {
        return std::nullopt;
    }
    return result;
}

std::optional<QDateTime> CorrectionRules::latchedPlusOneSecond(const QString &date,
                                                               const QString &time,
                                                               const QDateTime &clockNow)
{
    const auto latchedDate = CorrectionRules::date(date);
    const auto latchedTime = timeOfDay(time);
    if (!latchedDate || !latchedTime || !clockNow.isValid()) {
        return std::nullopt;
    }
    const auto latched
        = HostClock::instantOf(*latchedDate, *latchedTime, clockNow.toMSecsSinceEpoch());
    if (!latched) {
        return std::nullopt;
    }
    return QDateTime::fromMSecsSinceEpoch(*latched + 1000);
}

std::optional<QDateTime> CorrectionRules::timeOfDayTarget(const QDateTime &clockNow,
                                                          const QTime &time)
{
    if (!clockNow.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    const qint64 clockMs = clockNow.time().msecsSinceStartOfDay();
    const qint64 timeMs = time.msecsSinceStartOfDay();
    int days = 0;
    if (kDayMs - clockMs + timeMs <= kMidnightCrossingMs) {
        days = 1; // the clock is still before midnight, the time already after it
    } else if (clockMs + kDayMs - timeMs <= kMidnightCrossingMs) {
        days = -1; // the clock is already past midnight, the time still before it
    }
    const QDate date = clockNow.date().addDays(days);
    const auto instant = HostClock::instantOf(date, time, clockNow.toMSecsSinceEpoch());
    if (!instant) {
        return std::nullopt;
    }
    const QDateTime target = QDateTime::fromMSecsSinceEpoch(*instant);
    // A time skipped by a spring change reads as another time of day; on the clock's own date
    // the host clock's reading of it stands, as for any time of day set.
    if (days != 0 && (target.date() != date || target.time() != time)) {
        return std::nullopt;
    }
    return target;
}

std::optional<QDateTime> CorrectionRules::receivedMoment(const QString &date, const QTime &second,
                                                         const QDateTime &reference)
{
    const auto receivedDate = CorrectionRules::date(date);
    if (!receivedDate || !second.isValid() || !reference.isValid()) {
        return std::nullopt;
    }
    const auto instant = HostClock::instantOf(*receivedDate, second, reference.toMSecsSinceEpoch());
    if (!instant) {
        return std::nullopt;
    }
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(*instant);
    // A skipped time reads back as another one: it was never a moment of this zone.
    if (moment.date() != *receivedDate || moment.time() != second) {
        return std::nullopt;
    }
    return moment;
}

qint64 CorrectionRules::frameTransmissionNs(const QString &lineSettings)
{
    const QStringList fields = lineSettings.split(QLatin1Char(','));
    if (fields.size() != 4) {
        return 0;
    }
    bool speedOk = false;
    bool dataOk = false;
    bool stopOk = false;
    const qint64 speed = fields.at(0).trimmed().toLongLong(&speedOk);
    const int dataBits = fields.at(2).trimmed().toInt(&dataOk);
    const double stopBits = fields.at(3).trimmed().toDouble(&stopOk);
    const QString parity = fields.at(1).trimmed().toLower();
    if (!speedOk || speed <= 0 || speed > kFastestLine || !dataOk || dataBits < 4 || dataBits > 8
        || !stopOk || (stopBits != 1.0 && stopBits != 1.5 && stopBits != 2.0) || parity.size() != 1
        || !QStringLiteral("neoms").contains(parity)) {
        return 0;
    }
    const int parityBits = parity == QLatin1String("n") ? 0 : 1;
    // In half bits, so that 1.5 stop bits stay exact.
    const qint64 halfBitsPerByte = 2 * (1 + dataBits + parityBits) + qint64(stopBits * 2);
    return kFrameBytes * halfBitsPerByte * 1'000'000'000 / (2 * speed);
}

qint64 CorrectionRules::boundedSinceNs(qint64 sinceFrameBeganNs)
{
    return std::clamp<qint64>(sinceFrameBeganNs, 0, kLargestAdvanceMs * 1'000'000);
}

QTime CorrectionRules::advancedTime(const QTime &receivedSecond, qint64 sinceFrameBeganNs,
                                    int latencyMs)
{
    return receivedSecond.addMSecs(int(advanceMs(sinceFrameBeganNs, latencyMs)));
}

qint64 CorrectionRules::advanceMs(qint64 sinceFrameBeganNs, int latencyMs)
{
    // Bounded before rounding, so that no count, however large, can overflow.
    const qint64 boundedNs = boundedSinceNs(sinceFrameBeganNs);
    return std::min((boundedNs + 500'000) / 1'000'000, kLargestAdvanceMs) + latencyMs;
}
