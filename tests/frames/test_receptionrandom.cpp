#include "frames/bytetext.h"
#include "frames/receiverframe.h"
#include "frames/receptionpanel.h"
#include "framestest.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

namespace {

// A long stream of what a line may carry: whole frames, frames cut short, frames with a
// start byte inside, runs of end or start bytes, and noise. Notes the text of every whole
// frame.
QByteArray randomStream(QRandomGenerator &random, qsizetype length, QStringList &wholeFrames)
{
    QByteArray stream;
    while (stream.size() < length) {
        const QDateTime time(
            QDate(2000 + random.bounded(100), 1 + random.bounded(12), 1 + random.bounded(28)),
            QTime(random.bounded(24), random.bounded(60), random.bounded(60)));
        QByteArray frame = receiverFrame(time);
        switch (random.bounded(7)) {
        case 3:
            stream += frame.left(1 + random.bounded(11));
            break;
        case 4:
            frame[1 + random.bounded(10)] = char(0xAA);
            stream += frame;
            break;
        case 5:
            stream += QByteArray(1 + random.bounded(20), random.bounded(2) ? 0x03 : 0xAA);
            break;
        case 6:
            for (int count = random.bounded(200); count > 0; --count) {
                stream.append(char(random.bounded(256)));
            }
            break;
        default:
            stream += frame;
            wholeFrames << time.toString(u"yyyy-MM-dd HH:mm:ss"_s);
            break;
        }
    }
    return stream;
}

} // namespace

class TestReceptionRandom : public QObject
{
    Q_OBJECT
private slots:
    void invariantsHold_data()
    {
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : { 1u, 2u, 3u, 42u, 20261205u }) {
            QTest::addRow("seed %u", seed) << seed;
        }
    }
    void invariantsHold()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        QStringList wholeFrames;
        const QByteArray stream = randomStream(random, 150000, wholeFrames);
        Reception reception;
        const ReceptionLogic &logic = reception.logic;
        QPlainTextEdit term;
        ReceptionPanel panel(ReceptionControls { &term, nullptr, nullptr }, reception.logic);

        QString everything; // every byte as " t ": the dump must always be its end
        QList<quint8> sinceStart; // the first bytes after the last start byte
        qint64 countSinceStart = 0;
        for (qsizetype position = 0; position < stream.size();) {
            const QByteArray chunk = stream.mid(position, 1 + random.bounded(300));
            position += chunk.size();
            reception.logic.receiveBytes(chunk, position);
            for (const char character : chunk) {
                const quint8 byte = quint8(character);
                everything += u' ' + byteText(byte) + u' ';
                if (byte == 0xAA) {
                    sinceStart.clear();
                    countSinceStart = 0;
                    continue;
                }
                if (sinceStart.size() < FrameAssembler::kSlotCount) {
                    sinceStart << byte;
                }
                ++countSinceStart;
            }
            if (everything.size() > 40000) {
                everything = everything.right(20000);
            }

            const FrameAssembler &assembler = logic.assembler();
            QCOMPARE(qint64(assembler.frameIndex()), qMin<qint64>(countSinceStart, 32767));
            for (int slot = 0; slot < FrameAssembler::kSlotCount; ++slot) {
                const QString &held = assembler.frameSlots()[slot];
                if (slot < sinceStart.size()) {
                    QCOMPARE(held, byteText(sinceStart[slot]));
                } else if (slot > 0) {
                    QCOMPARE(held, QString());
                }
            }

            // A start byte's line break takes the place of its blank, so an append adds at
            // most 5 characters to a text that was cut when over the threshold.
            const QString &dump = logic.dump().text();
            QVERIFY(dump.size() <= DumpText::kCutThreshold + 5);
            QString restored = dump;
            if (restored.startsWith(u'\n')) {
                restored.remove(0, 1); // cut between the two characters of a line break
            }
            QVERIFY(everything.endsWith(restored.replace(u"\r\n"_s, u" "_s)));
            for (qsizetype found = dump.indexOf(u"AA"_s, 2); found >= 0;
                 found = dump.indexOf(u"AA"_s, found + 2)) {
                QCOMPARE(dump.mid(found - 2, 2), u"\r\n"_s);
            }

            panel.refresh();
            QCOMPARE(term.toPlainText(), shown(dump));
            const ReceivedTimeState &state = logic.receivedTime();
            for (const int stamp : { state.recvStamp1, state.recvStamp2, state.recvStamp3 }) {
                QVERIFY(stamp >= 0 && stamp < 86400);
            }
        }
        QVERIFY(inOrder(texts(reception.displays), wholeFrames)); // every whole frame shown
    }

    // Appends of any text, line breaks and cuts included, keep the box equal to the text.
    void boxFollowsAnyAppend_data()
    {
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : { 7u, 8u, 9u }) {
            QTest::addRow("seed %u", seed) << seed;
        }
    }
    void boxFollowsAnyAppend()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        Reception reception;
        QPlainTextEdit term;
        ReceptionPanel panel(ReceptionControls { &term, nullptr, nullptr }, reception.logic);
        const QString alphabet = u"\r\n A1x"_s;
        for (int round = 0; round < 3000; ++round) {
            QString data;
            for (int count = random.bounded(40); count > 0; --count) {
                data.append(alphabet[random.bounded(alphabet.size())]);
            }
            reception.logic.ShowData(data);
            if (random.bounded(4) == 0) { // mostly gathered edits, now and then one at once
                panel.refresh();
                QCOMPARE(term.toPlainText(), shown(reception.logic.dump().text()));
            }
        }
    }
};

QTEST_MAIN(TestReceptionRandom)
#include "test_receptionrandom.moc"
