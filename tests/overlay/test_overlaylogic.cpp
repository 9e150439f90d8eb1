#include "overlay/marqueetext.h"
#include "overlay/overlayplacement.h"

#include <QTest>

class TestOverlayLogic : public QObject
{
    Q_OBJECT
private slots:
    void placement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        const QRect hd(0, 0, 1920, 1080);
        QTest::newRow("bottom panel")
            << hd << QRect(0, 0, 1920, 1040) << QRect(1820, 1040, 100, 40);
        QTest::newRow("top panel") << hd << QRect(0, 32, 1920, 1048) << QRect(1820, 0, 100, 32);
        QTest::newRow("left panel") << hd << QRect(64, 0, 1856, 1080) << QRect(0, 1052, 64, 28);
        QTest::newRow("right panel") << hd << QRect(0, 0, 1872, 1080) << QRect(1872, 1052, 48, 28);
        QTest::newRow("no panel") << hd << hd << QRect(1820, 1052, 100, 28);
        QTest::newRow("top bar and bottom dock prefer the bottom")
            << hd << QRect(0, 32, 1920, 1008) << QRect(1820, 1040, 100, 40);
        const QRect rightOfAnother(1920, 0, 1280, 1024);
        QTest::newRow("primary screen right of another")
            << rightOfAnother << QRect(1920, 0, 1280, 984) << QRect(3100, 984, 100, 40);
        QTest::newRow("primary screen below another with a side panel")
            << QRect(0, 1080, 1280, 1024) << QRect(0, 1080, 1232, 1024)
            << QRect(1232, 2076, 48, 28);
        QTest::newRow("no available area") << hd << QRect() << QRect(1820, 1052, 100, 28);
        QTest::newRow("available area off the screen")
            << hd << QRect(3000, 0, 100, 100) << QRect(1820, 1052, 100, 28);
        QTest::newRow("available area larger than the screen")
            << hd << QRect(-10, -10, 1940, 1100) << QRect(1820, 1052, 100, 28);
        QTest::newRow("screen narrower than the overlay")
            << QRect(0, 0, 80, 20) << QRect(0, 0, 80, 20) << QRect(0, 0, 80, 20);
        QTest::newRow("no screen") << QRect() << QRect() << QRect();
    }
    void placement()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QFETCH(QRect, expected);
        QCOMPARE(OverlayPlacement::notificationAreaRectangle(screen, available), expected);
    }

    void sizeOverClock_data()
    {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<QSize>("clock");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("borderless takes the clock's size")
            << QSize(250, 166) << QSize(250, 166) << QSize(75, 40) << QSize(75, 40);
        QTest::newRow("a frame is kept around the clock's size")
            << QSize(260, 196) << QSize(250, 166) << QSize(75, 40) << QSize(78, 47);
        QTest::newRow("no clock gives no size")
            << QSize(250, 166) << QSize(250, 166) << QSize(0, 0) << QSize(0, 0);
        QTest::newRow("an empty inside cannot be scaled")
            << QSize(0, 0) << QSize(0, 0) << QSize(75, 40) << QSize(75, 40);
    }
    void sizeOverClock()
    {
        QFETCH(QSize, outer);
        QFETCH(QSize, inner);
        QFETCH(QSize, clock);
        QFETCH(QSize, expected);
        QCOMPARE(OverlayPlacement::sizeOverClock(outer, inner, clock), expected);
    }

    void greetingIsEightChineseCharacters()
    {
        const QString greeting = MarqueeText::greeting();
        QCOMPARE(greeting.size(), 8);
        for (const QChar character : greeting) {
            QCOMPARE(character.script(), QChar::Script_Han);
        }
    }

    void text_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("expectedTime");
        QTest::newRow("C") << QLocale::c() << QTime(9, 5, 7) << "09:05:07";
        QTest::newRow("English, United States")
            << QLocale(QLocale::English, QLocale::UnitedStates) << QTime(21, 5, 7) << "9:05:07 PM";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << QTime(21, 5, 7)
                                << "21:05:07";
    }
    void text()
    {
        QFETCH(QLocale, locale);
        QFETCH(QTime, time);
        QFETCH(QString, expectedTime);
        QCOMPARE(MarqueeText::text(time, locale), expectedTime + MarqueeText::greeting());
    }

    void textKeepsTheSecondsInEveryLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China);
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan);
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France);
    }
    void textKeepsTheSecondsInEveryLocale()
    {
        QFETCH(QLocale, locale);
        const QString first = MarqueeText::text(QTime(10, 20, 30), locale);
        const QString second = MarqueeText::text(QTime(10, 20, 31), locale);
        QVERIFY2(first != second, qPrintable(first));
        QVERIFY(first.contains(QStringLiteral("30")));
        QVERIFY(first.endsWith(MarqueeText::greeting()));
        // No zone name: the text is the same whatever zone the machine is in.
        QVERIFY2(!first.contains(QStringLiteral("UTC")) && !first.contains(QStringLiteral("GMT")),
                 qPrintable(first));
    }
};

QTEST_GUILESS_MAIN(TestOverlayLogic)
#include "test_overlaylogic.moc"
