#pragma once

#include "common/simulatedclock.h"

#include <QList>

// The program's clock for the benchmark: a simulated clock that notes, at every time of day
// set on it, how far the value set lies from the reference clock (the computer's own clock,
// which the receiver simulator also follows), and can be thrown off again afterwards.
class ResidualRecordingClock : public SystemClock
{
public:
    explicit ResidualRecordingClock(const QDateTime &start);

    QDateTime now() const override;
    Outcome setDate(const QDate &date) override;
    Outcome setTime(const QTime &time) override;
    Outcome setDateTime(const QDateTime &moment) override;

    // Moves the clock by the given seconds without counting it as a correction.
    void throwOff(int seconds);

    // Value set minus reference time, in milliseconds, one per time of day set.
    const QList<double> &residualsMs() const { return m_residualsMs; }

private:
    SimulatedClock m_clock;
    QList<double> m_residualsMs;
};
