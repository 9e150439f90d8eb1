#pragma once

#include "errorvalue.h"

#include <QObject>
#include <QTimer>

// A timer with the two switches the program's logic thinks in: enabled and interval.
// It ticks every interval while enabled; an interval of 0 never ticks (a QTimer would fire
// continuously) and a negative interval is refused. Ticks are precise, because the
// correction timers decide when the clock is set.
class IntervalTimer : public QObject
{
    Q_OBJECT
public:
    explicit IntervalTimer(int intervalMs = 0, QObject *parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    int interval() const { return m_interval; }
    // Refuses a negative interval and keeps the old one. Changing the interval of a running
    // timer starts its count again.
    Outcome setInterval(int intervalMs);

    // True when the timer will actually tick: enabled with an interval above 0.
    bool isTicking() const { return m_timer.isActive(); }
    // Milliseconds to the next tick; -1 when the timer does not tick.
    int remainingTimeMs() const { return m_timer.remainingTime(); }

signals:
    void tick();

private:
    void update();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval = 0;
};
