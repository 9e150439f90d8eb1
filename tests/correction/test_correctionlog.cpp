#include "correction/correctionlog.h"
#include "manualclock.h"

#include <QDir>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(13, 2, 3));
const QString kLogFile = QStringLiteral("logfile.txt");

// The whole file, or "<missing>" when it cannot be read.
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Places no log can be written to, and some it can.
void makeTree(const QString &root)
{
    QDir dir(root);
    for (const char *folder : { "folder", "withlog", "linklog" }) {
        QVERIFY(dir.mkdir(QLatin1String(folder)));
    }
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("withlog/logfile.txt")), "\"old\"\r\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("readonly.txt")), "\"old\"\r\n"));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("readonly.txt")),
                                  QFileDevice::ReadOwner));
    for (const char *link : { "link.txt", "linklog/logfile.txt" }) {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("withlog/logfile.txt")),
                            dir.filePath(QLatin1String(link))));
    }
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))), 0600), 0);
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
        makeTree(m_root.path());
    }

    // The stamp follows the regional formats, with seconds put right after the minutes.
    void failureLines()
    {
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        QCOMPARE(log.failureBoxLine(QLatin1Char('c')),
                 QStringLiteral("05.12.26 13:02:03 c:ERROR-CANNOT CORRECT TIME"));
    }

    // Over 10000 characters the box keeps the text from the 2097th on, and tells the window.
    void sizeRule_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("exactly 10000 stays") << 10000;
        QTest::newRow("10001 is cut") << 10001;
    }
    void sizeRule()
    {
        QFETCH(int, size);
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        QSignalSpy replaced(&log, &CorrectionLog::boxTextReplaced);
        log.addBoxLine(QString(size - 2, QLatin1Char('x')));
        const QString before = log.boxText();
        log.applySizeRule();
        log.applySizeRule();
        QCOMPARE(log.boxText(), size > 10000 ? before.mid(2096) : before);
        QCOMPARE(replaced.size(), size > 10000 ? 1 : 0);
        QVERIFY(replaced.isEmpty() || replaced.at(0).at(0).toString() == log.boxText());
    }

    // Nor append through another user's link, nor hang on a pipe nobody reads.
    void unwritableFileFails_data()
    {
        QTest::addColumn<QString>("relativePath");
        for (const char *path : { "folder", "link.txt", "pipe", "readonly.txt" }) {
            QTest::newRow(path) << path;
        }
    }
    void unwritableFileFails()
    {
        QFETCH(QString, relativePath);
        if (relativePath == u"readonly.txt" && geteuid() == 0) {
            QSKIP("The administrator writes read-only files.");
        }
        const QString path = m_root.filePath(relativePath);
        const bool pipe = relativePath == u"pipe"; // reading it would block
        const QByteArray before = pipe ? QByteArray() : fileBytes(path);
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        QSignalSpy toldOutside(&log, &CorrectionLog::actionNeeded);
        log.addBoxLine(QStringLiteral("kept"));
        const Outcome outcome = log.WriteLog(QStringLiteral("lost"));
        QVERIFY(outcome.has_value());
        QVERIFY2(outcome->text.contains(path), qPrintable(outcome->text));
        // Explained once in the box and once outside the window; failing again is quiet, and
        // the box still takes lines.
        QVERIFY(log.WriteLog(QStringLiteral("lost again")).has_value());
        log.addBoxLine(QStringLiteral("more"));
        QCOMPARE(log.boxText(),
                 QStringLiteral("kept\r\nNOTE: %1 Corrections go on, but their records are being "
                                "lost.\r\nmore\r\n")
                     .arg(outcome->text));
        QCOMPARE(toldOutside.size(), 1);
        QVERIFY(pipe || fileBytes(path) == before);
        QCOMPARE(fileBytes(m_root.filePath(QStringLiteral("withlog/logfile.txt"))), "\"old\"\r\n");
    }

    // Half a record written on a full disk (a file-size limit here) is cut back off.
    void recordIsWholeOrAbsent()
    {
        const QString path = m_root.filePath(QStringLiteral("full.txt"));
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
    }

    // A file that stops being writable hands over to the per-user one, said once in the box.
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
        for (const char *line : { "two", "three" }) {
            QCOMPARE(log.WriteLog(QLatin1String(line)), Outcome());
        }
        QCOMPARE(fileBytes(fallback), QByteArray("\"two\"\r\n\"three\"\r\n"));
        QCOMPARE(log.filePath(), fallback);
        QVERIFY(
            log.boxText().endsWith(QStringLiteral(" Log lines now go to %1.\r\n").arg(fallback)));
    }

    // At start-up a program folder the log cannot be written in hands over to the user's.
    void chooseFilePath()
    {
        const QString user = m_root.filePath(QStringLiteral("user"));
        QCOMPARE(CorrectionLog::chooseFilePath(m_root.filePath(QStringLiteral("linklog")), user),
                 QDir(user).filePath(kLogFile));
        QVERIFY(QFileInfo(user).isDir());
    }

private:
    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(TestCorrectionLog)
#include "test_correctionlog.moc"
