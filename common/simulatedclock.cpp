#include "simulatedclock.h"

#include "hostclock.h"

#include <cmath>

SimulatedClock::SimulatedClock()
    : SimulatedClock(QDateTime())
{
}

SimulatedClock::SimulatedClock(const QDateTime &start, double ratePpm, HostRead hostRead)
    : m_hostRead(std::move(hostRead))
    , m_ratePpm(ratePpm)
{
    // An invalid start (a time skipped by a daylight-saving change) has no moment to run
    // from; the clock then starts at the host's time rather than somewhere in 1970.
    restartAt(start.isValid() ? start.toMSecsSinceEpoch() : hostMs());
}

qint64 SimulatedClock::hostMs() const
{
    return m_hostRead ? m_hostRead() : QDateTime::currentMSecsSinceEpoch();
}

void SimulatedClock::restartAt(qint64 readingMs)
{
    m_startHostMs = hostMs();
    m_startMs = readingMs;
}

QDateTime SimulatedClock::now() const
{
    const double elapsedMs = double(hostMs() - m_startHostMs);
    const double driftMs = elapsedMs * m_ratePpm / 1e6;
    return QDateTime::fromMSecsSinceEpoch(m_startMs + qint64(elapsedMs + std::round(driftMs)));
}

qint64 SimulatedClock::offsetMs() const
{
    return now().toMSecsSinceEpoch() - hostMs();
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
    restartAt(moment.toMSecsSinceEpoch());
    return std::nullopt;
}

Outcome SimulatedClock::moveTo(const QDate &date, const QTime &time)
{
    // The same reading of local times as the host clock, so that a demonstration behaves
    // like the real thing around daylight-saving changes.
    const std::optional<qint64> target
        = HostClock::instantOf(date, time, now().toMSecsSinceEpoch());
    if (!target) {
        return ErrorValue { 5, QStringLiteral("Invalid date") };
    }
    restartAt(*target);
    return std::nullopt;
}
