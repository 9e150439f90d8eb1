#include "form1.h"

#include "common/intervaltimer.h"
#include "common/systemclock.h"
#include "common/twips.h"
#include "marqueetext.h"
#include "overlayplacement.h"
#include "trayclock.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kFormWidthTwips = 3744;
constexpr int kFormHeightTwips = 2496;
constexpr int kLabelWidthTwips = 972;
constexpr int kLabelHeightTwips = 372;

void endProcessNow()
{
    // Whatever was printed still gets out; nothing else runs.
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace

Form1::Form1(SystemClock &clock, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                  | Qt::WindowDoesNotAcceptFocus)
    , m_clock(clock)
    , m_programEnder(endProcessNow)
{
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(twipsToPixels(kFormWidthTwips), twipsToPixels(kFormHeightTwips));

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // The label keeps its size whatever its text: the line is much wider than the label and
    // is clipped to it, one short window onto the scrolling text.
    Label1->setGeometry(0, 0, twipsToPixels(kLabelWidthTwips), twipsToPixels(kLabelHeightTwips));
    Label1->setWordWrap(false);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->installEventFilter(this);

    Timer1 = new IntervalTimer(kTickMs, this);
    connect(Timer1, &IntervalTimer::tick, this, &Form1::Timer1_Timer);
    Timer1->setEnabled(true);

    setUp();
}

Form1::~Form1() = default;

void Form1::setUp()
{
    if (!coverTaskbarClock()) {
        coverPanelCorner();
    }
    Label1->move(0, 0);
}

bool Form1::coverTaskbarClock()
{
#ifdef Q_OS_WIN
    const std::uintptr_t clock = TrayClock::findClockWindow();
    TrayClock::Rectangle rectangle;
    if (clock == 0 || !TrayClock::windowRectangle(clock, rectangle)) {
        // No such taskbar (another shell): an overlay of no size would help nobody, so it
        // is placed like on other desktops.
        return false;
    }
    move(0, 0);
    const QSize clockSize(rectangle.right - rectangle.left, rectangle.bottom - rectangle.top);
    resize(OverlayPlacement::sizeOverClock(frameGeometry().size(), size(), clockSize));
    TrayClock::coverClock(static_cast<std::uintptr_t>(winId()), clock);
    return true;
#else
    return false;
#endif
}

void Form1::coverPanelCorner()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect rectangle = OverlayPlacement::notificationAreaRectangle(
        screen->geometry(), screen->availableGeometry());
    if (!rectangle.isEmpty()) {
        setGeometry(rectangle);
    }
}

void Form1::Timer1_Timer()
{
    Label1->setText(MarqueeText::text(m_clock.currentTime(), QLocale()));
    Label1->move(Label1->x() - kStepPixels, Label1->y());
    if (Label1->x() < -Label1->width()) {
        // Wholly gone on the left: start again at the same place, however wide we are.
        Label1->move(kReentryLeft, Label1->y());
    }
}

void Form1::setProgramEnder(std::function<void()> ender)
{
    m_programEnder = std::move(ender);
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Label1->move(Label1->x(), (height() - Label1->height()) / 2);
}

void Form1::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        endProgram();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Timer1->setEnabled(true);
}

void Form1::hideEvent(QHideEvent *event)
{
    // Nobody sees a hidden marquee: no reason to wake up twenty times a second for it.
    Timer1->setEnabled(false);
    QWidget::hideEvent(event);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label1) {
        if (event->type() == QEvent::MouseButtonPress) {
            if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
                endProgram();
            }
            return true;
        }
        // A double-click on the text is not one on the surface: keep it from reaching us.
        if (event->type() == QEvent::MouseButtonDblClick) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::endProgram()
{
    if (m_programEnder) {
        m_programEnder();
    }
}
