#include "chronydaemon.h"
#include "programs.h"

#include <QDateTime>
#include <QRegularExpression>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A datagram socket at path, as systemd's notification socket is; -1 when it cannot be made.
int boundDatagramSocket(const QString &path)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()) + 1);
    if (::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

QByteArray datagrams(int descriptor)
{
    QByteArray all;
    char buffer[256];
    ssize_t length = 0;
    while ((length = ::recv(descriptor, buffer, sizeof buffer, 0)) > 0) {
        all += QByteArray(buffer, length) + '|';
    }
    return all;
}

// Milliseconds from a time of day to another, on the nearer side of midnight.
qint64 timeOfDayShiftMs(const QDateTime &from, const QDateTime &to)
{
    constexpr qint64 kDayMs = 86'400'000;
    qint64 shift = (to.time().msecsSinceStartOfDay() - from.time().msecsSinceStartOfDay()) % kDayMs;
    if (shift > kDayMs / 2) {
        shift -= kDayMs;
    } else if (shift <= -kDayMs / 2) {
        shift += kDayMs;
    }
    return shift;
}

} // namespace

// The real valtora-refclock with the simulator on a pseudo-terminal.
class TestEndToEndRefclock : public QObject
{
    Q_OBJECT
private slots:
    void endsAtOnceWithItsCode_data()
    {
        QTest::addColumn<QString>("arguments"); // separated by blanks
        QTest::addColumn<int>("exitCode");
        QTest::newRow("version") << u"--version"_s << 0;
        QTest::newRow("no port") << u"--print"_s << 2;
        QTest::newRow("device and port") << u"--device /dev/null --port 1"_s << 2;
        QTest::newRow("bad line") << u"--port 1 --line 9600,x,8,1"_s << 2;
        QTest::newRow("latency a second") << u"--port 1 --offset-ms 1000"_s << 2;
        QTest::newRow("unknown option") << u"--port 1 --x"_s << 2;
    }
    void endsAtOnceWithItsCode()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QProcess refclock;
        refclock.start(programPath(u"valtora-refclock"_s), arguments.split(u' '));
        QVERIFY(refclock.waitForFinished(10000));
        QCOMPARE(refclock.exitCode(), exitCode);
        const QByteArray output = refclock.readAllStandardOutput();
        const QByteArray errors = refclock.readAllStandardError();
        QCOMPARE(output.startsWith("valtora-refclock " VALTORA_PROJECT_VERSION "\n"),
                 exitCode == 0);
        QCOMPARE(errors.contains("Try 'valtora-refclock --help'"), exitCode == 2);
    }

    // A receiver whose clock shows 2026-12-05 12:00:00 at a moment the test knows: each line
    // tells the received second, its arrival now, and the offset between them, the receiver's
    // latency and the frame's 12.5 ms on a 9600-baud line taken into account.
    void printsEachFrame()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"ttyReceiver"_s);
        const QDateTime start(QDate(2026, 12, 5), QTime(12, 0, 0));
        ProgramProcess simulator;
        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(startSimulator(simulator, link, { u"--start"_s, start.toString(Qt::ISODate) }));
        const QDateTime after = QDateTime::currentDateTime();
        ProgramProcess refclock;
        refclock.start(programPath(u"valtora-refclock"_s),
                       { u"--device"_s, link, u"--print"_s, u"--offset-ms"_s, u"40"_s,
                         u"--socket"_s, dir.filePath(u"chrony.sock"_s) });
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (output += refclock.readAllStandardOutput()).contains("2026-12-05 12:00:04"),
            output.constData(), 15000);

        static const QRegularExpression kLine(
            u"^(\\S+ \\S+)  arrival (\\S+)  offset (\\S+)(?: ms)?  chrony: (.+)$"_s);
        const QList<QByteArray> lines = output.trimmed().split('\n');
        QDateTime previous;
        int samples = 0;
        for (int i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch match = kLine.match(QString::fromUtf8(lines.at(i)));
            QVERIFY2(match.hasMatch(), lines.at(i).constData());
            const QDateTime received
                = QDateTime::fromString(match.captured(1), u"yyyy-MM-dd HH:mm:ss"_s);
            QVERIFY2(received >= start && (i == 0 || received == previous.addSecs(1)),
                     lines.at(i).constData());
            previous = received;
            // Three consecutive seconds make a sample, unless the frame was read late on a busy
            // machine and its arrival is not known; chrony is not running here.
            const bool known = match.captured(2) != u"unknown"_s;
            QCOMPARE(match.captured(4), i >= 2 && known ? u"not running"_s : u"no sample"_s);
            if (i < 2 || !known) {
                continue;
            }
            const QDateTime arrival
                = QDateTime::fromString(match.captured(2).left(23), Qt::ISODateWithMs);
            QVERIFY2(qAbs(arrival.secsTo(QDateTime::currentDateTime())) < 10,
                     lines.at(i).constData());
            ++samples;
            const double offsetMs = match.captured(3).toDouble();
            const double fromArrivalMs = double(timeOfDayShiftMs(arrival, received))
                - match.captured(2).mid(23).toDouble() / 1000.0 + 12.5 + 40.0;
            QVERIFY2(qAbs(offsetMs - fromArrivalMs) < 0.01, lines.at(i).constData());
            // The receiver's clock started at `start` between `before` and `after`; the read
            // may come late on a busy machine, never early.
            QVERIFY2(offsetMs - 40.0 >= timeOfDayShiftMs(after, start) - 200.0
                         && offsetMs - 40.0 <= timeOfDayShiftMs(before, start) + 30.0,
                     lines.at(i).constData());
        }
        QVERIFY(samples >= 1);
    }

    // chronyd (with -x: it never controls the clock) selects the receiver; the service tells
    // systemd it is ready and alive, takes the receiver back after an unplug, and ends on
    // SIGTERM with the port closed, its lock file gone.
    void servesChronyThroughUnplugAndEnds()
    {
        if (::geteuid() != 0) {
            QSKIP("chronyd runs only as root");
        }
        ChronyDaemon chrony;
        const QString error = chrony.start(QString(), QProcess::ForwardedErrorChannel);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTemporaryDir dir;
        const QString link = dir.filePath(u"ttyReceiver"_s);
        const int notify = boundDatagramSocket(dir.filePath(u"notify"_s));
        QVERIFY(notify >= 0);
        ProgramProcess simulator;
        QVERIFY(startSimulator(simulator, link));

        ProgramProcess refclock;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"NOTIFY_SOCKET"_s, dir.filePath(u"notify"_s));
        // systemd reads every notice at once; this test only now and then, and a full queue
        // would hold the service up: a beat every 5 s.
        environment.insert(u"WATCHDOG_USEC"_s, u"10000000"_s);
        refclock.setProcessEnvironment(environment);
        refclock.start(programPath(u"valtora-refclock"_s),
                       { u"--device"_s, link, u"--socket"_s, chrony.sampleSocket(), u"--print"_s });
        QVERIFY(refclock.waitForStarted());

        const auto selected
            = [&chrony] { return valtoraSource(chrony.chronyc(u"sources"_s)).value(1) == "*"; };
        QByteArray told;
        QDeadlineTimer deadline(30000);
        while (!selected() && !deadline.hasExpired()) {
            QTest::qWait(1000);
            told += datagrams(notify);
        }
        QVERIFY2(selected(), chrony.chronyc(u"sources"_s).constData());
        const QString lock = u"/run/lock/LCK.."_s + QString(link).replace(u'/', u'_');
        QVERIFY(QFile::exists(lock));
        QTRY_VERIFY_WITH_TIMEOUT((told += datagrams(notify)).contains("WATCHDOG=1|"), 10000);
        QVERIFY2(told.startsWith("READY=1|"), told.constData());

        QByteArray errors;
        simulator.stop();
        QTRY_VERIFY2_WITH_TIMEOUT((errors += refclock.readAllStandardError()).contains("<4>"),
                                  errors.constData(), 10000);
        QVERIFY(startSimulator(simulator, link));
        QTRY_VERIFY2_WITH_TIMEOUT((errors += refclock.readAllStandardError()).contains("is back."),
                                  errors.constData(), 10000);
        refclock.readAllStandardOutput();
        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT(
            (printed += refclock.readAllStandardOutput()).contains("chrony: sent"), 10000);
        // One start line, one each for lost and back; nothing per frame.
        QCOMPARE(errors.count('\n'), 3);
        QVERIFY2(errors.startsWith("<6>valtora-refclock "), errors.constData());

        ::kill(pid_t(refclock.processId()), SIGTERM);
        QVERIFY(refclock.waitForFinished(5000));
        QCOMPARE(refclock.exitStatus(), QProcess::NormalExit);
        QCOMPARE(refclock.exitCode(), 0);
        QVERIFY(!QFile::exists(lock));
        ::close(notify);
    }
};

QTEST_GUILESS_MAIN(TestEndToEndRefclock)
#include "test_e2e_refclock.moc"
