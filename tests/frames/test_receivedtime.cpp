#include "frames/receiverframe.h"
#include "framestest.h"

#include <QTest>

namespace {

int secondsOf(int hour, int minute, int second)
{
    return hour * 3600 + minute * 60 + second;
}

} // namespace

// Decoding a frame into the received time, the sample button and the freshness watchdog.
class TestReceivedTime : public QObject
{
    Q_OBJECT
private slots:
    // The frame's date, or with the mask on the computer's date without leading zeros. The
    // mask is asked at every frame.
    void dateAndTime_data()
    {
        QTest::addColumn<bool>("maskOn");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("expected");
        QTest::newRow("frame's date") << false << QDate(2026, 1, 7) << u"2026-12-05"_s;
        QTest::newRow("no leading zeros") << true << QDate(2026, 1, 7) << u"2026-1-7"_s;
        QTest::newRow("two-digit fields") << true << QDate(2026, 12, 25) << u"2026-12-25"_s;
        QTest::newRow("leap day") << true << QDate(2028, 2, 29) << u"2028-2-29"_s;
    }
    void dateAndTime()
    {
        QFETCH(bool, maskOn);
        QFETCH(QDate, today);
        QFETCH(QString, expected);
        Reception reception;
        reception.maskOn = maskOn;
        reception.clock.setNow(QDateTime(today, QTime(23, 59, 59)));
        reception.logic.receiveBytes(kDecemberFrame, 1);
        const ReceivedTimeState &state = reception.logic.receivedTime();
        QCOMPARE(state.recvDate, expected);
        QCOMPARE(state.recvTime, u"23:59:58"_s);
        QCOMPARE(state.recvDateTime, expected + u" 23:59:58"_s);
        QCOMPARE(texts(reception.displays), QStringList { state.recvDateTime });
        QCOMPARE(state.recvStamp1, secondsOf(23, 59, 58));
        QCOMPARE(state.recvStamp2, 0);
        reception.maskOn = !maskOn;
        reception.logic.receiveBytes(kDecemberFrame, 2);
        QCOMPARE(state.recvDate, maskOn ? u"2026-12-05"_s : u"2026-1-7"_s);
    }

    void stampsASecondApart()
    {
        Reception reception;
        for (int second = 0; second < 3; ++second) {
            reception.logic.receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0, second), 1);
        }
        const ReceivedTimeState &state = reception.logic.receivedTime();
        QCOMPARE(state.recvStamp3, secondsOf(12, 0, 0));
        QCOMPARE(state.recvStamp2, secondsOf(12, 0, 1));
        QCOMPARE(state.recvStamp1, secondsOf(12, 0, 2));
    }

    // A time text that is no time of day: texts and captions change, the stamps shift, and
    // the newest stamp keeps its value.
    void invalidTimeKeepsNewestStamp_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("timeText");
        QTest::newRow("hour 25") << 0x25 << 0x00 << 0x01 << u"25:00:01"_s;
        QTest::newRow("hour 24") << 0x24 << 0x00 << 0x00 << u"24:00:00"_s;
        QTest::newRow("minute 60") << 0x12 << 0x60 << 0x00 << u"12:60:00"_s;
        QTest::newRow("second 60") << 0x12 << 0x00 << 0x60 << u"12:00:60"_s;
        QTest::newRow("letter digit") << 0x12 << 0x1A << 0x00 << u"12:1A:00"_s;
        QTest::newRow("lone letter") << 0x0B << 0x00 << 0x00 << u"B:00:00"_s;
    }
    void invalidTimeKeepsNewestStamp()
    {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QString, timeText);
        Reception reception;
        reception.logic.receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x10, 0x00, 0x00)
                                         + frameWith(0x20, 0x26, 0x12, 0x05, 0x10, 0x00, 0x01)
                                         + frameWith(0x20, 0x26, 0x12, 0x05, hour, minute, second),
                                     1);
        const ReceivedTimeState &state = reception.logic.receivedTime();
        QCOMPARE(state.recvTime, timeText);
        QCOMPARE(texts(reception.displays).last(), u"2026-12-05 "_s + timeText);
        QCOMPARE(state.recvStamp3, secondsOf(10, 0, 0));
        QCOMPARE(state.recvStamp2, secondsOf(10, 0, 1));
        QCOMPARE(state.recvStamp1, secondsOf(10, 0, 1));
    }

    // The frames the simulator and benchmarks build decode to the time they were built from.
    void encodedFrameDecodes()
    {
        Reception reception;
        const QDateTime time(QDate(2031, 4, 9), QTime(7, 5, 3));
        reception.logic.receiveBytes(receiverFrame(time), 1);
        QCOMPARE(reception.logic.receivedTime().recvDateTime, u"2031-04-09 07:05:03"_s);
        QCOMPARE(receiverFrame(time).at(7), char(0x03)); // a Wednesday
        QVERIFY(receiverFrame(QDateTime()).isEmpty());
    }

    // The sample frame's second is the click count modulo 60; the count stops at 32767.
    void sampleButton()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        logic.Command3_Click();
        QCOMPARE(texts(reception.displays), QStringList { u"2003-08-23 12:13:1"_s });
        QCOMPARE(logic.receivedTime().recvStamp1, secondsOf(12, 13, 1));
        QCOMPARE(logic.assembler().frameSlots()[6], u"04"_s);
        for (int click = 2; click <= 60; ++click) {
            logic.Command3_Click();
        }
        QCOMPARE(logic.receivedTime().recvTime, u"12:13:0"_s);
        for (int click = 61; click <= 32770; ++click) {
            logic.Command3_Click();
        }
        QCOMPARE(logic.clickCount(), qint16(32767));
        QCOMPARE(logic.receivedTime().recvTime, u"12:13:7"_s); // 32767 % 60
    }

    // Ticks driven directly: fresh after a new text, stale at the next tick without one,
    // stale for a repeated text, fresh again after the start-up reset.
    void watchdog()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        const QByteArray frame = frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, 0x00);
        logic.Timer5_Timer();
        QVERIFY(!logic.freshness().dataFresh);
        logic.receiveBytes(frame, 1);
        logic.Timer5_Timer();
        QVERIFY(logic.freshness().dataFresh);
        QCOMPARE(logic.freshness().lastSeenDateTime, u"2026-12-05 12:00:00"_s);
        logic.receiveBytes(frame + frame, 2);
        logic.Timer5_Timer();
        QVERIFY(!logic.freshness().dataFresh);
        logic.receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, 0x02), 3);
        logic.Timer5_Timer();
        QVERIFY(logic.freshness().dataFresh);
        logic.Timer5_Timer();
        QVERIFY(!logic.freshness().dataFresh);
        logic.clearLastSeenDateTime();
        logic.Timer5_Timer();
        QVERIFY(logic.freshness().dataFresh);
    }
};

QTEST_GUILESS_MAIN(TestReceivedTime)
#include "test_receivedtime.moc"
