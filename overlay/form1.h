#pragma once

#include <QWidget>
#include <functional>

class IntervalTimer;
class QLabel;
class SystemClock;

// The taskbar clock overlay: a borderless window laid over the clock that scrolls the time of
// day and a greeting from right to left. A double-click on its surface or a right-button press
// on its text ends the whole program at once.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kStepPixels = 10;
    static constexpr int kReentryLeft = 72;
    static constexpr int kTickMs = 50;

    explicit Form1(SystemClock &clock, QWidget *parent = nullptr);
    ~Form1() override;

    // One marquee step; the tick of Timer1.
    void Timer1_Timer();
    // What ending the program does. By default the process ends on the spot: no window's
    // closing steps run and nothing is asked.
    void setProgramEnder(std::function<void()> ender);

    QLabel *Label1 = nullptr;
    IntervalTimer *Timer1 = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUp();
    bool coverTaskbarClock();
    void coverPanelCorner();
    void endProgram();

    SystemClock &m_clock;
    std::function<void()> m_programEnder;
};
