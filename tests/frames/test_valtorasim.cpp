#include "framescheduler.h"
#include "framestest.h"
#include "simulatoroptions.h"

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

// What the simulator wrote on its pseudo-terminal until it ended by itself.
struct SimulatorRun
{
    QByteArray bytes;
    QList<qint64> arrivalMs; // when each byte was read, counted from the first read
    int exitCode = -1;
    QString error;
};

SimulatorRun runSimulator(const QStringList &arguments)
{
    SimulatorRun run;
    QProcess simulator;
    simulator.start(simulatorPath(), arguments);
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        run.error = u"no device printed"_s;
        return run;
    }
    const QByteArray slave = simulator.readLine().trimmed();
    const int descriptor = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        run.error = u"cannot open "_s + QString::fromLocal8Bit(slave);
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 firstRead = -1;
    while (clock.elapsed() < 10000) {
        pollfd input { descriptor, POLLIN, 0 };
        char buffer[256];
        const ssize_t got = ::poll(&input, 1, 20) > 0 && (input.revents & POLLIN)
            ? ::read(descriptor, buffer, sizeof buffer)
            : 0;
        if (got > 0) {
            firstRead = firstRead < 0 ? clock.elapsed() : firstRead;
            run.bytes.append(buffer, got);
            run.arrivalMs.append(QList<qint64>(got, clock.elapsed() - firstRead));
        } else if (simulator.state() == QProcess::NotRunning || simulator.waitForFinished(0)) {
            break;
        }
    }
    ::close(descriptor);
    if (simulator.state() != QProcess::NotRunning && !simulator.waitForFinished(3000)) {
        simulator.kill();
        simulator.waitForFinished();
        run.error = u"did not end"_s;
    }
    run.exitCode = simulator.exitCode();
    return run;
}

QStringList decode(const QByteArray &bytes)
{
    Reception reception;
    reception.logic.receiveBytes(bytes, 1);
    return texts(reception.displays);
}

} // namespace

class TestValtoraSim : public QObject
{
    Q_OBJECT
private slots:
    // Bad options end with exit code 2 and say what is wrong; --help shows the usage; a
    // device that cannot be opened ends with exit code 1.
    void endsAtOnce_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << "--bogus" << 2 << "unknown option --bogus";
        QTest::newRow("missing value") << "--count" << 2 << "--count needs a value";
        QTest::newRow("speed not a number") << "--baud fast" << 2 << "--baud wants";
        QTest::newRow("speed too high") << "--baud=5000000" << 2 << "--baud wants";
        QTest::newRow("count zero") << "--count 0" << 2 << "--count wants";
        QTest::newRow("bad month") << "--start 2026-13-01T00:00:00" << 2 << "--start wants";
        QTest::newRow("no seconds") << "--start 2026-12-05T10:00" << 2 << "--start wants";
        QTest::newRow("negative skip") << "--skip -1" << 2 << "--skip wants";
        QTest::newRow("negative noise") << "--noise -3" << 2 << "--noise wants";
        QTest::newRow("noise over the line") << "--noise 2000" << 2 << "more than the line";
        QTest::newRow("interval too short") << "--interval-ms 5" << 2 << "--interval-ms wants";
        QTest::newRow("frame over interval") << "--baud 300 --interval-ms 100" << 2 << "not fit";
        QTest::newRow("flag with value") << "--stale=yes" << 2 << "takes no value";
        QTest::newRow("link and device") << "--device /dev/null --link /tmp/x" << 2 << "cannot be";
        QTest::newRow("stray argument") << "now" << 2 << "unexpected argument";
        QTest::newRow("odd device speed") << "--device /dev/null --baud 12345" << 2 << "standard";
        QTest::newRow("missing device") << "--device /nonexistent/ttyS9" << 1 << "/nonexistent";
        QTest::newRow("help") << "--help" << 0 << "--interval-ms N";
    }
    void endsAtOnce()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QProcess simulator;
        simulator.start(simulatorPath(), arguments.split(u' '));
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), exitCode);
        const QString output = QString::fromLocal8Bit(simulator.readAllStandardOutput());
        const QString error = QString::fromLocal8Bit(simulator.readAllStandardError());
        QVERIFY2((exitCode == 0 ? output : error).contains(message), qPrintable(error));
        QVERIFY(exitCode == 0 || output.isEmpty());
    }

    // A frame at each second of the clock started at --start, each byte at the pace of a
    // 9600 baud line.
    void framesCarryTheStartTime()
    {
        const SimulatorRun run = runSimulator({ "--start", "2026-12-05T23:59:58", "--count", "3" });
        QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.bytes.size(), 36);
        QCOMPARE(
            decode(run.bytes),
            (QStringList { "2026-12-05 23:59:58", "2026-12-05 23:59:59", "2026-12-06 00:00:00" }));
        const qint64 secondFrame = run.arrivalMs[12];
        QVERIFY2(secondFrame > 700 && secondFrame < 1300, QByteArray::number(secondFrame));
        // A frame takes 12.5 ms on the line; a reader held up by a busy machine may get one
        // all at once, so the widest of the three counts.
        qint64 widest = 0;
        for (int frame = 0; frame < 3; ++frame) {
            widest = qMax(widest, run.arrivalMs[12 * frame + 11] - run.arrivalMs[12 * frame]);
        }
        QVERIFY2(widest >= 8, QByteArray::number(widest));
    }

    void framesFollowTheOptions_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("noisy"); // then other frames may show between the expected
        const QString time = u"2030-01-02 03:04:05"_s;
        QTest::newRow("stale") << "--stale --count 3 --interval-ms 500" << QStringList(3, time)
                               << false;
        QTest::newRow("skip") << "--skip 4 --count 3"
                              << QStringList { time, "2030-01-02 03:04:10", "2030-01-02 03:04:15" }
                              << false;
        QTest::newRow("split and noise")
            << "--split --noise 100 --seed 11 --count 5 --interval-ms 250 --baud 115200"
            << QStringList { time, time, time, time, "2030-01-02 03:04:06" } << true;
    }
    void framesFollowTheOptions()
    {
        QFETCH(QString, arguments);
        QFETCH(QStringList, expected);
        QFETCH(bool, noisy);
        const SimulatorRun run
            = runSimulator((u"--start 2030-01-02T03:04:05 "_s + arguments).split(u' '));
        QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
        QCOMPARE(run.exitCode, 0);
        if (noisy) {
            QVERIFY(run.bytes.size() > 12 * expected.size());
            QVERIFY(inOrder(decode(run.bytes), expected));
        } else {
            QCOMPARE(decode(run.bytes), expected);
        }
    }

    void stopSignalsRemoveTheLink_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void stopSignalsRemoveTheLink()
    {
        QFETCH(int, signalNumber);
        QTemporaryDir dir;
        const QString link = dir.filePath(u"ttyVALTORA"_s);
        QProcess simulator;
        simulator.start(simulatorPath(), { u"--link"_s, link });
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString slave = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);
        ::kill(pid_t(simulator.processId()), signalNumber);
        QVERIFY(simulator.waitForFinished(3000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    }

    void linkNeverReplacesAFile()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(u"precious"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
        QProcess simulator;
        simulator.start(simulatorPath(), { u"--link"_s, file.fileName() });
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitCode(), 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }

    // Frames on the clock's boundaries, bytes at the line's pace, noise only between frames,
    // pieces that add up to the frame.
    void schedule()
    {
        SimulatorOptions options;
        options.noiseRate = 500;
        options.split = true;
        options.seed = 3;
        FrameScheduler scheduler(options, QDateTime(QDate(2026, 12, 5), QTime(10, 0, 0, 400)));
        QCOMPARE(scheduler.frameStartNs(0), 600000000LL);
        QCOMPARE(scheduler.frameTime(0), QDateTime(QDate(2026, 12, 5), QTime(10, 0, 1)));
        QCOMPARE(scheduler.byteTimeNs(), 1041666LL);
        qint64 lastDue = 0;
        QByteArray frame;
        for (int count = 0; count < 3000; ++count) {
            const FrameScheduler::TimedWrite write = scheduler.next();
            QVERIFY(write.dueNs >= lastDue);
            lastDue = write.dueNs;
            if (write.isNoise) {
                QVERIFY(frame.isEmpty());
                QVERIFY(write.dueNs <= scheduler.frameStartNs(write.frame + 1));
                QCOMPARE(write.bytes.size(), 1);
                continue;
            }
            QVERIFY(write.dueNs > scheduler.frameStartNs(write.frame));
            frame += write.bytes;
            if (write.endsFrame) {
                QCOMPARE(frame.size(), 12);
                QCOMPARE(quint8(frame[0]), quint8(0xAA));
                QCOMPARE(quint8(frame[11]), quint8(0x03));
                frame.clear();
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestValtoraSim)
#include "test_valtorasim.moc"
