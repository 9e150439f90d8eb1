#include "simulatedclock.h"

#include "hostclock.h"

SimulatedClock::SimulatedClock(const QDateTime &start)
{
    // An invalid start (a time skipped by a daylight-saving change) has no moment to run
    // from; the clock then starts at the host's time rather than somewhere in 1970.
    if (start.isValid()) {
        m_offsetMs = start.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch();
    }
}

QDateTime SimulatedClock::now() const
{
    return QDateTime::fromMSecsSinceEpoch(QDateTime::currentMSecsSinceEpoch() + m_offsetMs);
}

Outcome SimulatedClock::setDate(const QDate &date)
{
    if (!date.isValid()) {
        return ErrorValue { 5, QStringLiteral("Invalid date") };
    }
    return moveTo(date, now().time());
}

Outcome SimulatedClock::setTime(const QTime &time)
{
    if (!time.isValid()) {
        return ErrorValue { 5, QStringLiteral("Invalid time") };
    }
    return moveTo(now().date(), time);
}

Outcome SimulatedClock::setDateTime(const QDateTime &moment)
{
    if (!moment.isValid()) {
        return ErrorValue { 5, QStringLiteral("Invalid date and time") };
    }
    m_offsetMs = moment.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch();
    return std::nullopt;
}

Outcome SimulatedClock::moveTo(const QDate &date, const QTime &time)
{
    // The same reading of local times as the host clock, so that a demonstration behaves
    // like the real thing around daylight-saving changes.
    const qint64 hostMs = QDateTime::currentMSecsSinceEpoch();
    const std::optional<qint64> target = HostClock::instantOf(date, time, hostMs + m_offsetMs);
    if (!target) {
        return ErrorValue { 5, QStringLiteral("Invalid date") };
    }
    m_offsetMs = *target - hostMs;
    return std::nullopt;
}
