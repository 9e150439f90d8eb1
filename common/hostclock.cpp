#include "hostclock.h"

#include <QCoreApplication>

namespace {

// The failure number for a date or time that cannot be set at all.
constexpr int kInvalidValue = 5;
const QString kLacksRight = QStringLiteral("VALTORA lacks the right to set the system clock");

HostClockNative::WallTime wallTimeOf(const QDate &date, const QTime &time)
{
    HostClockNative::WallTime wall;
    wall.year = date.year();
    wall.month = date.month();
    wall.day = date.day();
    wall.hour = time.hour();
    wall.minute = time.minute();
    wall.second = time.second();
    wall.millisecond = time.msec();
    return wall;
}

qint64 floorDivide(qint64 value, qint64 divisor)
{
    const qint64 quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

} // namespace

HostClock::HostClock()
    : HostClock(HostClockNative::applyRequest)
{
}

HostClock::HostClock(SetCall setCall, ReadCall readCall)
    : m_setCall(std::move(setCall))
    , m_readCall(std::move(readCall))
{
}

QDateTime HostClock::now() const
{
    return QDateTime::fromMSecsSinceEpoch(currentMs());
}

Outcome HostClock::setDate(const QDate &date)
{
    if (!date.isValid()) {
        return ErrorValue { kInvalidValue, QStringLiteral("Invalid date") };
    }
    return setLocal(date, now().time());
}

Outcome HostClock::setTime(const QTime &time)
{
    if (!time.isValid()) {
        return ErrorValue { kInvalidValue, QStringLiteral("Invalid time") };
    }
    return setLocal(now().date(), time);
}

Outcome HostClock::setDateTime(const QDateTime &moment)
{
    if (!moment.isValid()) {
        return ErrorValue { kInvalidValue, QStringLiteral("Invalid date and time") };
    }
    // The local reading of the moment itself, so a time in the hour repeated in autumn keeps
    // the occurrence it stands for.
    const qint64 instantMs = moment.toMSecsSinceEpoch();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(instantMs);
    return setInstant(instantMs, wallTimeOf(local.date(), local.time()));
}

std::optional<qint64> HostClock::instantOf(const QDate &date, const QTime &time, qint64 reference)
{
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    std::int64_t seconds = 0;
    if (!HostClockNative::toInstant(wallTimeOf(date, time), floorDivide(reference, 1000),
                                    seconds)) {
        return std::nullopt;
    }
    return qint64(seconds) * 1000 + time.msec();
}

Outcome HostClock::setLocal(const QDate &date, const QTime &time)
{
    const std::optional<qint64> instant = instantOf(date, time, currentMs());
    if (!instant) {
        return ErrorValue { kInvalidValue,
                            QStringLiteral("%1 %2 is not a local date and time")
                                .arg(date.toString(Qt::ISODate), time.toString(Qt::ISODate)) };
    }
    return setInstant(*instant, wallTimeOf(date, time));
}

Outcome HostClock::setInstant(qint64 instantMs, const HostClockNative::WallTime &local)
{
    HostClockNative::Request request;
    request.local = local;
    request.seconds = floorDivide(instantMs, 1000);
    request.nanoseconds = static_cast<std::int32_t>((instantMs - request.seconds * 1000) * 1000000);

    if (!m_setCall) {
        return ErrorValue { kInvalidValue, QStringLiteral("This clock cannot be set") };
    }
    const int error = m_setCall(request);
    if (error == 0) {
        return std::nullopt;
    }
    const QString systemText = QString::fromLocal8Bit(HostClockNative::errorText(error));
    if (HostClockNative::isPermissionError(error)) {
        const std::string advice = HostClockNative::permissionAdvice(
            QCoreApplication::applicationFilePath().toStdString());
        return ErrorValue { error,
                            QStringLiteral("%1 (%2). %3")
                                .arg(kLacksRight, systemText, QString::fromStdString(advice)) };
    }
    return ErrorValue { error, systemText };
}

bool HostClock::lacksRight(const ErrorValue &failure)
{
    // The number alone could be another failure's (Windows' "access denied" is 5, as is an
    // invalid value here); the text is this clock's own.
    return HostClockNative::isPermissionError(failure.number)
        && failure.text.startsWith(kLacksRight);
}

qint64 HostClock::currentMs() const
{
    if (m_readCall) {
        return m_readCall();
    }
    return QDateTime::currentMSecsSinceEpoch();
}
