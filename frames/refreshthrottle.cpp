#include "refreshthrottle.h"

RefreshThrottle::RefreshThrottle(int intervalMs, std::function<void()> action, QObject *parent)
    : QObject(parent)
    , m_intervalMs(intervalMs)
    , m_action(std::move(action))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RefreshThrottle::run);
}

void RefreshThrottle::request()
{
    if (m_timer.isActive()) {
        return;
    }
    const qint64 sinceRun = m_sinceRun.isValid() ? m_sinceRun.elapsed() : m_intervalMs;
    if (sinceRun >= m_intervalMs) {
        run();
    } else {
        m_timer.start(int(m_intervalMs - sinceRun));
    }
}

void RefreshThrottle::flush()
{
    if (m_timer.isActive()) {
        m_timer.stop();
        run();
    }
}

void RefreshThrottle::run()
{
    m_sinceRun.start();
    if (m_action) {
        m_action();
    }
}
