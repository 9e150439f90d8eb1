#include "correction/correctionlog.h"
#include "programs.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

// The real valtora and valtora-sim programs, each in a folder of its own: the program's
// copy keeps its logfile.txt beside it, its settings live in a private XDG_CONFIG_HOME, and
// its clock is the simulated one.
class TestEndToEndPrograms : public QObject
{
    Q_OBJECT
private slots:
    // Asked only what it is, the program answers without a display (the platform named for
    // those rows does not exist: a window system started anyway would abort) and without
    // settings; a clock it cannot make ends it with code 2 before any window shows.
    void endsAtOnceWithItsCode_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("version") << "--version" << "" << 0
                                 << QByteArray("VALTORA " VALTORA_PROJECT_VERSION "\n");
        QTest::newRow("help") << "--help" << "" << 0 << QByteArray("Usage: valtora [options]\n");
        QTest::newRow("unknown option") << "--bogus" << "" << 2 << QByteArray();
        QTest::newRow("unknown clock") << "" << "bogus" << 2 << QByteArray();
        QTest::newRow("impossible start") << "" << "simulated@2026-13-01T00:00:00" << 2
                                          << QByteArray();
        QTest::newRow("no start after the at") << "" << "simulated@" << 2 << QByteArray();
    }
    void endsAtOnceWithItsCode()
    {
        QFETCH(QString, option);
        QFETCH(QString, clock);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QTemporaryDir dir;
        QProcessEnvironment environment = programEnvironment(dir.path(), clock);
        if (!option.isEmpty()) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-display"));
        }
        QProcess valtora;
        valtora.setProcessEnvironment(environment);
        valtora.start(programPath(QStringLiteral("valtora")),
                      option.isEmpty() ? QStringList() : QStringList { option });
        QVERIFY(valtora.waitForFinished(10000));
        QCOMPARE(valtora.exitStatus(), QProcess::NormalExit);
        QCOMPARE(valtora.exitCode(), exitCode);
        QVERIFY(valtora.readAllStandardOutput().startsWith(output));
        const QByteArray errors = valtora.readAllStandardError();
        QCOMPARE(errors.isEmpty(), exitCode == 0);
        QVERIFY(option.isEmpty() || !QFile::exists(dir.filePath(QStringLiteral("config"))));
        QVERIFY(clock.isEmpty() || errors.contains("VALTORA"));
    }

    // Correction on, every 5 seconds, with the program's clock an hour off: the receiver's
    // time reaches the clock, the log file shows it, and once the receiver falls silent the
    // refused attempts carry the corrected time.
    void correctionReachesTheClockAndTheLogFile()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(programPath(QStringLiteral("valtora")), dir.filePath("valtora")));
        const QString link = dir.filePath(QStringLiteral("ttyReceiver"));
        writeSettings(dir.path(),
                      { { "Ports/Com1", link },
                        { "Properties/jiaoshiflag", "1" },
                        { "Properties/jiaoshimiao", "5" } });
        SimulatorProcess simulator(link);
        QVERIFY(simulator.waitForLink());

        // The hour goes the way that keeps today's date: a correction sets only the time of
        // day, so a start on the far side of midnight would stay a day off, as it should.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime hourOff = now.addSecs(now.time().hour() < 12 ? 3600 : -3600);
        QProcess valtora;
        valtora.setWorkingDirectory(dir.path());
        valtora.setProcessEnvironment(programEnvironment(
            dir.path(), QStringLiteral("simulated@") + hourOff.toString(Qt::ISODate)));
        valtora.start(dir.filePath(QStringLiteral("valtora")), {});
        QVERIFY(valtora.waitForStarted());
        const auto stopValtora = qScopeGuard([&valtora] {
            valtora.kill();
            valtora.waitForFinished(3000);
        });

        const QString logPath = dir.filePath(QStringLiteral("logfile.txt"));
        const QRegularExpression success(QStringLiteral(
            "^\"SYSTEM TIME IS CHANGED TO :(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2})\"\r$"));
        QString set;
        QDeadlineTimer deadline(15000);
        while (set.isEmpty() && !deadline.hasExpired()) {
            QTest::qWait(200);
            for (const QString &line : logLines(logPath)) {
                const auto match = success.match(line);
                if (match.hasMatch()) {
                    set = match.captured(1);
                }
            }
        }
        QVERIFY2(!set.isEmpty(), qPrintable(logLines(logPath).join(QLatin1Char('|'))));
        // The time set is the receiver's, which follows this computer's clock.
        const QDateTime setTo = QDateTime::fromString(set, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(qAbs(setTo.secsTo(QDateTime::currentDateTime())) < 20);
        QCOMPARE(valtora.readAllStandardError().count("simulated clock"), 1);

        // The receiver stops; within two watchdog ticks the attempts are refused, and their
        // lines carry the computer's time as corrected, not the hour-off start.
        simulator.stop();
        const QLocale locale = QLocale::system();
        const QString stampFormat = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
            + CorrectionLog::timeFormatWithSeconds(locale);
        const QString failureEnd = QStringLiteral(" :ERROR-CANNOT CORRECT TIME\"\r");
        QString failure;
        deadline.setRemainingTime(15000);
        while (failure.isEmpty() && !deadline.hasExpired()) {
            QTest::qWait(200);
            for (const QString &line : logLines(logPath)) {
                if (line.endsWith(failureEnd)) {
                    failure = line.mid(1, line.size() - 1 - failureEnd.size());
                }
            }
        }
        QVERIFY2(!failure.isEmpty(), qPrintable(logLines(logPath).join(QLatin1Char('|'))));
        qInfo("set to %s; refused at %s", qPrintable(set), qPrintable(failure));
        QDateTime stamp = locale.toDateTime(failure, stampFormat);
        QVERIFY2(stamp.isValid(), qPrintable(failure));
        if (stamp.date().year() < 2000) {
            stamp = stamp.addYears(100); // two-digit years of a short date format
        }
        QVERIFY2(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 20, qPrintable(failure));

        // Every record is one quoted line; the file only grew.
        for (const QString &line : logLines(logPath)) {
            QVERIFY2(line.startsWith(QLatin1Char('"')) && line.endsWith(QStringLiteral("\"\r")),
                     qPrintable(line));
        }
    }

    // A logout's session manager or kill ends the program as cleanly as its exit button:
    // the port is closed, so its lock file goes too.
    void terminationSignalClosesThePort_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationSignalClosesThePort()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyReceiver"));
        writeSettings(dir.path(), { { "Ports/Com1", link } });
        SimulatorProcess simulator(link);
        QVERIFY(simulator.waitForLink());
        QProcess valtora;
        valtora.setProcessEnvironment(programEnvironment(dir.path(), QStringLiteral("simulated")));
        valtora.start(programPath(QStringLiteral("valtora")), {});
        QVERIFY(valtora.waitForStarted());
        // The port service keeps a lock file named after the device while the port is open.
        const QString lockName = QStringLiteral("LCK..") + QString(link).replace(u'/', u'_');
        const QString lock = QDir(QStringLiteral("/run/lock")).filePath(lockName);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lock), 10000);

        // A second start leaves the port alone and ends at once.
        if (signal == SIGTERM) {
            QProcess second;
            second.setProcessEnvironment(valtora.processEnvironment());
            second.start(programPath(QStringLiteral("valtora")), {});
            QVERIFY(second.waitForFinished(10000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(valtora.state(), QProcess::Running);
        }

        ::kill(pid_t(valtora.processId()), signal);
        QVERIFY(valtora.waitForFinished(5000));
        QCOMPARE(valtora.exitStatus(), QProcess::NormalExit);
        QCOMPARE(valtora.exitCode(), 0);
        QVERIFY(!QFile::exists(lock));
    }

private:
    static QStringList logLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
        lines.removeAll(QString());
        return lines;
    }
};

QTEST_GUILESS_MAIN(TestEndToEndPrograms)
#include "test_e2e_programs.moc"
