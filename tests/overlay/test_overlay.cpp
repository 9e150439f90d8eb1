#include "common/intervaltimer.h"
#include "manualclock.h"
#include "overlay/form1.h"
#include "overlay/overlaycontroller.h"
#include "overlay/overlayplacement.h"

#include <QLabel>
#include <QTest>
#include <QWindow>

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

class TestOverlay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // In the panel's strip: at the right end of a bottom panel, at the bottom end of a
    // side panel; without a strip, a small one in the bottom-right corner.
    void placement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        const QRect hd(0, 0, 1920, 1080);
        QTest::newRow("bottom") << hd << QRect(0, 0, 1920, 1040) << QRect(1820, 1040, 100, 40);
        QTest::newRow("left") << hd << QRect(64, 0, 1856, 1080) << QRect(0, 1052, 64, 28);
        const QRect second(1920, 1080, 1280, 1024); // right of and below another screen
        QTest::newRow("second, right")
            << second << QRect(1920, 1080, 1232, 1024) << QRect(3152, 2076, 48, 28);
        QTest::newRow("no panel") << hd << hd << QRect(1820, 1052, 100, 28);
        QTest::newRow("no screen") << QRect() << QRect() << QRect();
    }
    void placement()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QTEST(OverlayPlacement::notificationAreaRectangle(screen, available), "expected");
    }

    // Steps of 10 pixels to the left every tick; wholly gone (beyond minus its width, 65) the
    // text comes back at 72, centred in the height; the time goes on.
    void marquee()
    {
        ShownOverlay overlay;
        overlay.form.Label1->move(5, 0);
        overlay.form.resize(400, 15);
        overlay.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58, 900)));
        QList<int> lefts;
        for (int tick = 0; tick < 30; ++tick) {
            overlay.form.Timer1_Timer();
            lefts << overlay.form.Label1->x();
            overlay.clock.advanceMs(50);
        }
        QCOMPARE(lefts.mid(0, 9), QList<int>({ -5, -15, -25, -35, -45, -55, -65, 72, 62 }));
        QCOMPARE(overlay.form.Label1->y(), -5);
        QCOMPARE(overlay.form.Label1->text().left(8), "00:00:00"); // the new day
    }

    // A right press on the text or a double-click on the surface ends the program.
    void gestures_data()
    {
        QTest::addColumn<int>("endings");
        QTest::newRow("right press text") << 1;
        QTest::newRow("left press text") << 0;
        QTest::newRow("right press surface") << 0;
        QTest::newRow("left double-click surface") << 1;
        QTest::newRow("left double-click text") << 0;
    }
    void gestures()
    {
        const QStringList words = QString::fromLatin1(QTest::currentDataTag()).split(u' ');
        const Qt::MouseButton button = words[0] == "right" ? Qt::RightButton : Qt::LeftButton;
        const QPoint position = words[2] == "text" ? QPoint(30, 14) : QPoint(90, 14);
        ShownOverlay overlay;
        QVERIFY(QTest::qWaitForWindowExposed(&overlay.form));
        QWindow *window = overlay.form.windowHandle();
        if (words[1] == "press") {
            QTest::mousePress(window, button, {}, position);
            QTest::mouseRelease(window, button, {}, position);
        } else {
            QTest::mouseDClick(window, button, {}, position);
        }
        QTEST(overlay.endings, "endings");
    }

    // One overlay however often asked for; the hide tick hides it and stops both timers.
    void controllerKeepsOneOverlayAndHidesIt()
    {
        ManualClock clock;
        OverlayController controller(clock);
        controller.show();
        Form1 *overlay = controller.overlay();
        // Shown for 10 s; the marquee steps every 50 ms.
        QCOMPARE(controller.hideTimer()->interval(), 10000);
        QCOMPARE(overlay->Timer1->interval(), 50);
        controller.hideTimer_Timer();
        QVERIFY(!overlay->isVisible());
        QVERIFY(!controller.hideTimer()->isTicking() && !overlay->Timer1->isTicking());
        controller.show();
        QVERIFY(controller.overlay() == overlay && overlay->isVisible());
        QVERIFY(controller.hideTimer()->isTicking() && overlay->Timer1->isTicking());
    }
};

QTEST_MAIN(TestOverlay)
#include "test_overlay.moc"
