#include "framestest.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

QString simulatorPath()
{
    const QString directory = qEnvironmentVariable("VALTORA_BIN_DIR");
    return (directory.isEmpty() ? QCoreApplication::applicationDirPath() + u"/../bin"_s : directory)
        + u"/valtora-sim"_s;
}

// What the simulator wrote on its pseudo-terminal until it ended by itself, each byte with
// the time it was read.
struct SimulatorRun
{
    QByteArray bytes;
    QList<qint64> arrivalMs;
    int exitCode = -1;
};

SimulatorRun runSimulator(const QString &arguments)
{
    SimulatorRun run;
    QProcess simulator;
    simulator.start(simulatorPath(), arguments.split(u' '));
    simulator.waitForReadyRead(5000);
    const QByteArray slave = simulator.readLine().trimmed();
    const int descriptor = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QElapsedTimer clock;
    clock.start();
    while (descriptor >= 0 && clock.elapsed() < 10000) {
        pollfd input { descriptor, POLLIN, 0 };
        char buffer[256];
        const ssize_t got
            = ::poll(&input, 1, 20) > 0 ? ::read(descriptor, buffer, sizeof buffer) : 0;
        if (got > 0) {
            run.bytes.append(buffer, got);
            run.arrivalMs.append(QList<qint64>(got, clock.elapsed()));
        } else if (simulator.state() == QProcess::NotRunning || simulator.waitForFinished(0)) {
            break;
        }
    }
    ::close(descriptor);
    simulator.waitForFinished(3000);
    run.exitCode = simulator.state() == QProcess::NotRunning ? simulator.exitCode() : -1;
    return run;
}

} // namespace

class TestValtoraSim : public QObject
{
    Q_OBJECT
private slots:
    // Bad options end with exit code 2 and say what is wrong; --help shows the usage; a
    // device that cannot be opened, or a link over a file, ends with exit code 1.
    void endsAtOnce_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << "--bogus" << 2 << "unknown option --bogus";
        QTest::newRow("missing value") << "--count" << 2 << "--count needs a value";
        QTest::newRow("count zero") << "--count 0" << 2 << "--count wants";
        QTest::newRow("bad month") << "--start 2026-13-01T00:00:00" << 2 << "--start wants";
        QTest::newRow("negative noise") << "--noise -3" << 2 << "--noise wants";
        QTest::newRow("noise over the line") << "--noise 2000" << 2 << "more than the line";
        QTest::newRow("frame over interval") << "--baud 300 --interval-ms 100" << 2 << "not fit";
        QTest::newRow("flag with value") << "--stale=yes" << 2 << "takes no value";
        QTest::newRow("link and device") << "--device /dev/null --link /tmp/x" << 2 << "cannot be";
        QTest::newRow("stray argument") << "now" << 2 << "unexpected argument";
        QTest::newRow("odd device speed") << "--device /dev/null --baud 12345" << 2 << "standard";
        QTest::newRow("missing device") << "--device /nonexistent/ttyS9" << 1 << "/nonexistent";
        QTest::newRow("link over a file") << "--link FILE" << 1 << "";
        QTest::newRow("help") << "--help" << 0 << "--interval-ms N";
    }
    void endsAtOnce()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"precious"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
        file.close();
        QProcess simulator;
        simulator.start(simulatorPath(), arguments.replace(u"FILE"_s, file.fileName()).split(u' '));
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), exitCode);
        const QString output = QString::fromLocal8Bit(simulator.readAllStandardOutput());
        const QString error = QString::fromLocal8Bit(simulator.readAllStandardError());
        QVERIFY2((exitCode == 0 ? output : error).contains(message), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "keep");
    }

    // A frame at each second of the clock started at --start, or as the options say, each
    // byte at the pace of the line.
    void framesFollowTheOptions_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("intervalMs");
        const QString time = u"2030-01-02 03:04:05"_s;
        QTest::newRow("start") << "--start 2026-12-05T23:59:58 --count 3"
                               << QStringList { "2026-12-05 23:59:58", "2026-12-05 23:59:59",
                                                "2026-12-06 00:00:00" }
                               << 1000;
        QTest::newRow("stale") << "--stale --count 3 --interval-ms 500" << QStringList(3, time)
                               << 500;
        QTest::newRow("skip") << "--skip 4 --count 3"
                              << QStringList { time, "2030-01-02 03:04:10", "2030-01-02 03:04:15" }
                              << 1000;
        // A byte in centuries: none comes, however the huge gap is worked out.
        QTest::newRow("rare noise")
            << "--noise 1e-300 --count 2" << QStringList { time, "2030-01-02 03:04:06" } << 1000;
    }
    void framesFollowTheOptions()
    {
        QFETCH(QString, arguments);
        QFETCH(QStringList, expected);
        QFETCH(int, intervalMs);
        const SimulatorRun run = runSimulator(u"--start 2030-01-02T03:04:05 "_s + arguments);
        QCOMPARE(run.exitCode, 0);
        Reception reception;
        reception.logic.receiveBytes(run.bytes, 1);
        QCOMPARE(texts(reception.displays), expected);
        QCOMPARE(run.bytes.size(), 12 * expected.size());
        // Averaged over the run, so one read held up by a busy machine counts for less.
        const qint64 meanGap
            = (run.arrivalMs[run.bytes.size() - 12] - run.arrivalMs[0]) / (expected.size() - 1);
        QVERIFY2(qAbs(meanGap - intervalMs) < 300, QByteArray::number(meanGap));
        // A frame takes 12.5 ms on the line; a busy reader may get one at once: the widest counts.
        qint64 widest = 0;
        for (int frame = 0; frame < expected.size(); ++frame) {
            widest = qMax(widest, run.arrivalMs[12 * frame + 11] - run.arrivalMs[12 * frame]);
        }
        QVERIFY2(widest >= 8, QByteArray::number(widest));
    }

    // The link leads to the simulator's pseudo-terminal; a stop signal ends it cleanly and
    // removes the link.
    void stopSignalRemovesTheLink()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"ttySIM"_s);
        QProcess simulator;
        simulator.start(simulatorPath(), { u"--link"_s, link });
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString slave = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);
        ::kill(pid_t(simulator.processId()), SIGINT);
        QVERIFY(simulator.waitForFinished(3000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestValtoraSim)
#include "test_valtorasim.moc"
