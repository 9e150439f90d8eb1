#include "common/settingsstore.h"
#include "frames/receivedtimestate.h"
#include "refclock/refclockfeed.h"
#include "refclock/refclocksample.h"
#include "refclock/refclocksettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr qint64 kMs = 1'000'000;
constexpr qint64 kFrameEndNs = 50'000 * kMs; // on the monotonic clock
constexpr qint64 kNone = std::numeric_limits<qint64>::min();
// The moment the received second 12:00:03 began, on the system's clock.
const qint64 kSecondStartNs
    = QDateTime(QDate(2026, 12, 5), QTime(12, 0, 3)).toMSecsSinceEpoch() * kMs;

ReceivedTimeState consecutiveFrames()
{
    ReceivedTimeState state;
    state.recvDate = QStringLiteral("2026-12-05");
    state.recvTime = QStringLiteral("12:00:03");
    state.recvStamp1 = 43203;
    state.recvStamp2 = 43202;
    state.recvStamp3 = 43201;
    state.frameEndNs = kFrameEndNs;
    return state;
}

// chrony's end of the socket: bound to a path, read without waiting.
class ChronySocket
{
public:
    explicit ChronySocket(const QString &path)
    {
        m_descriptor = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path));
        m_bound
            = ::bind(m_descriptor, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    }
    ~ChronySocket() { ::close(m_descriptor); }
    bool isBound() const { return m_bound; }
    // The datagram's bytes, empty when none came.
    QByteArray take()
    {
        char buffer[256];
        const ssize_t size = ::recv(m_descriptor, buffer, sizeof(buffer), 0);
        return size < 0 ? QByteArray() : QByteArray(buffer, size);
    }

private:
    int m_descriptor = -1;
    bool m_bound = false;
};

struct SockSample
{
    timeval tv;
    double offset;
    int pulse;
    int leap;
    int pad;
    int magic;
};

} // namespace

class TestRefclock : public QObject
{
    Q_OBJECT
private slots:
    // The second began at now, less the wait since the end byte, the frame's time on the line
    // and the latency; the offset is the received second minus that moment.
    void sample_data()
    {
        QTest::addColumn<ReceivedTimeState>("received");
        QTest::addColumn<qint64>("waitedNs");
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<qint64>("systemNowNs"); // after the second began
        QTest::addColumn<qint64>("beganNs"); // after the second began
        QTest::addColumn<double>("offset");
        const ReceivedTimeState frames = consecutiveFrames();
        const qint64 line = 12'500'000; // 9600,n,8,1
        QTest::newRow("read at once, 0.3 ms late")
            << frames << qint64(0) << 0 << line + 300'000 << qint64(300'000) << -0.0003;
        QTest::newRow("waited 200 ms")
            << frames << 200 * kMs << 0 << 200 * kMs + line + kMs << kMs << -0.001;
        QTest::newRow("a latency of 40 ms")
            << frames << qint64(0) << 40 << 40 * kMs + line << qint64(0) << 0.0;
        QTest::newRow("system clock 2 s behind")
            << frames << qint64(0) << 0 << line - 2000 * kMs << -2000 * kMs << 2.0;
        QTest::newRow("1.5 s old: still a sample")
            << frames << 1500 * kMs << 0 << 999 * kMs << qint64(0) << 0.0;
        QTest::newRow("older: none") << frames << 1500 * kMs + 1 << 0 << 999 * kMs << kNone << 0.0;
        ReceivedTimeState gap = frames;
        gap.recvStamp3 = 43200;
        QTest::newRow("not consecutive: none") << gap << qint64(0) << 0 << line << kNone << 0.0;
        ReceivedTimeState late = frames;
        late.frameEndNs = 0;
        QTest::newRow("read late: none") << late << qint64(0) << 0 << line << kNone << 0.0;
        ReceivedTimeState garbled = frames;
        garbled.recvTime = QStringLiteral("12:00:6x");
        QTest::newRow("not a time: none") << garbled << qint64(0) << 0 << line << kNone << 0.0;
    }
    void sample()
    {
        QFETCH(ReceivedTimeState, received);
        QFETCH(qint64, waitedNs);
        QFETCH(int, latencyMs);
        QFETCH(qint64, systemNowNs);
        QFETCH(qint64, beganNs);
        const auto sample = RefclockSample::of(received, kFrameEndNs + waitedNs,
                                               kSecondStartNs + systemNowNs, 12'500'000, latencyMs);
        QCOMPARE(sample.has_value(), beganNs != kNone);
        if (!sample) {
            return;
        }
        QCOMPARE(sample->seconds * 1'000'000'000 + sample->microseconds * 1000,
                 kSecondStartNs + beganNs);
        QVERIFY(sample->microseconds >= 0 && sample->microseconds < 1'000'000);
        QTEST(sample->offsetSeconds, "offset");
    }

    // The datagram as chrony reads it; a socket nobody made yet is tried again quietly, any
    // other failure is said.
    void feedSendsToTheSocket()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("valtora.sock"));
        ReceivedTimeState received = consecutiveFrames();
        qint64 monotonicNs = kFrameEndNs;
        RefclockFeed feed(
            received, [] { return QStringLiteral("9600,n,8,1"); }, [&] { return monotonicNs; },
            [] { return kSecondStartNs + 12'500'000 + 2 * kMs; });
        QSignalSpy failures(&feed, &RefclockFeed::sendFailed);
        feed.frameEnded(); // no socket set: off
        feed.setSocketPath(path);
        feed.frameEnded(); // chrony not running yet
        QCOMPARE(failures.size(), 0);
        QCOMPARE(feed.samplesSent(), 0);

        ChronySocket chrony(path);
        QVERIFY(chrony.isBound());
        feed.setLatencyMs(-1);
        feed.frameEnded();
        const QByteArray datagram = chrony.take();
        QCOMPARE(datagram.size(), qsizetype(sizeof(SockSample)));
        SockSample sample;
        memcpy(&sample, datagram.constData(), sizeof(sample));
        QCOMPARE(sample.magic, 0x534f434b);
        QCOMPARE(sample.pulse, 0);
        QCOMPARE(sample.leap, 0);
        QCOMPARE(qint64(sample.tv.tv_sec) * 1'000'000'000 + qint64(sample.tv.tv_usec) * 1000,
                 kSecondStartNs + 3 * kMs);
        QCOMPARE(sample.offset, -0.003);
        QCOMPARE(feed.samplesSent(), 1);

        received.recvStamp3 = 0;
        feed.frameEnded();
        QCOMPARE(chrony.take(), QByteArray());

        feed.setSocketPath(QString(200, QLatin1Char('x')));
        received = consecutiveFrames();
        feed.frameEnded();
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures.at(0).at(0).toString().contains(QLatin1String("chrony")));
    }

    void settings_data()
    {
        QTest::addColumn<QString>("socket");
        QTest::addColumn<QString>("latency");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("refused");
        QTest::newRow("nothing stored") << ""
                                        << "" << 0 << false;
        QTest::newRow("40") << "/run/chrony/valtora.sock"
                            << "40" << 40 << false;
        QTest::newRow("-300 with blanks") << ""
                                          << " -300 " << -300 << false;
        QTest::newRow("+999") << ""
                              << "+999" << 999 << false;
        QTest::newRow("1000: another second") << ""
                                              << "1000" << 0 << true;
        QTest::newRow("fraction") << ""
                                  << "12.5" << 0 << true;
        QTest::newRow("words") << ""
                               << "twelve" << 0 << true;
    }
    void settings()
    {
        QFETCH(QString, socket);
        QFETCH(QString, latency);
        QTemporaryDir folder;
        SettingsStore store(folder.filePath(QStringLiteral("v.conf")));
        store.setValue(QStringLiteral("Refclock"), QStringLiteral("socket"), socket);
        store.setValue(QStringLiteral("Receiver"), QStringLiteral("offsetMs"), latency);
        const RefclockSettings settings = RefclockSettings::load(store);
        QCOMPARE(settings.socketPath, socket);
        QTEST(settings.receiverLatencyMs, "expected");
        QTEST(!settings.refusal.isEmpty(), "refused");
        if (!settings.refusal.isEmpty()) {
            QVERIFY(settings.refusal.contains(QLatin1String("[Receiver] offsetMs=")
                                              + latency.trimmed()));
        }
    }
};

QTEST_GUILESS_MAIN(TestRefclock)
#include "test_refclock.moc"
