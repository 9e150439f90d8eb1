#include "common/settingsstore.h"
#include "frames/receivedtimestate.h"
#include "refclock/refclockfeed.h"
#include "refclock/refclocksettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMs = 1'000'000;
constexpr qint64 kLineNs = 12'500'000; // a frame's time on a 9600,n,8,1 line
constexpr qint64 kFrameEndNs = 50'000 * kMs; // on the monotonic clock
constexpr qint64 kNone = -1; // no sample
// The moment the received second 12:00:03 began, on the system's clock.
const qint64 kSecondStartNs
    = QDateTime(QDate(2026, 12, 5), QTime(12, 0, 3)).toMSecsSinceEpoch() * kMs;

// Three frames a second apart up to 12:00:03, the end byte of the last read at kFrameEndNs.
ReceivedTimeState frames(int oldestStamp = 43201)
{
    return { u"2026-12-05"_s, u"12:00:03"_s, {}, 43203, 43202, oldestStamp, kFrameEndNs };
}

// The datagram chrony's SOCK driver reads.
struct SockSample
{
    timeval tv;
    double offset;
    int pulse, leap, pad, magic;
};

} // namespace

class TestRefclock : public QObject
{
    Q_OBJECT
private slots:
    // The second began at now less the wait since the end byte, the line time and 40 ms latency;
    // no sample unless three consecutive seconds came at most 1.5 s ago.
    void sample_data()
    {
        QTest::addColumn<ReceivedTimeState>("received");
        QTest::addColumn<qint64>("waitedNs");
        QTest::addColumn<qint64>("nowNs"); // on the system's clock, after the second began
        QTest::addColumn<qint64>("beganNs"); // after the second began: the offset's negative
        QTest::newRow("waited 200 ms") << frames() << 200 * kMs << 240 * kMs + kLineNs << 0LL;
        QTest::newRow("system 2 s behind")
            << frames() << 0LL << kLineNs - 1960 * kMs << -2000 * kMs;
        QTest::newRow("1.5 s old") << frames() << 1500 * kMs << 1039 * kMs + 300'000 << 300'000LL;
        QTest::newRow("older") << frames() << 1500 * kMs + 1 << 1039 * kMs << kNone;
        QTest::newRow("not consecutive") << frames(43200) << 0LL << kLineNs << kNone;
    }
    void sample()
    {
        QFETCH(ReceivedTimeState, received);
        QFETCH(qint64, waitedNs);
        QFETCH(qint64, nowNs);
        QFETCH(qint64, beganNs);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"valtora.sock"_s);
        const int chrony = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un address { AF_UNIX, {} };
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path));
        QVERIFY(::bind(chrony, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0);
        RefclockFeed feed(
            received, [] { return u"9600,n,8,1"_s; }, [&] { return kFrameEndNs + waitedNs; },
            [&] { return kSecondStartNs + nowNs; });
        feed.setSocketPath(path);
        feed.setLatencyMs(40);
        feed.frameEnded();
        SockSample sample;
        const ssize_t got = ::recv(chrony, &sample, sizeof(sample), MSG_TRUNC);
        ::close(chrony);
        QCOMPARE(got, beganNs == kNone ? ssize_t(-1) : ssize_t(sizeof(sample)));
        if (got > 0) {
            QCOMPARE(QList({ sample.pulse, sample.leap, sample.magic }),
                     QList({ 0, 0, 0x534f434b }));
            QCOMPARE(qint64(sample.tv.tv_sec) * 1'000'000'000 + qint64(sample.tv.tv_usec) * 1000,
                     kSecondStartNs + beganNs);
            QCOMPARE(sample.offset, double(-beganNs) / 1e9);
        }
    }

    // A socket nobody made yet is tried again quietly; any other failure is said.
    void sendFailures()
    {
        const ReceivedTimeState received = frames();
        RefclockFeed feed(
            received, {}, [] { return kFrameEndNs; }, [] { return kSecondStartNs + kLineNs; });
        QSignalSpy failures(&feed, &RefclockFeed::sendFailed);
        feed.setSocketPath(u"/no-such-folder/valtora.sock"_s); // chrony not running yet
        feed.frameEnded();
        feed.setSocketPath(QString(200, u'x'));
        feed.frameEnded();
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures.at(0).at(0).toString().contains(QString(200, u'x')));
    }

    void settings_data()
    {
        QTest::addColumn<QString>("latency");
        QTest::addColumn<int>("used"); // 0 when refused
        QTest::newRow("-999 with blanks") << u" -999 "_s << -999;
        QTest::newRow("+1000: another second") << u"+1000"_s << 0;
    }
    void settings()
    {
        QFETCH(QString, latency);
        QFETCH(int, used);
        QTemporaryDir folder;
        SettingsStore store(folder.filePath(u"v.conf"_s));
        store.setValue(u"Refclock"_s, u"socket"_s, u" /run/chrony/valtora.sock"_s);
        store.setValue(u"Receiver"_s, u"offsetMs"_s, latency);
        const RefclockSettings settings = RefclockSettings::load(store);
        QCOMPARE(settings.socketPath, u"/run/chrony/valtora.sock"_s);
        QCOMPARE(settings.receiverLatencyMs, used);
        QCOMPARE(settings.refusal.contains(u"[Receiver] offsetMs=+1000"_s), used == 0);
    }
};

QTEST_GUILESS_MAIN(TestRefclock)
#include "test_refclock.moc"
