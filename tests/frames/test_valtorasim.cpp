#include "frames/receptionlogic.h"
#include "framescheduler.h"
#include "manualclock.h"
#include "simulatoroptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString simulatorPath()
{
    QString directory = qEnvironmentVariable("VALTORA_BIN_DIR");
    if (directory.isEmpty()) {
        directory = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    }
    return QDir(directory).filePath(QStringLiteral("valtora-sim"));
}

// Runs the simulator and reads its line from the slave side until it ends by itself.
struct SimulatorRun
{
    QByteArray bytes;
    QList<qint64> arrivalMs; // when each byte was read, from the first read on
    int exitCode = -1;
    QString error;
};

SimulatorRun runSimulator(const QStringList &arguments, int timeoutMs = 10000)
{
    SimulatorRun run;
    QProcess simulator;
    simulator.start(simulatorPath(), arguments);
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        run.error = QStringLiteral("no device printed");
        return run;
    }
    const QByteArray slave = simulator.readLine().trimmed();
    const int descriptor = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        run.error = QStringLiteral("cannot open ") + QString::fromLocal8Bit(slave);
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 firstRead = -1;
    while (clock.elapsed() < timeoutMs) {
        pollfd input { descriptor, POLLIN, 0 };
        if (::poll(&input, 1, 20) > 0 && (input.revents & POLLIN)) {
            char buffer[256];
            const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
            if (got > 0) {
                if (firstRead < 0) {
                    firstRead = clock.elapsed();
                }
                run.bytes.append(buffer, got);
                for (ssize_t index = 0; index < got; ++index) {
                    run.arrivalMs.append(clock.elapsed() - firstRead);
                }
                continue;
            }
        }
        if (simulator.state() == QProcess::NotRunning || simulator.waitForFinished(0)) {
            break;
        }
    }
    ::close(descriptor);
    if (simulator.state() != QProcess::NotRunning && !simulator.waitForFinished(3000)) {
        simulator.kill();
        simulator.waitForFinished();
        run.error = QStringLiteral("did not end");
    }
    run.exitCode = simulator.exitCode();
    return run;
}

QStringList decode(const QByteArray &bytes)
{
    ManualClock clock;
    ReceptionLogic logic(clock, [] { return false; });
    QStringList captions;
    QObject::connect(&logic, &ReceptionLogic::label2CaptionChanged, &logic,
                     [&](const QString &caption) { captions << caption; });
    logic.receiveBytes(bytes, 1);
    return captions;
}

} // namespace

class TestValtoraSim : public QObject
{
    Q_OBJECT
private slots:
    void badOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList { "--bogus" } << "unknown option --bogus";
        QTest::newRow("missing value") << QStringList { "--count" } << "--count needs a value";
        QTest::newRow("speed not a number") << QStringList { "--baud", "fast" } << "--baud wants";
        QTest::newRow("speed too high") << QStringList { "--baud=5000000" } << "--baud wants";
        QTest::newRow("count zero") << QStringList { "--count", "0" } << "--count wants";
        QTest::newRow("bad month")
            << QStringList { "--start", "2026-13-01T00:00:00" } << "--start wants";
        QTest::newRow("start without seconds")
            << QStringList { "--start", "2026-12-05T10:00" } << "--start wants";
        QTest::newRow("negative skip") << QStringList { "--skip", "-1" } << "--skip wants";
        QTest::newRow("negative noise") << QStringList { "--noise", "-3" } << "--noise wants";
        QTest::newRow("noise over the line")
            << QStringList { "--noise", "2000" } << "more than the line can carry";
        QTest::newRow("interval too short")
            << QStringList { "--interval-ms", "5" } << "--interval-ms wants";
        QTest::newRow("frame too long for interval")
            << QStringList { "--baud", "300", "--interval-ms", "100" } << "does not fit";
        QTest::newRow("flag with value") << QStringList { "--stale=yes" } << "takes no value";
        QTest::newRow("link and device")
            << QStringList { "--device", "/dev/null", "--link", "/tmp/x" } << "cannot be used";
        QTest::newRow("stray argument") << QStringList { "now" } << "unexpected argument";
        QTest::newRow("odd device speed")
            << QStringList { "--device", "/dev/null", "--baud", "12345" } << "standard speed";
    }
    void badOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess simulator;
        simulator.start(simulatorPath(), arguments);
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), 2);
        const QString error = QString::fromLocal8Bit(simulator.readAllStandardError());
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(simulator.readAllStandardOutput().isEmpty());
    }

    void help()
    {
        QProcess simulator;
        simulator.start(simulatorPath(), { QStringLiteral("--help") });
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(simulator.readAllStandardOutput().contains("--interval-ms N"));
    }

    void framesCarryTheStartTime()
    {
        const SimulatorRun run
            = runSimulator({ "--start", "2026-12-05T23:59:58", "--count", "3" }, 10000);
        QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.bytes.size(), 36);
        QCOMPARE(
            decode(run.bytes),
            (QStringList { "2026-12-05 23:59:58", "2026-12-05 23:59:59", "2026-12-06 00:00:00" }));
        // A frame at each second, each byte at the pace of a 9600 baud line.
        const qint64 secondFrame = run.arrivalMs[12];
        const QByteArray shownGap = QByteArray::number(secondFrame);
        QVERIFY2(secondFrame > 700 && secondFrame < 1300, shownGap.constData());
        QVERIFY(run.arrivalMs[11] >= 8);
    }

    void staleRepeatsOneTime()
    {
        const SimulatorRun run = runSimulator({ "--start", "2030-01-02T03:04:05", "--stale",
                                                "--count", "3", "--interval-ms", "100" });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(decode(run.bytes), QStringList(3, QStringLiteral("2030-01-02 03:04:05")));
    }

    void skipJumpsSeconds()
    {
        const SimulatorRun run
            = runSimulator({ "--start", "2030-01-02T03:04:05", "--skip", "4", "--count", "3" });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(
            decode(run.bytes),
            (QStringList { "2030-01-02 03:04:05", "2030-01-02 03:04:10", "2030-01-02 03:04:15" }));
    }

    void splitAndNoiseStillDecode()
    {
        const SimulatorRun run = runSimulator({ "--start", "2030-01-02T03:04:05", "--split",
                                                "--noise", "100", "--seed", "11", "--count", "5",
                                                "--interval-ms", "250", "--baud", "115200" });
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.bytes.size() > 60); // noise came along
        const QStringList captions = decode(run.bytes);
        const QStringList expected { "2030-01-02 03:04:05", "2030-01-02 03:04:05",
                                     "2030-01-02 03:04:05", "2030-01-02 03:04:05",
                                     "2030-01-02 03:04:06" };
        qsizetype next = 0;
        for (const QString &caption : captions) {
            if (next < expected.size() && caption == expected[next]) {
                ++next;
            }
        }
        QCOMPARE(next, expected.size());
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
        const QString link = dir.filePath(QStringLiteral("ttyVALTORA"));
        QProcess simulator;
        simulator.start(simulatorPath(), { QStringLiteral("--link"), link });
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
        const QString path = dir.filePath(QStringLiteral("precious"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep");
        file.close();
        QProcess simulator;
        simulator.start(simulatorPath(), { QStringLiteral("--link"), path });
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitCode(), 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep"));
    }

    void missingDevice()
    {
        QProcess simulator;
        simulator.start(simulatorPath(), { "--device", "/nonexistent/ttyS99" });
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitCode(), 1);
        QVERIFY(simulator.readAllStandardError().contains("/nonexistent/ttyS99"));
    }

    // The schedule itself: frames on the clock's boundaries, bytes at the line's pace,
    // noise only between frames, pieces that add up to the frame.
    void schedule()
    {
        SimulatorOptions options;
        options.noiseRate = 500;
        options.split = true;
        options.seed = 3;
        const QDateTime start(QDate(2026, 12, 5), QTime(10, 0, 0, 400));
        FrameScheduler scheduler(options, start);
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

    void parseOptions()
    {
        const QStringList arguments { "--baud=115200",       "--noise", "2.5", "--start",
                                      "2026-12-05T23:59:50", "--seed",  "7" };
        const Result<SimulatorOptions> parsed = parseSimulatorOptions(arguments);
        QVERIFY(parsed.ok());
        QCOMPARE(parsed.value().baud, 115200);
        QCOMPARE(parsed.value().noiseRate, 2.5);
        QCOMPARE(*parsed.value().start, QDateTime(QDate(2026, 12, 5), QTime(23, 59, 50)));
        QCOMPARE(*parsed.value().seed, 7u);
        QCOMPARE(parsed.value().intervalMs, 1000);
    }
};

QTEST_GUILESS_MAIN(TestValtoraSim)
#include "test_valtorasim.moc"
