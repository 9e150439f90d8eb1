#include "frames/commeventhandler.h"
#include "frames/dumptext.h"
#include "frames/receiverframe.h"
#include "framestest.h"

#include <QTest>

namespace {

// Stands in for the port where a pseudo-terminal cannot help: line errors, and a receive
// event on a closed port. Records every call in order and can refuse every write.
struct RecordingPort
{
    enum : int { EventReceive = 2, ErrorBreak = 1001, ErrorFrame = 1004, ErrorOverrun = 1006 };
    enum : int { ErrorRxOver = 1008 };
    int event = EventReceive;
    bool open = true;
    bool refuseWrites = false;
    QByteArray waiting;
    QStringList calls;

    template<typename T> T noted(const QString &call, T result)
    {
        calls << call;
        return result;
    }
    Outcome record(const QString &call)
    {
        return noted(call, refuseWrites ? Outcome(ErrorValue { 8002, u"refused"_s }) : Outcome());
    }
    int commEvent() { return noted(u"commEvent"_s, event); }
    bool portOpen() { return noted(u"portOpen"_s, open); }
    Outcome setPortOpen(bool value) { return record(u"setPortOpen %1"_s.arg(value)); }
    Outcome setInputLen(int value) { return record(u"setInputLen %1"_s.arg(value)); }
    Outcome setInputMode(int value) { return record(u"setInputMode %1"_s.arg(value)); }
    QByteArray input() { return noted(u"input"_s, std::exchange(waiting, {})); }
    Outcome clearCommError() { return record(u"clearCommError"_s); }
};

} // namespace

// Received bytes through their texts, the frame assembler and the dump into the received time.
class TestReceptionLogic : public QObject
{
    Q_OBJECT
private slots:
    // The end byte is stamped with its read only when it can have arrived just then: while the
    // frame streams in, or about a second after the frame before.
    void frameEndStamp_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<int>("gapMs"); // to the second read
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("stamped"); // with the second read's time, else 0
        const QByteArray whole = kWorkedFrame;
        const QByteArray head = kWorkedFrame.left(11);
        const QByteArray end = kWorkedFrame.right(1);
        QTest::newRow("end byte 20 ms after the rest") << head << 20 << end << true;
        QTest::newRow("end byte 21 ms after the rest") << head << 21 << end << false;
        QTest::newRow("whole, 1025 ms after the last") << whole << 1025 << whole << true;
        QTest::newRow("whole, 1026 ms after the last") << whole << 1026 << whole << false;
        QTest::newRow("whole, 975 ms after the last") << whole << 975 << whole << true;
        QTest::newRow("the first frame, whole") << QByteArray() << 1000 << whole << false;
        QTest::newRow("two frames in one read") << whole << 1000 << whole + whole << false;
    }
    void frameEndStamp()
    {
        QFETCH(QByteArray, first);
        QFETCH(int, gapMs);
        QFETCH(QByteArray, second);
        Reception reception;
        QList<qint64> announced; // the stamp must be set before the end is announced
        connect(&reception.logic, &ReceptionLogic::frameEnded, this,
                [&] { announced << reception.logic.receivedTime().frameEndNs; });
        reception.logic.receiveBytes(first, 5'000'000'000);
        const qint64 secondNs = 5'000'000'000 + gapMs * 1'000'000LL;
        reception.logic.receiveBytes(second, secondNs);
        QFETCH(bool, stamped);
        QCOMPARE(reception.logic.receivedTime().frameEndNs, stamped ? secondNs : 0);
        QCOMPARE(announced.constLast(), stamped ? secondNs : 0);
    }

    // A start byte after any part of a frame drops that part unseen.
    void startByteResynchronises()
    {
        for (int length = 1; length <= 11; ++length) {
            Reception reception;
            reception.logic.receiveBytes(kWorkedFrame.left(length) + kDecemberFrame, 1);
            QVERIFY2(texts(reception.displays) == QStringList { kDecemberText },
                     qPrintable(QString::number(length)));
        }
    }

    // Without a start byte the bytes fill slots 0 to 12 and no further (0x0A to 0x0F as one
    // letter); a start byte empties slots 1 to 12.
    void bytesWithoutStartByte()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        const FrameAssembler::Slots &held = logic.assembler().frameSlots();
        logic.receiveBytes(QByteArray::fromHex("0A101112131415161718191A1B1C"), 1);
        QCOMPARE(held[0], u"A"_s);
        for (int slot = 1; slot < FrameAssembler::kSlotCount; ++slot) {
            QCOMPARE(held[slot], QString::number(0x0F + slot, 16).toUpper());
        }
        QCOMPARE(logic.assembler().frameIndex(), qint16(14));
        QCOMPARE(logic.dump().text().size(), 14 * 4 - 1);
        QVERIFY(logic.dump().text().startsWith(u" A  10 "_s));
        logic.receiveBytes(QByteArray::fromHex("AA"), 2);
        QCOMPARE(held, (FrameAssembler::Slots { u"A"_s })); // slot 0 is left alone
        QCOMPARE(logic.assembler().frameIndex(), qint16(0));
    }

    // Each whole frame is shown once, the first even without its start byte (program start),
    // and the dump is announced once per read. Bytes after the end byte show it again.
    void framesBackToBack()
    {
        Reception reception;
        QSignalSpy dumps(&reception.logic, &ReceptionLogic::dumpChanged);
        reception.logic.receiveBytes(kWorkedFrame.mid(1) + kDecemberFrame + kWorkedFrame, 1);
        QCOMPARE(dumps.count(), 1);
        reception.logic.receiveBytes(QByteArray::fromHex("0011AA05"), 2);
        QCOMPARE(
            texts(reception.displays),
            (QStringList { kWorkedText, kDecemberText, kWorkedText, kWorkedText, kWorkedText }));
    }

    // Over 10000 characters the oldest 2096 go before the append; a start byte gets a line
    // break in place of the blank before it. With nothing before it that step fails, and the
    // rest of the append still runs.
    void dumpAppend_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("failed");
        const auto filler
            = [](qsizetype length) { return u'<' + QString(length - 2, u'x') + u'>'; };
        QTest::newRow("10000 unchanged")
            << filler(10000) << u" 03 "_s << filler(10000) + u" 03 "_s << false;
        QTest::newRow("10001 cut")
            << filler(10001) << u" 03 "_s << filler(10001).right(7905) + u" 03 "_s << false;
        QTest::newRow("start byte") << u"x"_s << u" AA "_s << u"x\r\nAA "_s << false;
        QTest::newRow("other byte") << u"x"_s << u" A1 "_s << u"x A1 "_s << false;
        QTest::newRow("after text") << u"x"_s << u" 03  AA "_s << u"x 03 \r\nAA "_s << false;
        QTest::newRow("at the front") << u""_s << u"AA  AA "_s << u"AA \r\nAA "_s << true;
    }
    void dumpAppend()
    {
        QFETCH(QString, before);
        QFETCH(QString, data);
        DumpText dump;
        QVERIFY(!dump.append(before));
        QFETCH(bool, failed);
        QCOMPARE(bool(dump.append(data)), failed);
        QTEST(dump.text(), "expected");
    }

    // The frame's date, or with the mask on the computer's date without leading zeros, asked
    // at every frame. The stamps (seconds of the day) shift by one a frame; a time that is no
    // time of day shifts them too, the newest keeping its value.
    void receivedTime_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QDate>("maskToday"); // the computer's date with the mask on, else none
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("newestStamp");
        const QDate none;
        const auto december = [](const char *time) { return u"2026-12-05 "_s + time; };
        QTest::newRow("frame's date") << kDecemberFrame << none << kDecemberText << 86398;
        QTest::newRow("no leading zeros")
            << kDecemberFrame << QDate(2026, 1, 7) << u"2026-1-7 23:59:58"_s << 86398;
        QTest::newRow("hour 24") << frameAt(0x24, 0, 0) << none << december("24:00:00") << 36001;
        QTest::newRow("minute 60")
            << frameAt(0x12, 0x60, 0) << none << december("12:60:00") << 36001;
        QTest::newRow("second 60")
            << frameAt(0x12, 0, 0x60) << none << december("12:00:60") << 36001;
        QTest::newRow("lone letter") << frameAt(0x0B, 0, 0) << none << december("B:00:00") << 36001;
    }
    void receivedTime()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QDate, maskToday);
        Reception reception;
        reception.clock.setNow(
            QDateTime(maskToday.isValid() ? maskToday : QDate(2026, 1, 7), QTime(12, 0)));
        reception.maskOn = !maskToday.isValid();
        reception.logic.receiveBytes(frameAt(0x10, 0, 0) + frameAt(0x10, 0, 1), 1);
        reception.maskOn = maskToday.isValid();
        reception.logic.receiveBytes(frame, 2);
        QTEST(texts(reception.displays).constLast(), "shown");
        const ReceivedTimeState &state = reception.logic.receivedTime();
        QCOMPARE(state.recvStamp3, 36000);
        QCOMPARE(state.recvStamp2, 36001);
        QTEST(state.recvStamp1, "newestStamp");
    }

    // The simulator's frame: the time in BCD, the day of the week (3: a Wednesday) in the spare.
    void simulatorFrame()
    {
        QCOMPARE(receiverFrame(QDateTime(QDate(2031, 4, 9), QTime(17, 45, 39))),
                 QByteArray::fromHex("AAA1A2203104090317453903"));
        QVERIFY(receiverFrame(QDateTime()).isEmpty());
    }

    // The sample frame's second is the click count modulo 60; the count stops at 32767.
    void sampleButton()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        QStringList times;
        for (int click = 1; click <= 32770; ++click) {
            logic.Command3_Click();
            times << logic.receivedTime().recvTime;
        }
        QCOMPARE(texts(reception.displays).first(), u"2003-08-23 12:13:1"_s);
        QCOMPARE(logic.receivedTime().recvStamp1, 43987); // 12:13:07
        QCOMPARE(times.mid(58, 3), (QStringList { u"12:13:59"_s, u"12:13:0"_s, u"12:13:1"_s }));
        QCOMPARE(logic.clickCount(), qint16(32767));
        QCOMPARE(times.constLast(), u"12:13:7"_s); // 32767 % 60
    }

    // Fresh after a new text, stale at the next tick without one, stale for a repeated text,
    // fresh again after the start-up reset.
    void watchdog()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        const QByteArray frame = frameAt(0x12, 0x00, 0x00);
        QList<bool> fresh;
        for (const QByteArray &read :
             { QByteArray(), frame, frame + frame, kDecemberFrame, QByteArray() }) {
            logic.receiveBytes(read, 1);
            logic.Timer5_Timer();
            fresh << logic.freshness().dataFresh;
        }
        logic.clearLastSeenDateTime();
        logic.Timer5_Timer();
        fresh << logic.freshness().dataFresh;
        QCOMPARE(fresh, (QList<bool> { false, true, false, true, false, true }));
        QCOMPARE(logic.freshness().lastSeenDateTime, kDecemberText);
    }

    // A receive event reads everything raw, opening a closed port first; a refused step is
    // skipped. Line errors clear the port's error state; they and all other events read nothing.
    void commEvent_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("calls");
        const QString read = u",setInputLen 0,setInputMode 1,input"_s;
        QTest::newRow("receive") << 2 << true << false << u"commEvent,portOpen"_s + read;
        QTest::newRow("closed") << 2 << false << false
                                << u"commEvent,portOpen,setPortOpen 1"_s + read;
        QTest::newRow("refused") << 2 << false << true
                                 << u"commEvent,portOpen,setPortOpen 1"_s + read;
        for (const int event : { 1001, 1004, 1006, 1008 }) {
            QTest::addRow("line error %d", event)
                << event << true << false << u"commEvent,clearCommError"_s;
        }
        for (const int event : { 0, 1, 3, 4, 5, 6, 7, 1002, 1003, 1007, 1009, 1010, 1011, 9999 }) {
            QTest::addRow("event %d", event) << event << false << false << u"commEvent"_s;
        }
    }
    void commEvent()
    {
        QFETCH(int, event);
        QFETCH(bool, open);
        QFETCH(bool, refuse);
        Reception reception;
        RecordingPort port { event, open, refuse, kWorkedFrame, {} };
        handleCommEvent(port, reception.logic);
        QTEST(port.calls.join(u','), "calls");
        QCOMPARE(reception.logic.receivedTime().recvDateTime,
                 event == RecordingPort::EventReceive ? kWorkedText : QString());
    }
};

QTEST_GUILESS_MAIN(TestReceptionLogic)
#include "test_receptionlogic.moc"
