#pragma once

#include "systemclock.h"

#include <functional>

// A clock that runs from an offset to the host's clock, at the host's rate or a given number
// of parts per million faster or slower, as a real clock drifts. Setting it moves only its own
// reading, never the computer's clock: for demonstrations and tests.
class SimulatedClock : public SystemClock
{
public:
    // Reads the host's clock in milliseconds since the epoch.
    using HostRead = std::function<qint64()>;

    // Starts at the host's time.
    SimulatedClock();
    // Starts at the given local date and time (the host's time when it is invalid), running
    // ratePpm parts per million fast (negative: slow); hostRead replaces the host's clock.
    explicit SimulatedClock(const QDateTime &start, double ratePpm = 0, HostRead hostRead = {});

    QDateTime now() const override;
    Outcome setDate(const QDate &date) override;
    Outcome setTime(const QTime &time) override;
    Outcome setDateTime(const QDateTime &moment) override;

    // Its reading minus the host's, now.
    qint64 offsetMs() const;
    double ratePpm() const { return m_ratePpm; }

private:
    qint64 hostMs() const;
    Outcome moveTo(const QDate &date, const QTime &time);
    void restartAt(qint64 readingMs);

    HostRead m_hostRead;
    double m_ratePpm = 0;
    // The clock read m_startMs when the host read m_startHostMs; since then it ran at its rate.
    qint64 m_startHostMs = 0;
    qint64 m_startMs = 0;
};
