#include "correction/correctionlog.h"
#include "correctiontesthelpers.h"
#include "manualclock.h"

#include <QDir>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(13, 2, 3));
const QString kLogFile = QStringLiteral("logfile.txt");

// The administrator writes whatever the permission bits say, so read-only cases only bind
// for other users; a regular file in place of a folder refuses everyone.
bool permissionBitsBind()
{
    return geteuid() != 0;
}

} // namespace

class TestCorrectionLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The test command runs this with German regional settings.
        QCOMPARE(QLocale::system().name(), QStringLiteral("de_DE"));
    }

    void failureLines()
    {
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        for (const char letter : { 'a', 'b', 'c', 'd', 'e' }) {
            QCOMPARE(log.failureBoxLine(QLatin1Char(letter)),
                     QStringLiteral("05.12.26 13:02:03 %1:ERROR-CANNOT CORRECT TIME")
                         .arg(QLatin1Char(letter)));
        }
        QCOMPARE(log.failureFileLine(),
                 QStringLiteral("05.12.26 13:02:03 :ERROR-CANNOT CORRECT TIME"));
        clock.setNow(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 9)));
        QCOMPARE(log.failureFileLine(),
                 QStringLiteral("01.01.27 00:00:09 :ERROR-CANNOT CORRECT TIME"));
    }

    void timeFormatHasSeconds_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("format");
        const auto row = [](const char *name, const char *locale, const char *format) {
            QTest::newRow(name) << QString::fromLatin1(locale) << QString::fromUtf8(format);
        };
        row("US", "en_US", "h:mm:ss AP");
        row("German", "de_DE", "HH:mm:ss");
        row("Finnish dots", "fi_FI", "H.mm.ss");
        row("Korean marker first", "ko_KR", "AP h:mm:ss");
        row("Bulgarian quoted suffix", "bg_BG", "H:mm:ss 'ч'.");
        row("Canadian French literal between", "fr_CA", "HH 'h' mm:ss");
        row("C already has seconds", "C", "HH:mm:ss");
    }
    void timeFormatHasSeconds()
    {
        QFETCH(QString, locale);
        QTEST(CorrectionLog::timeFormatWithSeconds(QLocale(locale)), "format");
    }

    void sizeRule_data()
    {
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<bool>("cut");
        // 3332 lines "x" CR LF take 9996 characters; the last line makes up the rest.
        QTest::newRow("exactly 10000 stays") << "xx" << false;
        QTest::newRow("10001 is cut") << "xxx" << true;
    }
    void sizeRule()
    {
        QFETCH(QString, lastLine);
        QFETCH(bool, cut);
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        for (int i = 0; i < 3332; ++i) {
            log.addBoxLine(QStringLiteral("x"));
        }
        log.addBoxLine(lastLine);
        const QString before = log.boxText();
        QCOMPARE(before.size(), cut ? 10001 : 10000);
        QSignalSpy replaced(&log, &CorrectionLog::boxTextReplaced);
        QSignalSpy added(&log, &CorrectionLog::boxLineAdded);

        log.applySizeRule();
        QCOMPARE(log.boxText(), cut ? before.mid(2096) : before);
        QCOMPARE(replaced.size(), cut ? 1 : 0);
        if (cut) {
            // Character 2096 (counted from 1) was the CR of a line: the box starts with its LF.
            QVERIFY(log.boxText().startsWith(QLatin1String("\nx\r\n")));
            QCOMPARE(replaced.at(0).at(0).toString(), log.boxText());
        }
        // Below the limit nothing more is cut, and lines go on at the end with CR LF.
        log.applySizeRule();
        log.addBoxLine(QStringLiteral("new"));
        QVERIFY(log.boxText().endsWith(lastLine + QStringLiteral("\r\nnew\r\n")));
        QCOMPARE(added.size(), 1);
        QCOMPARE(added.at(0).at(0).toString(), QStringLiteral("new\r\n"));
        QCOMPARE(replaced.size(), cut ? 1 : 0);

        log.clearBox();
        QVERIFY(log.boxText().isEmpty());
        QVERIFY(replaced.constLast().at(0).toString().isEmpty());
    }

    void recordsAreAppended_data()
    {
        QTest::addColumn<QByteArray>("earlier");
        QTest::newRow("missing file is created") << QByteArray();
        QTest::newRow("existing file only grows")
            << QByteArray("\"earlier run\"\r\nno line end at the close");
    }
    void recordsAreAppended()
    {
        QFETCH(QByteArray, earlier);
        QTemporaryDir folder;
        const QString path = folder.filePath(kLogFile);
        if (!earlier.isNull()) {
            QVERIFY(writeBytes(path, earlier));
        }
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        // A quote inside the text stays as it is between the outer quotes.
        const QString odd = QStringLiteral(u"时间 ändert \"so\"");
        for (const QString &line : { log.failureFileLine(), odd, QString() }) {
            QCOMPARE(log.WriteLog(line), Outcome());
        }
        QCOMPARE(fileBytes(path),
                 earlier + "\"05.12.26 13:02:03 :ERROR-CANNOT CORRECT TIME\"\r\n\""
                     + odd.toLocal8Bit() + "\"\r\n\"\"\r\n");
        QVERIFY(log.boxText().isEmpty());
    }

    void unwritableFileFailsAndNothingElseBreaks_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("parent is a file") << "plain/logfile.txt";
        QTest::newRow("path is a folder") << "folder";
        QTest::newRow("missing folder") << "absent/logfile.txt";
        // Another user's link must not make the program append to the file it names, and a
        // pipe nobody reads must not hang it.
        QTest::newRow("symbolic link") << "link.txt";
        QTest::newRow("named pipe") << "pipe";
        if (permissionBitsBind()) {
            QTest::newRow("read-only file") << "readonly.txt";
        }
    }
    void unwritableFileFailsAndNothingElseBreaks()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir folder;
        QVERIFY(writeBytes(folder.filePath(QStringLiteral("plain")), "not a folder"));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
        const QString readOnly = folder.filePath(QStringLiteral("readonly.txt"));
        QVERIFY(writeBytes(readOnly, "\"old\"\r\n"));
        QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
        QVERIFY(writeBytes(folder.filePath(QStringLiteral("victim")), "\"theirs\"\r\n"));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("victim")),
                            folder.filePath(QStringLiteral("link.txt"))));
        QCOMPARE(mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("pipe"))), 0600), 0);
        const QString path = folder.filePath(relativePath);
        const bool pipe = relativePath == QLatin1String("pipe"); // reading it would block
        const QByteArray before = pipe ? QByteArray() : fileBytes(path);

        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        log.addBoxLine(QStringLiteral("kept"));
        const Outcome outcome = log.WriteLog(QStringLiteral("lost"));
        QVERIFY(outcome.has_value());
        QVERIFY2(outcome->text.contains(path), qPrintable(outcome->text));
        // Explained once in the box; failing again is quiet, and the box still takes lines.
        QVERIFY(log.WriteLog(QStringLiteral("lost again")).has_value());
        log.addBoxLine(QStringLiteral("more"));
        QCOMPARE(log.boxText(), QStringLiteral("kept\r\nNOTE: %1\r\nmore\r\n").arg(outcome->text));
        if (!pipe) {
            QCOMPARE(fileBytes(path), before);
        }
    }

    // A full disk takes part of a record: the file is cut back, so the next record is not
    // glued onto half a line. The file-size limit makes the kernel refuse part of a write.
    void recordIsWholeOrAbsent()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(kLogFile);
        QVERIFY(writeBytes(path, "\"old\"\r\n"));
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit saved = limit;
        limit.rlim_cur = 7 + 30;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const Outcome refused
            = log.WriteLog(QStringLiteral("SYSTEM TIME IS CHANGED TO :2026-12-05"));
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QVERIFY(refused.has_value());
        QCOMPARE(fileBytes(path), QByteArray("\"old\"\r\n"));
        QCOMPARE(log.WriteLog(QStringLiteral("next")), Outcome());
        QCOMPARE(fileBytes(path), QByteArray("\"old\"\r\n\"next\"\r\n"));
    }

    // When the file stops being writable while the program runs, records go to the per-user
    // file from then on, and the box says so once.
    void movesToTheFallbackWhileRunning()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("program")));
        const QString path = folder.filePath(QStringLiteral("program/logfile.txt"));
        const QString fallback = folder.filePath(QStringLiteral("user/VALTORA/logfile.txt"));
        ManualClock clock(kNow);
        CorrectionLog log(clock, path, fallback);
        QCOMPARE(log.WriteLog(QStringLiteral("one")), Outcome());
        QVERIFY(QDir(folder.filePath(QStringLiteral("program"))).removeRecursively());
        QCOMPARE(log.WriteLog(QStringLiteral("two")), Outcome());
        QCOMPARE(log.WriteLog(QStringLiteral("three")), Outcome());
        QCOMPARE(fileBytes(fallback), QByteArray("\"two\"\r\n\"three\"\r\n"));
        QCOMPARE(log.filePath(), fallback);
        QVERIFY(log.boxText().startsWith(QStringLiteral("NOTE: The log file ") + path));
        QVERIFY(
            log.boxText().endsWith(QStringLiteral(" Log lines now go to %1.\r\n").arg(fallback)));
    }

    void chooseFilePath_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<bool>("fallback");
        QTest::newRow("writable folder") << "program" << false;
        QTest::newRow("folder with a log") << "withlog" << false;
        QTest::newRow("log is a link") << "linklog" << true;
        QTest::newRow("log is a pipe") << "pipelog" << true;
        QTest::newRow("folder is a file") << "plain" << true;
        QTest::newRow("folder missing") << "absent" << true;
        QTest::newRow("inside a file") << "plain/bin" << true;
        if (permissionBitsBind()) {
            QTest::newRow("read-only folder") << "readonly" << true;
        }
    }
    void chooseFilePath()
    {
        QFETCH(QString, programFolder);
        QFETCH(bool, fallback);
        QTemporaryDir root;
        const QDir rootDir(root.path());
        QVERIFY(rootDir.mkdir(QStringLiteral("program"))
                && rootDir.mkdir(QStringLiteral("withlog")));
        QVERIFY(rootDir.mkdir(QStringLiteral("readonly")));
        const QString readOnly = root.filePath(QStringLiteral("readonly"));
        QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QVERIFY(writeBytes(root.filePath(QStringLiteral("plain")), "not a folder"));
        const QString existingLog = root.filePath(QStringLiteral("withlog/logfile.txt"));
        QVERIFY(writeBytes(existingLog, "\"old\"\r\n"));
        QVERIFY(rootDir.mkdir(QStringLiteral("linklog"))
                && rootDir.mkdir(QStringLiteral("pipelog")));
        QVERIFY(QFile::link(existingLog, root.filePath(QStringLiteral("linklog/logfile.txt"))));
        QCOMPARE(
            mkfifo(QFile::encodeName(root.filePath(QStringLiteral("pipelog/logfile.txt"))), 0600),
            0);
        const QString fallbackFolder = root.filePath(QStringLiteral("user/data/VALTORA"));
        const QString program = root.filePath(programFolder);

        const QString chosen = CorrectionLog::chooseFilePath(program, fallbackFolder);
        QCOMPARE(chosen, QDir(fallback ? fallbackFolder : program).filePath(kLogFile));
        // The per-user folder exists when it is chosen; trying a folder leaves nothing behind
        // and an existing log as it was.
        QCOMPARE(QFileInfo(fallbackFolder).isDir(), fallback);
        QVERIFY(QDir(root.filePath(QStringLiteral("program"))).isEmpty());
        QCOMPARE(QDir(root.filePath(QStringLiteral("withlog"))).entryList(QDir::Files),
                 QStringList { kLogFile });
        QCOMPARE(fileBytes(existingLog), QByteArray("\"old\"\r\n"));
        QFile::setPermissions(
            readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void defaultPathIsBesideTheProgramWhereItCanWrite()
    {
        const QString folder = QCoreApplication::applicationDirPath();
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("probe-XXXXXX")));
        const QString expectedFolder = probe.open()
            ? folder
            : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QCOMPARE(CorrectionLog::defaultFilePath(), QDir(expectedFolder).filePath(kLogFile));
    }
};

QTEST_GUILESS_MAIN(TestCorrectionLog)
#include "test_correctionlog.moc"
