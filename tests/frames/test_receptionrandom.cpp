#include "frames/bytetext.h"
#include "frames/receiverframe.h"
#include "frames/receptionlogic.h"
#include "frames/receptionpanel.h"
#include "manualclock.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <deque>

namespace {

QString shown(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Builds a long stream of what a line may carry: whole frames, frames cut short, frames with
// a start byte inside, bursts of end bytes, runs without a start byte and plain noise. It
// remembers the date-time text of every frame that arrives whole.
class StreamMaker
{
public:
    explicit StreamMaker(quint32 seed)
        : m_random(seed)
    {
    }

    QByteArray make(qsizetype length, QStringList &wholeFrames)
    {
        QByteArray stream;
        while (stream.size() < length) {
            const QDateTime time(
                QDate(2000 + m_random.bounded(100), 1 + m_random.bounded(12),
                      1 + m_random.bounded(28)),
                QTime(m_random.bounded(24), m_random.bounded(60), m_random.bounded(60)));
            const QByteArray frame = receiverFrame(time);
            switch (m_random.bounded(7)) {
            case 0:
            case 1:
            case 2:
                stream += frame;
                wholeFrames << time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                break;
            case 3:
                stream += frame.left(1 + m_random.bounded(11));
                break;
            case 4: {
                QByteArray broken = frame;
                broken[1 + m_random.bounded(10)] = char(0xAA);
                stream += broken;
                break;
            }
            case 5:
                stream += QByteArray(1 + m_random.bounded(20), m_random.bounded(2) ? 0x03 : 0xAA);
                break;
            default:
                for (int count = m_random.bounded(200); count > 0; --count) {
                    stream.append(char(m_random.bounded(256)));
                }
                break;
            }
        }
        return stream;
    }

    int bounded(int limit) { return m_random.bounded(limit); }

private:
    QRandomGenerator m_random;
};

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
        StreamMaker maker(seed);
        QStringList wholeFrames;
        const QByteArray stream = maker.make(150000, wholeFrames);

        ManualClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        QWidget window;
        auto *term = new QPlainTextEdit(&window);
        auto *label2 = new QLabel(&window);
        auto *label7 = new QLabel(&window);
        ReceptionPanel panel(ReceptionControls { term, label2, label7 }, logic);
        QStringList captions;
        connect(&logic, &ReceptionLogic::label2CaptionChanged, this,
                [&](const QString &caption) { captions << caption; });

        // Everything ever appended, each byte as " t ": the dump, with its line breaks put
        // back to the blanks they replaced, must always be the end of this.
        QString everything;
        std::deque<quint8> sinceStart; // bytes since the last start byte, newest last
        qint64 countSinceStart = 0;
        qsizetype position = 0;
        while (position < stream.size()) {
            const qsizetype size
                = qMin<qsizetype>(1 + maker.bounded(300), stream.size() - position);
            const QByteArray chunk = stream.mid(position, size);
            position += size;
            logic.receiveBytes(chunk, position);
            for (const char character : chunk) {
                const quint8 byte = quint8(character);
                everything += QLatin1Char(' ') + byteText(byte) + QLatin1Char(' ');
                if (byte == 0xAA) {
                    sinceStart.clear();
                    countSinceStart = 0;
                } else {
                    sinceStart.push_back(byte);
                    ++countSinceStart;
                }
            }
            if (everything.size() > 40000) {
                everything = everything.right(20000);
            }

            const FrameAssembler &assembler = logic.assembler();
            QCOMPARE(qint64(assembler.frameIndex()), qMin<qint64>(countSinceStart, 32767));
            for (int slot = 0; slot < FrameAssembler::kSlotCount; ++slot) {
                const QString &held = assembler.frameSlots()[slot];
                if (slot < qsizetype(sinceStart.size())) {
                    QCOMPARE(held, byteText(sinceStart[slot]));
                } else if (slot > 0 && countSinceStart < slot) {
                    QVERIFY(held.isEmpty() || countSinceStart == qint64(sinceStart.size()));
                }
                QVERIFY(held != QLatin1String("AA"));
            }

            const QString &dump = logic.dump().text();
            QVERIFY(dump.size() <= DumpText::kCutThreshold + 4);
            QString restored = dump;
            if (restored.startsWith(QLatin1Char('\n'))) {
                restored.remove(0, 1); // a cut between the two characters of a line break
            }
            restored.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            QVERIFY(everything.endsWith(restored));
            for (qsizetype found = dump.indexOf(QLatin1String("AA"), 2); found >= 0;
                 found = dump.indexOf(QLatin1String("AA"), found + 2)) {
                QVERIFY(dump.mid(found - 2, 2) == QLatin1String("\r\n"));
            }

            panel.refresh();
            QCOMPARE(term->toPlainText(), shown(dump));
            const ReceivedTimeState &state = logic.receivedTime();
            for (const int stamp : { state.recvStamp1, state.recvStamp2, state.recvStamp3 }) {
                QVERIFY(stamp >= 0 && stamp < 86400);
            }
        }

        // Every frame that arrived whole was shown, in order.
        qsizetype next = 0;
        for (const QString &caption : std::as_const(captions)) {
            if (next < wholeFrames.size() && caption == wholeFrames[next]) {
                ++next;
            }
        }
        QCOMPARE(next, wholeFrames.size());
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
        ManualClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        QPlainTextEdit term;
        ReceptionPanel panel(ReceptionControls { &term, nullptr, nullptr }, logic);
        const QString alphabet = QStringLiteral("\r\n A1x");
        for (int round = 0; round < 3000; ++round) {
            QString data;
            for (int count = random.bounded(40); count > 0; --count) {
                data.append(alphabet[random.bounded(alphabet.size())]);
            }
            logic.ShowData(data);
            // Mostly gathered edits, now and then one at once.
            if (random.bounded(4) == 0) {
                panel.refresh();
                QCOMPARE(term.toPlainText(), shown(logic.dump().text()));
            }
        }
    }
};

QTEST_MAIN(TestReceptionRandom)
#include "test_receptionrandom.moc"
