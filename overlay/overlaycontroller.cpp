#include "overlaycontroller.h"

#include "common/intervaltimer.h"
#include "form1.h"

OverlayController::OverlayController(SystemClock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_hideTimer(new IntervalTimer(kVisibleMs, this))
{
    connect(m_hideTimer, &IntervalTimer::tick, this, &OverlayController::hideTimer_Timer);
}

OverlayController::~OverlayController() = default;

void OverlayController::setProgramEnder(std::function<void()> ender)
{
    m_programEnder = std::move(ender);
    if (m_overlay && m_programEnder) {
        m_overlay->setProgramEnder(m_programEnder);
    }
}

void OverlayController::show()
{
    if (!m_overlay) {
        m_overlay = std::make_unique<Form1>(m_clock);
        if (m_programEnder) {
            m_overlay->setProgramEnder(m_programEnder);
        }
    }
    m_overlay->show();
    m_overlay->raise();
    // Every request gives the overlay its full time again.
    m_hideTimer->setEnabled(false);
    m_hideTimer->setEnabled(true);
}

void OverlayController::hideTimer_Timer()
{
    m_hideTimer->setEnabled(false);
    if (m_overlay) {
        m_overlay->hide();
    }
}
