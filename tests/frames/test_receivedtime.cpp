#include "frames/receiverframe.h"
#include "frames/receptionlogic.h"
#include "manualclock.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray frameWith(int century, int year, int month, int day, int hour, int minute, int second,
                     int spare = 0x04)
{
    QByteArray frame;
    for (const int value :
         { 0xAA, 0xA1, 0xA2, century, year, month, day, spare, hour, minute, second, 0x03 }) {
        frame.append(char(value));
    }
    return frame;
}

int secondsOf(int hour, int minute, int second)
{
    return hour * 3600 + minute * 60 + second;
}

} // namespace

class TestReceivedTime : public QObject
{
    Q_OBJECT
private:
    ManualClock m_clock { QDateTime(QDate(2026, 1, 7), QTime(8, 30)) };
    bool m_maskOn = false;

    std::unique_ptr<ReceptionLogic> makeLogic()
    {
        return std::make_unique<ReceptionLogic>(m_clock, [this] { return m_maskOn; });
    }

private slots:
    void init() { m_maskOn = false; }

    void decemberFrame()
    {
        auto logic = makeLogic();
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58), 1);
        const ReceivedTimeState &state = logic->receivedTime();
        QCOMPARE(state.recvDate, QStringLiteral("2026-12-05"));
        QCOMPARE(state.recvTime, QStringLiteral("23:59:58"));
        QCOMPARE(state.recvDateTime, QStringLiteral("2026-12-05 23:59:58"));
        QCOMPARE(state.recvStamp1, secondsOf(23, 59, 58));
        QCOMPARE(state.recvStamp2, 0);
    }

    void maskShowsComputerDate()
    {
        m_maskOn = true;
        auto logic = makeLogic();
        QSignalSpy captions(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58), 1);
        QCOMPARE(logic->receivedTime().recvDate, QStringLiteral("2026-1-7"));
        QCOMPARE(captions.at(0).at(0).toString(), QStringLiteral("2026-1-7 23:59:58"));
        // The option is asked at every frame.
        m_maskOn = false;
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x59), 2);
        QCOMPARE(logic->receivedTime().recvDate, QStringLiteral("2026-12-05"));
    }

    void maskFollowsTheClock_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no leading zeros") << QDate(2026, 1, 7) << QStringLiteral("2026-1-7");
        QTest::newRow("two-digit fields") << QDate(2026, 12, 25) << QStringLiteral("2026-12-25");
        QTest::newRow("leap day") << QDate(2028, 2, 29) << QStringLiteral("2028-2-29");
    }
    void maskFollowsTheClock()
    {
        QFETCH(QDate, today);
        QFETCH(QString, expected);
        m_maskOn = true;
        m_clock.setNow(QDateTime(today, QTime(23, 59, 59)));
        auto logic = makeLogic();
        logic->receiveBytes(frameWith(0x20, 0x03, 0x08, 0x23, 0x12, 0x13, 0x04), 1);
        QCOMPARE(logic->receivedTime().recvDate, expected);
        m_clock.setNow(QDateTime(QDate(2026, 1, 7), QTime(8, 30)));
    }

    void stampsOfConsecutiveFrames()
    {
        auto logic = makeLogic();
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58)
                                + frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x59)
                                + frameWith(0x20, 0x26, 0x12, 0x06, 0x00, 0x00, 0x00),
                            1);
        const ReceivedTimeState &state = logic->receivedTime();
        QCOMPARE(state.recvStamp3, secondsOf(23, 59, 58));
        QCOMPARE(state.recvStamp2, secondsOf(23, 59, 59));
        QCOMPARE(state.recvStamp1, 0);

        auto second = makeLogic();
        for (int tick = 0; tick < 3; ++tick) {
            second->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, tick), tick);
        }
        QCOMPARE(second->receivedTime().recvStamp3, secondsOf(12, 0, 0));
        QCOMPARE(second->receivedTime().recvStamp2, secondsOf(12, 0, 1));
        QCOMPARE(second->receivedTime().recvStamp1, secondsOf(12, 0, 2));
    }

    // A time text that is no time of day: texts and captions change, the stamps shift, and
    // the newest stamp keeps its value.
    void invalidTimeKeepsNewestStamp_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("timeText");
        QTest::newRow("hour 25") << 0x25 << 0x00 << 0x01 << QStringLiteral("25:00:01");
        QTest::newRow("hour 24") << 0x24 << 0x00 << 0x00 << QStringLiteral("24:00:00");
        QTest::newRow("minute 60") << 0x12 << 0x60 << 0x00 << QStringLiteral("12:60:00");
        QTest::newRow("second 60") << 0x12 << 0x00 << 0x60 << QStringLiteral("12:00:60");
        QTest::newRow("letter digit") << 0x12 << 0x1A << 0x00 << QStringLiteral("12:1A:00");
        QTest::newRow("lone letter") << 0x0B << 0x00 << 0x00 << QStringLiteral("B:00:00");
    }
    void invalidTimeKeepsNewestStamp()
    {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QString, timeText);
        auto logic = makeLogic();
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x10, 0x00, 0x00), 1);
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x10, 0x00, 0x01), 2);
        QSignalSpy label7(logic.get(), &ReceptionLogic::label7CaptionChanged);
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, hour, minute, second), 3);
        const ReceivedTimeState &state = logic->receivedTime();
        QCOMPARE(state.recvTime, timeText);
        QCOMPARE(label7.count(), 1);
        QCOMPARE(label7.at(0).at(0).toString(), QStringLiteral("2026-12-05 ") + timeText);
        QCOMPARE(state.recvStamp3, secondsOf(10, 0, 0));
        QCOMPARE(state.recvStamp2, secondsOf(10, 0, 1));
        QCOMPARE(state.recvStamp1, secondsOf(10, 0, 1));
    }

    void spareByteHasNoEffect()
    {
        auto first = makeLogic();
        auto second = makeLogic();
        first->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58, 0x00), 1);
        second->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x23, 0x59, 0x58, 0xAB), 1);
        QCOMPARE(first->receivedTime().recvDateTime, second->receivedTime().recvDateTime);
        QCOMPARE(first->receivedTime().recvStamp1, second->receivedTime().recvStamp1);
    }

    // The frames the simulator and benchmarks build decode to the time they were built from.
    void encodedFrameDecodes()
    {
        auto logic = makeLogic();
        const QDateTime time(QDate(2031, 4, 9), QTime(7, 5, 3));
        logic->receiveBytes(receiverFrame(time), 1);
        QCOMPARE(logic->receivedTime().recvDateTime, QStringLiteral("2031-04-09 07:05:03"));
        QCOMPARE(receiverFrame(time).at(7), char(0x03)); // a Wednesday
        QVERIFY(receiverFrame(QDateTime()).isEmpty());
    }

    void sampleButton()
    {
        auto logic = makeLogic();
        QSignalSpy captions(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->Command3_Click();
        QCOMPARE(logic->clickCount(), qint16(1));
        QCOMPARE(logic->receivedTime().recvDateTime, QStringLiteral("2003-08-23 12:13:1"));
        // "12:13:1" reads as a time of day like "12:13:01".
        QCOMPARE(logic->receivedTime().recvStamp1, secondsOf(12, 13, 1));
        QCOMPARE(logic->assembler().frameSlots()[6], QStringLiteral("04"));
        for (int click = 2; click <= 60; ++click) {
            logic->Command3_Click();
        }
        QCOMPARE(logic->receivedTime().recvTime, QStringLiteral("12:13:0"));
        logic->Command3_Click();
        QCOMPARE(logic->receivedTime().recvTime, QStringLiteral("12:13:1"));
        QCOMPARE(captions.count(), 61);
    }

    void sampleButtonCountStopsAtTop()
    {
        auto logic = makeLogic();
        for (int click = 0; click < 32770; ++click) {
            logic->Command3_Click();
        }
        QCOMPARE(logic->clickCount(), qint16(32767));
        QCOMPARE(logic->receivedTime().recvTime, QStringLiteral("12:13:7")); // 32767 % 60
    }

    void watchdog()
    {
        auto logic = makeLogic();
        logic->Timer5_Timer();
        QVERIFY(!logic->freshness().dataFresh);

        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, 0x00), 1);
        logic->Timer5_Timer();
        QVERIFY(logic->freshness().dataFresh);
        QCOMPARE(logic->freshness().lastSeenDateTime, QStringLiteral("2026-12-05 12:00:00"));

        // Frames go on: every tick sees a new text.
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, 0x02), 2);
        logic->Timer5_Timer();
        QVERIFY(logic->freshness().dataFresh);

        // Frames stop: stale at the next tick, within two ticks of the last change.
        logic->Timer5_Timer();
        QVERIFY(!logic->freshness().dataFresh);
        logic->Timer5_Timer();
        QVERIFY(!logic->freshness().dataFresh);
    }

    void watchdogRepeatedTextIsStale()
    {
        auto logic = makeLogic();
        const QByteArray frame = frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, 0x00);
        logic->receiveBytes(frame, 1);
        logic->Timer5_Timer();
        QVERIFY(logic->freshness().dataFresh);
        for (int tick = 0; tick < 3; ++tick) {
            logic->receiveBytes(frame + frame, 2 + tick);
            logic->Timer5_Timer();
            QVERIFY(!logic->freshness().dataFresh);
        }
    }

    void watchdogAfterStartUpReset()
    {
        auto logic = makeLogic();
        logic->receiveBytes(frameWith(0x20, 0x26, 0x12, 0x05, 0x12, 0x00, 0x00), 1);
        logic->Timer5_Timer();
        logic->Timer5_Timer();
        QVERIFY(!logic->freshness().dataFresh);
        logic->clearLastSeenDateTime();
        logic->Timer5_Timer();
        QVERIFY(logic->freshness().dataFresh);
    }
};

QTEST_GUILESS_MAIN(TestReceivedTime)
#include "test_receivedtime.moc"
