#pragma once

#include <QObject>
#include <functional>
#include <memory>

class Form1;
class IntervalTimer;
class SystemClock;

// Keeps the one clock overlay: the first show request creates it (and so lays it over the
// clock), later ones only show it again. It hides itself a while after the last request.
class OverlayController : public QObject
{
    Q_OBJECT
public:
    static constexpr int kVisibleMs = 10000;

    explicit OverlayController(SystemClock &clock, QObject *parent = nullptr);
    ~OverlayController() override;

    // Null until the first show request.
    Form1 *overlay() const { return m_overlay.get(); }
    IntervalTimer *hideTimer() const { return m_hideTimer; }
    // Passed on to the overlay, now or when it is created.
    void setProgramEnder(std::function<void()> ender);

    // The tick of the hide timer: hides the overlay until the next request.
    void hideTimer_Timer();

public slots:
    void show();

private:
    SystemClock &m_clock;
    std::unique_ptr<Form1> m_overlay;
    IntervalTimer *m_hideTimer = nullptr;
    std::function<void()> m_programEnder;
};
