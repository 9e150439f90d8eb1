#include "frames/receptionlogic.h"
#include "manualclock.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (const int value : values) {
        result.append(char(value));
    }
    return result;
}

const QByteArray kWorkedFrame
    = bytes({ 0xAA, 0xA1, 0xA2, 0x20, 0x03, 0x08, 0x23, 0x04, 0x12, 0x13, 0x04, 0x03 });
const QString kWorkedText = QStringLiteral("2003-08-23 12:13:04");
const QByteArray kOtherFrame
    = bytes({ 0xAA, 0xA1, 0xA2, 0x20, 0x26, 0x12, 0x05, 0x06, 0x23, 0x59, 0x58, 0x03 });
const QString kOtherText = QStringLiteral("2026-12-05 23:59:58");

} // namespace

class TestFrameAssembler : public QObject
{
    Q_OBJECT
private:
    ManualClock m_clock;

    std::unique_ptr<ReceptionLogic> makeLogic()
    {
        return std::make_unique<ReceptionLogic>(m_clock, [] { return false; });
    }

private slots:
    void workedFrame_data()
    {
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("one read") << QList<int> { 12 };
        QTest::newRow("twelve reads") << QList<int> { 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 };
        QTest::newRow("end byte alone") << QList<int> { 11, 1 };
        QTest::newRow("start byte alone") << QList<int> { 1, 11 };
        QTest::newRow("three uneven reads") << QList<int> { 5, 2, 5 };
    }
    void workedFrame()
    {
        QFETCH(QList<int>, pieces);
        auto logic = makeLogic();
        QStringList order;
        connect(logic.get(), &ReceptionLogic::label7CaptionChanged, this,
                [&](const QString &text) { order << QStringLiteral("7 ") + text; });
        connect(logic.get(), &ReceptionLogic::label2CaptionChanged, this,
                [&](const QString &text) { order << QStringLiteral("2 ") + text; });
        qsizetype from = 0;
        for (const int size : pieces) {
            logic->receiveBytes(kWorkedFrame.mid(from, size), 1000 + from);
            from += size;
        }
        QCOMPARE(order,
                 (QStringList { QStringLiteral("7 ") + kWorkedText,
                                QStringLiteral("2 ") + kWorkedText }));
        QCOMPARE(logic->receivedTime().recvDate, QStringLiteral("2003-08-23"));
        QCOMPARE(logic->receivedTime().recvTime, QStringLiteral("12:13:04"));
        QCOMPARE(logic->assembler().frameIndex(), qint16(11));
        // The end byte arrived in the last read: its read time is the frame's end.
        QCOMPARE(logic->receivedTime().frameEndNs, qint64(1000 + 12 - pieces.last()));
    }

    // A start byte before the end slot is filled drops the partial frame without a display.
    void startByteBeforeEnd_data()
    {
        QTest::addColumn<int>("partialLength");
        for (int length = 1; length <= 11; ++length) {
            QTest::addRow("partial of %d bytes", length) << length;
        }
    }
    void startByteBeforeEnd()
    {
        QFETCH(int, partialLength);
        auto logic = makeLogic();
        QSignalSpy displays(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->receiveBytes(kWorkedFrame.left(partialLength), 1);
        QCOMPARE(displays.count(), 0);
        logic->receiveBytes(kOtherFrame, 2);
        QCOMPARE(displays.count(), 1);
        QCOMPARE(displays.at(0).at(0).toString(), kOtherText);
    }

    void startByteInsideRestarts()
    {
        auto logic = makeLogic();
        QSignalSpy displays(logic.get(), &ReceptionLogic::label2CaptionChanged);
        // 0xAA in the minute's place: what follows fills the slots from 0 again.
        QByteArray broken = kWorkedFrame;
        broken[9] = char(0xAA);
        logic->receiveBytes(broken, 1);
        QCOMPARE(displays.count(), 0);
        QCOMPARE(logic->assembler().frameIndex(), qint16(2));
        const auto &held = logic->assembler().frameSlots();
        QCOMPARE(held[0], QStringLiteral("04"));
        QCOMPARE(held[1], QStringLiteral("03"));
        for (int slot = 2; slot < FrameAssembler::kSlotCount; ++slot) {
            QVERIFY2(held[slot].isEmpty(), qPrintable(QString::number(slot)));
        }
    }

    // The header slot is left as it was by a start byte; only slots 1 to 12 are emptied.
    void startByteKeepsSlotZero()
    {
        auto logic = makeLogic();
        logic->receiveBytes(kWorkedFrame, 1);
        logic->receiveBytes(bytes({ 0xAA }), 2);
        QCOMPARE(logic->assembler().frameSlots()[0], QStringLiteral("A1"));
        QCOMPARE(logic->assembler().frameSlots()[10], QString());
        QCOMPARE(logic->assembler().frameIndex(), qint16(0));
    }

    void bytesAfterEndRepeatDisplay()
    {
        auto logic = makeLogic();
        QSignalSpy displays(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->receiveBytes(kWorkedFrame + bytes({ 0x00, 0x11 }), 500);
        logic->receiveBytes(bytes({ 0x03 }), 900);
        QCOMPARE(displays.count(), 4);
        for (const QList<QVariant> &display : displays) {
            QCOMPARE(display.at(0).toString(), kWorkedText);
        }
        // Repeats are no new frame: the end time stays that of the end byte's read.
        QCOMPARE(logic->receivedTime().frameEndNs, qint64(500));
        // The next start byte ends the repeats.
        logic->receiveBytes(bytes({ 0xAA, 0x05 }), 1000);
        QCOMPARE(displays.count(), 4);
    }

    void framesBackToBackDisplayOnce()
    {
        auto logic = makeLogic();
        QSignalSpy displays(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->receiveBytes(kWorkedFrame + kOtherFrame + kWorkedFrame, 1);
        QCOMPARE(displays.count(), 3);
        QCOMPARE(displays.at(1).at(0).toString(), kOtherText);
    }

    // Bytes before the first start byte fill the slots as if one had just been seen.
    void frameWithoutStartByteAtProgramStart()
    {
        auto logic = makeLogic();
        QSignalSpy displays(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->receiveBytes(kWorkedFrame.mid(1), 1);
        QCOMPARE(displays.count(), 1);
        QCOMPARE(logic->receivedTime().recvDateTime, kWorkedText);
    }

    void letterByteShownAndStored()
    {
        auto logic = makeLogic();
        logic->receiveBytes(bytes({ 0x0A }), 1);
        QCOMPARE(logic->dump().text(), QStringLiteral(" A "));
        QCOMPARE(logic->assembler().frameSlots()[0], QStringLiteral("A"));
        QCOMPARE(logic->assembler().frameIndex(), qint16(1));
    }

    void fourteenBytesWithoutStart()
    {
        auto logic = makeLogic();
        QByteArray stream;
        for (int value = 0x10; value < 0x10 + 14; ++value) {
            stream.append(char(value));
        }
        logic->receiveBytes(stream, 1);
        const auto &held = logic->assembler().frameSlots();
        for (int slot = 0; slot < FrameAssembler::kSlotCount; ++slot) {
            QCOMPARE(held[slot], QString::number(0x10 + slot, 16).toUpper());
        }
        QCOMPARE(logic->assembler().frameIndex(), qint16(14));
        // The fourteenth byte is shown although it has no slot.
        QVERIFY(logic->dump().text().endsWith(QStringLiteral(" 1D ")));
        QCOMPARE(logic->dump().text().size(), 14 * 4);
    }

    void indexStopsAtTop()
    {
        auto logic = makeLogic();
        logic->receiveBytes(QByteArray(40000, char(0x55)), 1);
        QCOMPARE(logic->assembler().frameIndex(), qint16(32767));
        logic->receiveBytes(QByteArray(10, char(0x03)), 2);
        QCOMPARE(logic->assembler().frameIndex(), qint16(32767));
        // The surplus never reached the slots, so no end byte sits in slot 10.
        QCOMPARE(logic->assembler().frameSlots()[10], QStringLiteral("55"));
        // A start byte still resynchronises.
        QSignalSpy displays(logic.get(), &ReceptionLogic::label2CaptionChanged);
        logic->receiveBytes(kWorkedFrame, 3);
        QCOMPARE(displays.count(), 1);
    }

    void emptyReadChangesNothing()
    {
        auto logic = makeLogic();
        QSignalSpy dumps(logic.get(), &ReceptionLogic::dumpChanged);
        logic->receiveBytes(QByteArray(), 1);
        QCOMPARE(dumps.count(), 0);
        QCOMPARE(logic->assembler().frameIndex(), qint16(0));
    }

    // One announcement of the dump per receive event, however many bytes it carried.
    void dumpAnnouncedOncePerRead()
    {
        auto logic = makeLogic();
        QSignalSpy dumps(logic.get(), &ReceptionLogic::dumpChanged);
        logic->receiveBytes(kWorkedFrame + kOtherFrame, 1);
        QCOMPARE(dumps.count(), 1);
        logic->receiveBytes(kWorkedFrame.left(3), 2);
        QCOMPARE(dumps.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "test_frameassembler.moc"
