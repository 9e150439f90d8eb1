#include "manualclock.h"

ManualClock::ManualClock(const QDateTime &start)
    : m_now(start)
{
}

Outcome ManualClock::setDate(const QDate &date)
{
    if (m_refusal) {
        return m_refusal;
    }
    datesSet.append(date);
    m_now = QDateTime(date, m_now.time());
    return std::nullopt;
}

Outcome ManualClock::setTime(const QTime &time)
{
    if (m_refusal) {
        return m_refusal;
    }
    timesSet.append(time);
    m_now = QDateTime(m_now.date(), time);
    return std::nullopt;
}

Outcome ManualClock::setDateTime(const QDateTime &moment)
{
    if (m_refusal) {
        return m_refusal;
    }
    datesSet.append(moment.date());
    timesSet.append(moment.time());
    m_now = moment;
    return std::nullopt;
}
