#include "simulatedclock.h"

SimulatedClock::SimulatedClock(const QDateTime &start)
{
    moveTo(start);
}

QDateTime SimulatedClock::now() const
{
    return QDateTime::fromMSecsSinceEpoch(QDateTime::currentMSecsSinceEpoch() + m_offsetMs);
}

Outcome SimulatedClock::setDate(const QDate &date)
{
    if (!date.isValid()) {
        return ErrorValue{5, QStringLiteral("Invalid date")};
    }
    moveTo(QDateTime(date, now().time()));
    return std::nullopt;
}

Outcome SimulatedClock::setTime(const QTime &time)
{
    if (!time.isValid()) {
        return ErrorValue{5, QStringLiteral("Invalid time")};
    }
    moveTo(QDateTime(now().date(), time));
    return std::nullopt;
}

void SimulatedClock::moveTo(const QDateTime &target)
{
    m_offsetMs = target.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch();
}
