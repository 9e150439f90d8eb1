#include "common/intervaltimer.h"
#include "manualclock.h"
#include "overlay/form1.h"
#include "overlay/marqueetext.h"
#include "overlay/overlaycontroller.h"

#include <QApplication>
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

class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void creation()
    {
        ManualClock clock;
        Form1 form(clock);
        QCOMPARE(form.objectName(), QStringLiteral("Form1"));
        QCOMPARE(form.Label1->objectName(), QStringLiteral("Label1"));
        QCOMPARE(form.Label1->text(), QStringLiteral("Label1"));
        QCOMPARE(form.Label1->size(), QSize(65, 25));
        QCOMPARE(form.Label1->pos(), QPoint(0, 0));
        QCOMPARE(form.Timer1->interval(), 50);
        QVERIFY(form.Timer1->isTicking());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        QCOMPARE(form.windowType(), Qt::Tool);
        // The offscreen screen has no panel: the bottom-right corner.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(form.geometry(),
                 QRect(screen.right() + 1 - 100, screen.bottom() + 1 - 28, 100, 28));
    }

    void textCentredVerticallyOnSizeChange_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("top");
        QTest::newRow("panel height") << 28 << 1;
        QTest::newRow("tall") << 40 << 7;
        QTest::newRow("as high as the text") << 25 << 0;
        QTest::newRow("lower than the text") << 15 << -5;
    }
    void textCentredVerticallyOnSizeChange()
    {
        QFETCH(int, height);
        QFETCH(int, top);
        ShownOverlay overlay;
        QCOMPARE(overlay.form.Label1->y(), 1);
        overlay.form.Label1->move(30, 0);
        overlay.form.resize(120, height);
        QCOMPARE(overlay.form.Label1->pos(), QPoint(30, top));
        QCOMPARE(overlay.form.Label1->size(), QSize(65, 25));
    }

    void marquee_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("left");
        for (const int width : { 100, 40, 400 }) {
            const QByteArray suffix = " in " + QByteArray::number(width) + " px";
            QTest::newRow(("one step" + suffix).constData()) << width << 0 << 1 << -10;
            QTest::newRow(("six steps" + suffix).constData()) << width << 0 << 6 << -60;
            QTest::newRow(("gone: back at 72" + suffix).constData()) << width << 0 << 7 << 72;
            QTest::newRow(("after re-entry" + suffix).constData()) << width << 0 << 8 << 62;
            QTest::newRow(("second cycle last" + suffix).constData()) << width << 0 << 20 << -58;
            QTest::newRow(("second re-entry" + suffix).constData()) << width << 0 << 21 << 72;
        }
        QTest::newRow("exactly minus the width is not gone") << 100 << 5 << 7 << -65;
        QTest::newRow("one pixel further is gone") << 100 << 5 << 8 << 72;
    }
    void marquee()
    {
        QFETCH(int, width);
        QFETCH(int, start);
        QFETCH(int, ticks);
        QFETCH(int, left);
        ShownOverlay overlay;
        overlay.form.resize(width, 28);
        overlay.form.Label1->move(start, overlay.form.Label1->y());
        const int top = overlay.form.Label1->y();
        for (int tick = 0; tick < ticks; ++tick) {
            overlay.form.Timer1_Timer();
        }
        QCOMPARE(overlay.form.Label1->pos(), QPoint(left, top));
        QCOMPARE(overlay.form.Label1->size(), QSize(65, 25));
    }

    void timeChangesOncePerSecondWhileTextMovesEveryTick()
    {
        ShownOverlay overlay;
        overlay.clock.setNow(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58, 900)));
        QStringList texts;
        QList<int> lefts;
        for (int tick = 0; tick < 30; ++tick) {
            overlay.form.Timer1_Timer();
            texts << overlay.form.Label1->text();
            lefts << overlay.form.Label1->x();
            overlay.clock.advanceMs(50);
        }
        const QString greeting = MarqueeText::greeting();
        // 23:59:58.900 and .950, then twenty ticks in the next second, then eight more.
        QCOMPARE(texts.count(QStringLiteral("23:59:58") + greeting), 2);
        QCOMPARE(texts.count(QStringLiteral("23:59:59") + greeting), 20);
        QCOMPARE(texts.count(QStringLiteral("00:00:00") + greeting), 8);
        QCOMPARE(texts.at(1), QStringLiteral("23:59:58") + greeting);
        QCOMPARE(texts.at(2), QStringLiteral("23:59:59") + greeting);
        QCOMPARE(texts.at(22), QStringLiteral("00:00:00") + greeting);
        for (int tick = 1; tick < lefts.size(); ++tick) {
            QVERIFY(lefts.at(tick) != lefts.at(tick - 1));
        }
    }

    void gestures_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("endings");
        QTest::newRow("right press on the text ends") << "press text" << int(Qt::RightButton) << 1;
        QTest::newRow("left press on the text does nothing")
            << "press text" << int(Qt::LeftButton) << 0;
        QTest::newRow("middle press on the text does nothing")
            << "press text" << int(Qt::MiddleButton) << 0;
        QTest::newRow("right press on the surface does nothing")
            << "press surface" << int(Qt::RightButton) << 0;
        QTest::newRow("double-click on the surface ends")
            << "double-click surface" << int(Qt::LeftButton) << 1;
        QTest::newRow("double-click on the text does not end")
            << "double-click text" << int(Qt::LeftButton) << 0;
        QTest::newRow("middle double-click on the surface does not end")
            << "double-click surface" << int(Qt::MiddleButton) << 0;
    }
    void gestures()
    {
        QFETCH(QString, gesture);
        QFETCH(int, button);
        QFETCH(int, endings);
        ShownOverlay overlay;
        QVERIFY(QTest::qWaitForWindowExposed(&overlay.form));
        const QRect label = overlay.form.Label1->geometry();
        QVERIFY(label.contains(QPoint(30, 14)));
        const QPoint position
            = gesture.endsWith(QLatin1String("text")) ? QPoint(30, 14) : QPoint(90, 14);
        const QString textBefore = overlay.form.Label1->text();
        // Through the window, as the window system delivers them: a double-click is two
        // clicks in quick succession.
        QWindow *window = overlay.form.windowHandle();
        const auto mouseButton = Qt::MouseButton(button);
        if (gesture.startsWith(QLatin1String("press"))) {
            QTest::mousePress(window, mouseButton, {}, position);
            QTest::mouseRelease(window, mouseButton, {}, position);
        } else {
            QTest::mouseDClick(window, mouseButton, {}, position);
        }
        QCOMPARE(overlay.endings, endings);
        QCOMPARE(overlay.form.Label1->geometry(), label);
        QCOMPARE(overlay.form.Label1->text(), textBefore);
    }

    void controllerKeepsOneOverlay()
    {
        ManualClock clock;
        OverlayController controller(clock);
        QCOMPARE(controller.overlay(), nullptr);
        int endings = 0;
        controller.setProgramEnder([&endings] { ++endings; });

        controller.show();
        Form1 *first = controller.overlay();
        QVERIFY(first != nullptr);
        QVERIFY(first->isVisible());
        controller.show();
        controller.show();
        QCOMPARE(controller.overlay(), first);
        int overlays = 0;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            overlays += qobject_cast<Form1 *>(widget) != nullptr ? 1 : 0;
        }
        QCOMPARE(overlays, 1);

        // The ender set before creation reaches the overlay.
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QTest::mouseDClick(first->windowHandle(), Qt::LeftButton, {}, QPoint(90, 14));
        QCOMPARE(endings, 1);
    }

    void controllerHidesAfterTenSeconds()
    {
        ManualClock clock;
        OverlayController controller(clock);
        controller.show();
        Form1 *overlay = controller.overlay();
        QCOMPARE(controller.hideTimer()->interval(), 10000);
        QVERIFY(controller.hideTimer()->isTicking());
        QVERIFY(overlay->Timer1->isTicking());

        controller.hideTimer_Timer();
        QVERIFY(!overlay->isVisible());
        QVERIFY(!controller.hideTimer()->isTicking());
        QVERIFY(!overlay->Timer1->isTicking());

        // Shown again without a new set-up: same window, text where the marquee left it.
        overlay->Label1->move(42, overlay->Label1->y());
        controller.show();
        QCOMPARE(controller.overlay(), overlay);
        QVERIFY(overlay->isVisible());
        QCOMPARE(overlay->Label1->x(), 42);
        QVERIFY(controller.hideTimer()->isTicking());
        QVERIFY(overlay->Timer1->isTicking());
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
