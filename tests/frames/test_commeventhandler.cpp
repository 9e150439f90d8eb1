#include "frames/commeventhandler.h"
#include "manualclock.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Stands in for the port where a pseudo-terminal cannot help: it raises no line errors and
// never delivers a receive event to a closed port. It records every call in order and can
// refuse each write.
struct RecordingPort
{
    enum : int {
        EventReceive = 2,
        ErrorBreak = 1001,
        ErrorFrame = 1004,
        ErrorOverrun = 1006,
        ErrorRxOver = 1008,
    };

    int event = EventReceive;
    bool open = true;
    bool refuseWrites = false;
    QByteArray waiting;
    QStringList calls;

    Outcome answer() const
    {
        return refuseWrites ? Outcome(ErrorValue { 8002, QStringLiteral("refused") }) : Outcome();
    }
    int commEvent()
    {
        calls << QStringLiteral("commEvent");
        return event;
    }
    bool portOpen()
    {
        calls << QStringLiteral("portOpen");
        return open;
    }
    Outcome setPortOpen(bool value)
    {
        calls << QStringLiteral("setPortOpen %1").arg(value);
        return answer();
    }
    Outcome setInputLen(int value)
    {
        calls << QStringLiteral("setInputLen %1").arg(value);
        return answer();
    }
    Outcome setInputMode(int value)
    {
        calls << QStringLiteral("setInputMode %1").arg(value);
        return answer();
    }
    QByteArray input()
    {
        calls << QStringLiteral("input");
        return std::exchange(waiting, QByteArray());
    }
    Outcome clearCommError()
    {
        calls << QStringLiteral("clearCommError");
        return answer();
    }
};

const QByteArray kFrame = QByteArray::fromHex("AAA1A2200308230412130403");

} // namespace

class TestCommEventHandler : public QObject
{
    Q_OBJECT
private:
    ManualClock m_clock;

private slots:
    void receiveOrder_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QStringList>("calls");
        const QStringList read { QStringLiteral("setInputLen 0"), QStringLiteral("setInputMode 1"),
                                 QStringLiteral("input") };
        const QStringList start { QStringLiteral("commEvent"), QStringLiteral("portOpen") };
        QTest::newRow("open port") << true << false << start + read;
        QTest::newRow("closed port opened first")
            << false << false << start + QStringList { QStringLiteral("setPortOpen 1") } + read;
        // Every refused step is skipped and the bytes are still read and handled.
        QTest::newRow("failing steps skipped")
            << false << true << start + QStringList { QStringLiteral("setPortOpen 1") } + read;
    }
    void receiveOrder()
    {
        QFETCH(bool, open);
        QFETCH(bool, refuse);
        QFETCH(QStringList, calls);
        ReceptionLogic logic(m_clock, [] { return false; });
        RecordingPort port;
        port.open = open;
        port.refuseWrites = refuse;
        port.waiting = kFrame;
        handleCommEvent(port, logic);
        QCOMPARE(port.calls, calls);
        QCOMPARE(logic.receivedTime().recvDateTime, QStringLiteral("2003-08-23 12:13:04"));
        QVERIFY(logic.receivedTime().frameEndNs > 0);
    }

    // Line errors clear the port's error state and leave a half-received frame alone: its
    // remaining bytes still complete it.
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
        ReceptionLogic logic(m_clock, [] { return false; });
        RecordingPort port;
        port.waiting = kFrame.left(6);
        handleCommEvent(port, logic);
        const FrameAssembler before = logic.assembler();
        const QString dumpBefore = logic.dump().text();

        port.calls.clear();
        port.event = event;
        port.waiting = kFrame.mid(6); // waiting bytes are not read on a line error
        handleCommEvent(port, logic);
        QCOMPARE(port.calls,
                 (QStringList { QStringLiteral("commEvent"), QStringLiteral("clearCommError") }));
        QCOMPARE(logic.assembler().frameSlots(), before.frameSlots());
        QCOMPARE(logic.assembler().frameIndex(), before.frameIndex());
        QCOMPARE(logic.dump().text(), dumpBefore);

        port.event = RecordingPort::EventReceive;
        handleCommEvent(port, logic);
        QCOMPARE(logic.receivedTime().recvDateTime, QStringLiteral("2003-08-23 12:13:04"));
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
        ReceptionLogic logic(m_clock, [] { return false; });
        QSignalSpy dumps(&logic, &ReceptionLogic::dumpChanged);
        RecordingPort port;
        port.event = event;
        port.open = false;
        port.waiting = kFrame;
        handleCommEvent(port, logic);
        QCOMPARE(port.calls, QStringList { QStringLiteral("commEvent") });
        QCOMPARE(logic.assembler().frameIndex(), qint16(0));
        QCOMPARE(dumps.count(), 0);
    }

    void nothingWaiting()
    {
        ReceptionLogic logic(m_clock, [] { return false; });
        QSignalSpy dumps(&logic, &ReceptionLogic::dumpChanged);
        RecordingPort port;
        handleCommEvent(port, logic);
        QCOMPARE(dumps.count(), 0);
        QVERIFY(logic.dump().text().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommEventHandler)
#include "test_commeventhandler.moc"
