#include "frames/commeventhandler.h"
#include "framestest.h"

#include <QTest>

namespace {

// Stands in for the port where a pseudo-terminal cannot help: line errors, and a receive
// event on a closed port. Records every call in order and can refuse every write.
struct RecordingPort
{
    enum : int {
        EventReceive = 2,
        ErrorBreak = 1001,
        ErrorFrame = 1004,
        ErrorOverrun = 1006,
        ErrorRxOver = 1008,
    };

    explicit RecordingPort(QByteArray bytes, int firstEvent = EventReceive, bool isOpen = true)
        : event(firstEvent)
        , open(isOpen)
        , waiting(std::move(bytes))
    {
    }

    int event;
    bool open;
    QByteArray waiting;
    bool refuseWrites = false;
    QStringList calls;

    Outcome record(const QString &call)
    {
        calls << call;
        return refuseWrites ? Outcome(ErrorValue { 8002, u"refused"_s }) : Outcome();
    }
    int commEvent()
    {
        calls << u"commEvent"_s;
        return event;
    }
    bool portOpen()
    {
        calls << u"portOpen"_s;
        return open;
    }
    Outcome setPortOpen(bool value) { return record(u"setPortOpen %1"_s.arg(value)); }
    Outcome setInputLen(int value) { return record(u"setInputLen %1"_s.arg(value)); }
    Outcome setInputMode(int value) { return record(u"setInputMode %1"_s.arg(value)); }
    QByteArray input()
    {
        calls << u"input"_s;
        return std::exchange(waiting, {});
    }
    Outcome clearCommError() { return record(u"clearCommError"_s); }
};

} // namespace

class TestCommEventHandler : public QObject
{
    Q_OBJECT
private slots:
    void receiveOrder_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QStringList>("calls");
        const QStringList start { u"commEvent"_s, u"portOpen"_s };
        const QStringList read { u"setInputLen 0"_s, u"setInputMode 1"_s, u"input"_s };
        QTest::newRow("open port") << true << false << start + read;
        QTest::newRow("closed port opened first")
            << false << false << start + QStringList { u"setPortOpen 1"_s } + read;
        // Every refused step is skipped, and the bytes are still read and handled.
        QTest::newRow("failing steps skipped")
            << false << true << start + QStringList { u"setPortOpen 1"_s } + read;
    }
    void receiveOrder()
    {
        QFETCH(bool, open);
        QFETCH(bool, refuse);
        QFETCH(QStringList, calls);
        Reception reception;
        RecordingPort port(kWorkedFrame, RecordingPort::EventReceive, open);
        port.refuseWrites = refuse;
        handleCommEvent(port, reception.logic);
        QCOMPARE(port.calls, calls);
        QCOMPARE(reception.logic.receivedTime().recvDateTime, kWorkedText);
    }

    // Line errors clear the port's error state, read nothing and leave a half-received frame
    // alone: its remaining bytes still complete it.
    void lineErrors_data()
    {
        QTest::addColumn<int>("event");
        QTest::newRow("break") << 1001;
        QTest::newRow("framing") << 1004;
        QTest::newRow("overrun") << 1006;
        QTest::newRow("buffer overflow") << 1008;
    }
    void lineErrors()
    {
        QFETCH(int, event);
        Reception reception;
        const ReceptionLogic &logic = reception.logic;
        RecordingPort port(kWorkedFrame.left(6));
        handleCommEvent(port, reception.logic);
        const FrameAssembler before = logic.assembler();
        const QString dumpBefore = logic.dump().text();

        port.calls.clear();
        port.event = event;
        port.waiting = kWorkedFrame.mid(6);
        handleCommEvent(port, reception.logic);
        QCOMPARE(port.calls, (QStringList { u"commEvent"_s, u"clearCommError"_s }));
        QCOMPARE(logic.assembler().frameSlots(), before.frameSlots());
        QCOMPARE(logic.assembler().frameIndex(), before.frameIndex());
        QCOMPARE(logic.dump().text(), dumpBefore);

        port.event = RecordingPort::EventReceive;
        handleCommEvent(port, reception.logic);
        QCOMPARE(logic.receivedTime().recvDateTime, kWorkedText);
    }

    void otherEventsDoNothing_data()
    {
        QTest::addColumn<int>("event");
        for (const int event : { 0, 1, 3, 4, 5, 6, 7, 1002, 1003, 1007, 1009, 1010, 1011, 9999 }) {
            QTest::addRow("event %d", event) << event;
        }
    }
    void otherEventsDoNothing()
    {
        QFETCH(int, event);
        Reception reception;
        QSignalSpy dumps(&reception.logic, &ReceptionLogic::dumpChanged);
        RecordingPort port(kWorkedFrame, event, false);
        handleCommEvent(port, reception.logic);
        QCOMPARE(port.calls, QStringList { u"commEvent"_s });
        QCOMPARE(reception.logic.assembler().frameIndex(), qint16(0));
        QCOMPARE(dumps.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCommEventHandler)
#include "test_commeventhandler.moc"
