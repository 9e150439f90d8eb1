#include "residualrecordingclock.h"

#include <chrono>

namespace {

// The reference in fractions of a millisecond: QDateTime reads whole milliseconds only.
double referenceMsSinceEpoch()
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::milli>(sinceEpoch).count();
}

} // namespace

ResidualRecordingClock::ResidualRecordingClock(const QDateTime &start)
    : m_clock(start)
{
}

QDateTime ResidualRecordingClock::now() const
{
    return m_clock.now();
}

Outcome ResidualRecordingClock::setDate(const QDate &date)
{
    return m_clock.setDate(date);
}

Outcome ResidualRecordingClock::setTime(const QTime &time)
{
    const double referenceMs = referenceMsSinceEpoch();
    const QDate date = m_clock.now().date();
    const Outcome refused = m_clock.setTime(time);
    if (!refused) {
        m_residualsMs.append(double(QDateTime(date, time).toMSecsSinceEpoch()) - referenceMs);
    }
    return refused;
}

Outcome ResidualRecordingClock::setDateTime(const QDateTime &moment)
{
    const double referenceMs = referenceMsSinceEpoch();
    const Outcome refused = m_clock.setDateTime(moment);
    if (!refused) {
        m_residualsMs.append(double(moment.toMSecsSinceEpoch()) - referenceMs);
    }
    return refused;
}

void ResidualRecordingClock::throwOff(int seconds)
{
    m_clock.setDateTime(m_clock.now().addSecs(seconds));
}
