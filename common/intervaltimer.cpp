#include "intervaltimer.h"

IntervalTimer::IntervalTimer(int intervalMs, QObject *parent)
    : QObject(parent)
    , m_interval(intervalMs > 0 ? intervalMs : 0)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::tick);
}

void IntervalTimer::setEnabled(bool enabled)
{
    if (m_enabled == enabled) {
        return;
    }
    m_enabled = enabled;
    update();
}

Outcome IntervalTimer::setInterval(int intervalMs)
{
    if (intervalMs < 0) {
        return ErrorValue{380, QStringLiteral("Invalid property value")};
    }
    m_interval = intervalMs;
    update();
    return std::nullopt;
}

void IntervalTimer::update()
{
    if (m_enabled && m_interval > 0) {
        m_timer.start(m_interval);
    } else {
        m_timer.stop();
    }
}
