#include "common/intervaltimer.h"
#include "manualclock.h"
#include "overlay/form1.h"
#include "overlay/marqueetext.h"
#include "overlay/overlaycontroller.h"
#include "overlay/overlayplacement.h"

#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {

// A shown overlay whose own timer stands still, so only the test moves the text.
struct ShownOverlay
{
    ManualClock clock;
    Form1 form { clock };
    int endings = 0;

    ShownOverlay()
    {
        form.setProgramEnder([this] { ++endings; });
        form.show();
        form.Timer1->setEnabled(false);
    }
};

} // namespace

class TestOverlay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // In the strip outside the available area: at the right end of a bottom or top panel, at
    // the bottom end of a side panel; without a strip, a small one in the bottom-right corner.
    void placement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        const QRect hd(0, 0, 1920, 1080);
        const QRect corner(1820, 1052, 100, 28);
        QTest::newRow("bottom") << hd << QRect(0, 0, 1920, 1040) << QRect(1820, 1040, 100, 40);
        QTest::newRow("top") << hd << QRect(0, 32, 1920, 1048) << QRect(1820, 0, 100, 32);
        QTest::newRow("left") << hd << QRect(64, 0, 1856, 1080) << QRect(0, 1052, 64, 28);
        QTest::newRow("right") << hd << QRect(0, 0, 1872, 1080) << QRect(1872, 1052, 48, 28);
        QTest::newRow("top and bottom")
            << hd << QRect(0, 32, 1920, 1008) << QRect(1820, 1040, 100, 40);
        const QRect second(1920, 1080, 1280, 1024); // right of and below another screen
        QTest::newRow("second, bottom")
            << second << QRect(1920, 1080, 1280, 984) << QRect(3100, 2064, 100, 40);
        QTest::newRow("second, right")
            << second << QRect(1920, 1080, 1232, 1024) << QRect(3152, 2076, 48, 28);
        QTest::newRow("no panel") << hd << hd << corner;
        QTest::newRow("area off the screen") << hd << QRect(3000, 0, 100, 100) << corner;
        QTest::newRow("small screen")
            << QRect(0, 0, 80, 20) << QRect(0, 0, 80, 20) << QRect(0, 0, 80, 20);
        QTest::newRow("no screen") << QRect() << QRect() << QRect();
    }
    void placement()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QTEST(OverlayPlacement::notificationAreaRectangle(screen, available), "expected");
    }

    void sizeOverClock()
    {
        using OverlayPlacement::sizeOverClock;
        QCOMPARE(sizeOverClock({ 260, 196 }, { 250, 166 }, { 75, 40 }), QSize(78, 47)); // a frame
        QCOMPARE(sizeOverClock({ 250, 166 }, { 250, 166 }, { 0, 0 }), QSize(0, 0));
        QCOMPARE(sizeOverClock({ 0, 0 }, { 0, 0 }, { 75, 40 }), QSize(75, 40)); // empty inside
    }

    // The locale's time with its seconds and no zone name, then the greeting.
    void text()
    {
        QCOMPARE(
            MarqueeText::text(QTime(21, 5, 7), QLocale(QLocale::English, QLocale::UnitedStates)),
            "9:05:07 PM" + MarqueeText::greeting());
    }

    // Steps of 10 pixels to the left, every tick, whatever the overlay's size; wholly gone
    // (beyond minus its width, 65) the text comes back at 72, centred in the height all along.
    // The time changes once a second.
    void marquee()
    {
        for (const auto &[width, height, top] : { std::tuple(40, 40, 7), { 400, 15, -5 } }) {
            ShownOverlay overlay;
            overlay.form.Label1->move(5, 0);
            overlay.form.resize(width, height);
            overlay.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58, 900)));
            QList<int> lefts;
            QStringList times;
            for (int tick = 0; tick < 30; ++tick) {
                overlay.form.Timer1_Timer();
                lefts << overlay.form.Label1->x();
                times << overlay.form.Label1->text().left(8);
                overlay.clock.advanceMs(50);
            }
            QCOMPARE(lefts.mid(0, 9), QList<int>({ -5, -15, -25, -35, -45, -55, -65, 72, 62 }));
            QCOMPARE(overlay.form.Label1->y(), top);
            // 58.900 and .950, twenty ticks in the next second, eight in the new day.
            QCOMPARE(times,
                     QStringList(2, "23:59:58") + QStringList(20, "23:59:59")
                         + QStringList(8, "00:00:00"));
        }
    }

    // A right press on the text or a double-click on the surface ends the program. The row
    // names the button, the gesture and where it goes.
    void gestures_data()
    {
        QTest::addColumn<int>("endings");
        QTest::newRow("right press text") << 1;
        QTest::newRow("left press text") << 0;
        QTest::newRow("middle press text") << 0;
        QTest::newRow("right press surface") << 0;
        QTest::newRow("left double-click surface") << 1;
        QTest::newRow("left double-click text") << 0;
        QTest::newRow("middle double-click surface") << 0;
    }
    void gestures()
    {
        const QStringList words = QString::fromLatin1(QTest::currentDataTag()).split(u' ');
        const Qt::MouseButton button = words[0] == "right" ? Qt::RightButton
            : words[0] == "middle"                         ? Qt::MiddleButton
                                                           : Qt::LeftButton;
        const QPoint position = words[2] == "text" ? QPoint(30, 14) : QPoint(90, 14);
        ShownOverlay overlay;
        QVERIFY(QTest::qWaitForWindowExposed(&overlay.form));
        // Through the window, as the window system delivers them.
        QWindow *window = overlay.form.windowHandle();
        if (words[1] == "press") {
            QTest::mousePress(window, button, {}, position);
            QTest::mouseRelease(window, button, {}, position);
        } else {
            QTest::mouseDClick(window, button, {}, position);
        }
        QTEST(overlay.endings, "endings");
    }

    // One overlay however often it is asked for, in the bottom-right corner of the offscreen
    // screen (which has no panel); the ender set before it exists reaches it. The hide tick
    // hides it and stops both timers; shown again it is the same window, the text in place.
    void controllerKeepsOneOverlayAndHidesIt()
    {
        ManualClock clock;
        OverlayController controller(clock);
        int endings = 0;
        controller.setProgramEnder([&endings] { ++endings; });
        controller.show();
        Form1 *overlay = controller.overlay();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(overlay->geometry(), QRect(screen.right() - 99, screen.bottom() - 27, 100, 28));
        QVERIFY(QTest::qWaitForWindowExposed(overlay));
        QTest::mouseDClick(overlay->windowHandle(), Qt::LeftButton, {}, QPoint(90, 14));
        QCOMPARE(endings, 1);
        controller.hideTimer_Timer();
        QVERIFY(!overlay->isVisible());
        QVERIFY(!controller.hideTimer()->isTicking() && !overlay->Timer1->isTicking());
        overlay->Label1->move(42, 1);
        controller.show();
        QCOMPARE(controller.overlay(), overlay);
        QVERIFY(overlay->isVisible() && overlay->Label1->x() == 42);
        QVERIFY(controller.hideTimer()->isTicking() && overlay->Timer1->isTicking());
    }
};

QTEST_MAIN(TestOverlay)
#include "test_overlay.moc"
