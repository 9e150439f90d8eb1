#include "frames/bytetext.h"
#include "framestest.h"

#include <QTest>

// Received bytes through their texts into the frame assembler and the display of a frame.
class TestFrameAssembler : public QObject
{
    Q_OBJECT
private slots:
    // Two upper-case hexadecimal digits, except 0x0A to 0x0F, which stay one letter.
    void byteTexts()
    {
        for (int byte = 0; byte < 256; ++byte) {
            const QString &text = byteText(quint8(byte));
            QCOMPARE(text.size(), byte >= 0x0A && byte <= 0x0F ? 1 : 2);
            QCOMPARE(text, text.toUpper());
            QCOMPARE(text.toInt(nullptr, 16), byte);
        }
    }

    void workedFrame_data()
    {
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("one read") << QList<int> { 12 };
        QTest::newRow("twelve reads") << QList<int>(12, 1);
        QTest::newRow("end byte alone") << QList<int> { 11, 1 };
        QTest::newRow("three uneven reads") << QList<int> { 5, 2, 5 };
    }
    void workedFrame()
    {
        QFETCH(QList<int>, pieces);
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        QStringList order;
        connect(&logic, &ReceptionLogic::label7CaptionChanged, this,
                [&](const QString &text) { order << u"7 "_s + text; });
        connect(&logic, &ReceptionLogic::label2CaptionChanged, this,
                [&](const QString &text) { order << u"2 "_s + text; });
        // Announced once the frame's end is stamped, for whoever passes the time on.
        connect(&logic, &ReceptionLogic::frameEnded, this,
                [&] { order << u"end "_s + QString::number(logic.receivedTime().frameEndNs); });
        qsizetype from = 0;
        for (const int size : pieces) {
            logic.receiveBytes(kWorkedFrame.mid(from, size), 1000 + from);
            from += size;
        }
        // The frame ended with the read that brought its end byte; read whole as the first
        // frame, when it arrived is not known.
        const qint64 endNs = pieces.size() == 1 ? 0 : qint64(1000 + 12 - pieces.last());
        QCOMPARE(order,
                 (QStringList { u"7 "_s + kWorkedText, u"2 "_s + kWorkedText,
                                u"end "_s + QString::number(endNs) }));
        QCOMPARE(logic.assembler().frameIndex(), qint16(11));
        QCOMPARE(logic.receivedTime().frameEndNs, endNs);
    }

    // The newest frame is stamped with its read only when its end byte can have arrived just
    // then: while its bytes stream in, or a second after the frame before it.
    void frameEndStamp_data()
    {
        QTest::addColumn<QList<qint64>>("readsMs"); // one frame per read, the last one split
        QTest::addColumn<qint64>("lastPieceMs"); // the end byte's own read (0: not split)
        QTest::addColumn<bool>("stamped");
        QTest::newRow("end byte 20 ms after the rest") << QList<qint64> { 0 } << 20LL << true;
        QTest::newRow("end byte 21 ms after the rest") << QList<qint64> { 0 } << 21LL << false;
        QTest::newRow("whole, 1025 ms after the last") << QList<qint64> { 0, 1025 } << 0LL << true;
        QTest::newRow("whole, 1026 ms after the last") << QList<qint64> { 0, 1026 } << 0LL << false;
        QTest::newRow("whole, 975 ms after the last") << QList<qint64> { 0, 975 } << 0LL << true;
        QTest::newRow("whole after a stall") << QList<qint64> { 0, 1300 } << 0LL << false;
        QTest::newRow("the first frame, whole") << QList<qint64> { 1000 } << 0LL << false;
    }
    void frameEndStamp()
    {
        QFETCH(QList<qint64>, readsMs);
        QFETCH(qint64, lastPieceMs);
        QFETCH(bool, stamped);
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        constexpr qint64 ms = 1'000'000;
        const qint64 start = 5000 * ms;
        for (qsizetype read = 0; read + 1 < readsMs.size(); ++read) {
            logic.receiveBytes(kWorkedFrame, start + readsMs.at(read) * ms);
        }
        const qint64 last = start + readsMs.constLast() * ms;
        qint64 endRead = last;
        if (lastPieceMs > 0) {
            logic.receiveBytes(kWorkedFrame.left(11), last);
            endRead = last + lastPieceMs * ms;
            logic.receiveBytes(kWorkedFrame.right(1), endRead);
        } else {
            logic.receiveBytes(kWorkedFrame, last);
        }
        QCOMPARE(logic.receivedTime().frameEndNs, stamped ? endRead : 0);
    }

    // Two frames in one read: the older waited a second at least, so neither is stamped.
    void twoFramesInOneRead()
    {
        Reception reception;
        reception.logic.receiveBytes(kWorkedFrame, 5'000'000'000);
        reception.logic.receiveBytes(kWorkedFrame + kDecemberFrame, 5'000'000'005);
        QCOMPARE(texts(reception.displays).constLast(), kDecemberText);
        QCOMPARE(reception.logic.receivedTime().frameEndNs, 0);
    }

    // A start byte before the end slot is filled drops the partial frame unseen.
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
        Reception reception;
        reception.logic.receiveBytes(kWorkedFrame.left(partialLength) + kDecemberFrame, 1);
        QCOMPARE(texts(reception.displays), QStringList { kDecemberText });
    }

    void startByteInsideRestarts()
    {
        Reception reception;
        QByteArray broken = kWorkedFrame;
        broken[9] = char(0xAA); // in the minute's place: what follows fills slots from 0 again
        reception.logic.receiveBytes(broken, 1);
        QCOMPARE(reception.displays.count(), 0);
        const FrameAssembler &assembler = reception.logic.assembler();
        QCOMPARE(assembler.frameIndex(), qint16(2));
        QCOMPARE(assembler.frameSlots()[0], u"04"_s);
        QCOMPARE(assembler.frameSlots()[1], u"03"_s);
        for (int slot = 2; slot < FrameAssembler::kSlotCount; ++slot) {
            QVERIFY2(assembler.frameSlots()[slot].isEmpty(), qPrintable(QString::number(slot)));
        }
    }

    // Bytes after the end byte show the frame again until a start byte, which empties slots
    // 1 to 12 and leaves slot 0 as it was.
    void bytesAfterEndRepeatDisplay()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        logic.receiveBytes(kWorkedFrame + QByteArray::fromHex("0011"), 500);
        logic.receiveBytes(QByteArray::fromHex("03"), 900);
        QCOMPARE(texts(reception.displays), QStringList(4, kWorkedText));
        QCOMPARE(logic.receivedTime().frameEndNs, 0); // the first frame, read whole
        logic.receiveBytes(QByteArray::fromHex("AA"), 1000);
        QCOMPARE(logic.assembler().frameSlots()[0], u"A1"_s);
        QCOMPARE(logic.assembler().frameSlots()[10], QString());
        QCOMPARE(logic.assembler().frameIndex(), qint16(0));
        logic.receiveBytes(QByteArray::fromHex("05"), 1100);
        QCOMPARE(reception.displays.count(), 4);
    }

    // Each whole frame is shown once, the first even without its start byte (program start).
    void framesBackToBack()
    {
        Reception reception;
        reception.logic.receiveBytes(kWorkedFrame.mid(1) + kDecemberFrame + kWorkedFrame, 1);
        QCOMPARE(texts(reception.displays),
                 (QStringList { kWorkedText, kDecemberText, kWorkedText }));
    }

    // 0x0A shows as " A " and is stored as "A"; bytes without a start byte fill slots 0 to 12
    // and no further, while the dump still shows them all.
    void bytesWithoutStartByte()
    {
        Reception reception;
        const ReceptionLogic &logic = reception.logic;
        QByteArray stream = QByteArray::fromHex("0A");
        for (int value = 0x10; value <= 0x1C; ++value) {
            stream.append(char(value));
        }
        reception.logic.receiveBytes(stream, 1);
        const FrameAssembler::Slots &held = logic.assembler().frameSlots();
        QCOMPARE(held[0], u"A"_s);
        for (int slot = 1; slot < FrameAssembler::kSlotCount; ++slot) {
            QCOMPARE(held[slot], QString::number(0x0F + slot, 16).toUpper());
        }
        QCOMPARE(logic.assembler().frameIndex(), qint16(14));
        QVERIFY(logic.dump().text().startsWith(u" A  10 "_s));
        QVERIFY(logic.dump().text().endsWith(u" 1B  1C "_s));
        QCOMPARE(logic.dump().text().size(), 14 * 4 - 1);
    }

    void indexStopsAtTop()
    {
        Reception reception;
        ReceptionLogic &logic = reception.logic;
        logic.receiveBytes(QByteArray(40000, char(0x55)), 1);
        QCOMPARE(logic.assembler().frameIndex(), qint16(32767));
        logic.receiveBytes(QByteArray(10, char(0x03)), 2);
        QCOMPARE(logic.assembler().frameIndex(), qint16(32767));
        // The surplus never wrapped round into the slots, so no end byte sits in slot 10.
        QCOMPARE(logic.assembler().frameSlots()[10], u"55"_s);
        logic.receiveBytes(kWorkedFrame, 3); // a start byte still resynchronises
        QCOMPARE(texts(reception.displays), QStringList { kWorkedText });
    }

    // The dump is announced once per receive event, however many bytes it carried.
    void dumpAnnouncedOncePerRead()
    {
        Reception reception;
        QSignalSpy dumps(&reception.logic, &ReceptionLogic::dumpChanged);
        reception.logic.receiveBytes(kWorkedFrame + kDecemberFrame, 1);
        QCOMPARE(dumps.count(), 1);
        reception.logic.receiveBytes(QByteArray(), 2);
        QCOMPARE(dumps.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "test_frameassembler.moc"
