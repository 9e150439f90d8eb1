#pragma once

#include "systemclock.h"

// A clock that runs at the real rate from an offset to the host's clock. Setting it moves
// only its own offset, never the computer's clock: for demonstrations and tests.
class SimulatedClock : public SystemClock
{
public:
    // Starts at the host's time.
    SimulatedClock() = default;
    // Starts at the given local date and time.
    explicit SimulatedClock(const QDateTime &start);

    QDateTime now() const override;
    Outcome setDate(const QDate &date) override;
    Outcome setTime(const QTime &time) override;
    Outcome setDateTime(const QDateTime &moment) override;

    qint64 offsetMs() const { return m_offsetMs; }

private:
    Outcome moveTo(const QDate &date, const QTime &time);

    qint64 m_offsetMs = 0;
};
