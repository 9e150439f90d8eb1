#include "correction/correctionlog.h"
#include "manualclock.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <unistd.h>

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray("<missing>");
    }
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The administrator may write whatever the permission bits say.
bool permissionBitsBind()
{
    return geteuid() != 0;
}

const QDateTime kNow(QDate(2026, 12, 5), QTime(13, 2, 3));

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

    void failureLines_data()
    {
        QTest::addColumn<QChar>("letter");
        for (const char letter : { 'a', 'b', 'c', 'd', 'e' }) {
            QTest::newRow(QByteArray(1, letter).constData()) << QChar::fromLatin1(letter);
        }
    }
    void failureLines()
    {
        QFETCH(QChar, letter);
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        QCOMPARE(log.failureBoxLine(letter),
                 QStringLiteral("05.12.26 13:02:03 ") + letter
                     + QStringLiteral(":ERROR-CANNOT CORRECT TIME"));
        // Whatever the letter, the file line is the same.
        QCOMPARE(log.failureFileLine(),
                 QStringLiteral("05.12.26 13:02:03 :ERROR-CANNOT CORRECT TIME"));
    }

    void failureLinesFollowTheClock()
    {
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        clock.setNow(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 9)));
        QCOMPARE(log.failureFileLine(),
                 QStringLiteral("01.01.27 00:00:09 :ERROR-CANNOT CORRECT TIME"));
    }

    void timeFormatHasSeconds_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("afternoon");
        QTest::newRow("US") << "en_US"
                            << "h:mm:ss AP"
                            << "1:02:03 PM";
        QTest::newRow("German") << "de_DE"
                                << "HH:mm:ss"
                                << "13:02:03";
        QTest::newRow("Finnish dots") << "fi_FI"
                                      << "H.mm.ss"
                                      << "13.02.03";
        QTest::newRow("Korean marker first") << "ko_KR"
                                             << "AP h:mm:ss" << u8"오후 1:02:03";
        QTest::newRow("Bulgarian quoted suffix") << "bg_BG"
                                                 << "H:mm:ss 'ч'." << u8"13:02:03 ч.";
        QTest::newRow("Canadian French literal between") << "fr_CA"
                                                         << "HH 'h' mm:ss"
                                                         << "13 h 02:03";
        QTest::newRow("C already has seconds") << "C"
                                               << "HH:mm:ss"
                                               << "13:02:03";
    }
    void timeFormatHasSeconds()
    {
        QFETCH(QString, locale);
        QFETCH(QString, format);
        QFETCH(QString, afternoon);
        const QLocale chosen(locale);
        QCOMPARE(CorrectionLog::timeFormatWithSeconds(chosen), format);
        QCOMPARE(chosen.toString(QTime(13, 2, 3), format), afternoon);
    }

    void successLineOfAStamp()
    {
        QCOMPARE(CorrectionLog::successLine(
                     CorrectionLog::stampText(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)))),
                 QStringLiteral("SYSTEM TIME IS CHANGED TO :2026-01-02 03:04:05"));
        QCOMPARE(CorrectionLog::successLine(QStringLiteral("2026-12-5 23:59:59")),
                 QStringLiteral("SYSTEM TIME IS CHANGED TO :2026-12-5 23:59:59"));
    }

    void boxLinesEndWithCrLf()
    {
        ManualClock clock(kNow);
        CorrectionLog log(clock, QString());
        QSignalSpy added(&log, &CorrectionLog::boxLineAdded);
        log.addBoxLine(QStringLiteral("one"));
        log.addBoxLine(QString());
        QCOMPARE(log.boxText(), QStringLiteral("one\r\n\r\n"));
        QCOMPARE(added.size(), 2);
        QCOMPARE(added.at(0).at(0).toString(), QStringLiteral("one\r\n"));

        QSignalSpy replaced(&log, &CorrectionLog::boxTextReplaced);
        log.clearBox();
        QVERIFY(log.boxText().isEmpty());
        QCOMPARE(replaced.size(), 1);
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
        log.applySizeRule();
        if (!cut) {
            QCOMPARE(log.boxText(), before);
            QCOMPARE(replaced.size(), 0);
            return;
        }
        QCOMPARE(log.boxText().size(), 7905);
        QCOMPARE(log.boxText(), before.mid(2096));
        // Character 2096 (counted from 1) was the CR of a line: the box now starts with its LF.
        QVERIFY(log.boxText().startsWith(QLatin1String("\nx\r\n")));
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(replaced.at(0).at(0).toString(), log.boxText());

        // Once below the limit nothing more is cut, and lines go on at the end.
        log.applySizeRule();
        log.addBoxLine(QStringLiteral("new"));
        QVERIFY(log.boxText().endsWith(QLatin1String("xxx\r\nnew\r\n")));
        QCOMPARE(replaced.size(), 1);
    }

    void missingFileIsCreatedAndGrows()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("logfile.txt"));
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        QCOMPARE(log.WriteLog(QStringLiteral("SYSTEM TIME IS CHANGED TO :2026-12-05 13:02:03")),
                 Outcome());
        QCOMPARE(log.WriteLog(log.failureFileLine()), Outcome());
        QCOMPARE(log.WriteLog(QString()), Outcome());
        QCOMPARE(contentsOf(path),
                 QByteArray("\"SYSTEM TIME IS CHANGED TO :2026-12-05 13:02:03\"\r\n"
                            "\"05.12.26 13:02:03 :ERROR-CANNOT CORRECT TIME\"\r\n"
                            "\"\"\r\n"));
        // The box is a separate sink.
        QVERIFY(log.boxText().isEmpty());
    }

    void existingFileOnlyGrows()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("logfile.txt"));
        const QByteArray earlier("\"earlier run\"\r\nno line end at the close");
        QVERIFY(writeFile(path, earlier));
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        QCOMPARE(log.WriteLog(QStringLiteral("next")), Outcome());
        QCOMPARE(contentsOf(path), earlier + "\"next\"\r\n");
    }

    void recordsUseTheSystemEncoding()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("logfile.txt"));
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        const QString line = QStringLiteral(u"时间 ändert \"so\"");
        QCOMPARE(log.WriteLog(line), Outcome());
        // A quote inside the text stays as it is between the outer quotes.
        QCOMPARE(contentsOf(path), '"' + line.toLocal8Bit() + "\"\r\n");
        QVERIFY(contentsOf(path).contains("\"so\""));
    }

    void unwritableFileFailsAndNothingElseBreaks_data()
    {
        QTest::addColumn<QString>("relativePath");
        // A regular file where a folder should be: refused to the administrator too.
        QTest::newRow("parent is a file") << "plain/logfile.txt";
        QTest::newRow("path is a folder") << "folder";
        QTest::newRow("missing folder") << "absent/logfile.txt";
    }
    void unwritableFileFailsAndNothingElseBreaks()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(QStringLiteral("plain")), "not a folder"));
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
        const QString path = folder.filePath(relativePath);

        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        log.addBoxLine(QStringLiteral("kept"));
        const Outcome outcome = log.WriteLog(QStringLiteral("lost"));
        QVERIFY(outcome.has_value());
        QVERIFY2(outcome->text.contains(path), qPrintable(outcome->text));
        QCOMPARE(log.boxText(), QStringLiteral("kept\r\n"));
        // Failing again is just as quiet, and the box still takes lines.
        QVERIFY(log.WriteLog(QStringLiteral("lost again")).has_value());
        log.addBoxLine(QStringLiteral("more"));
        QCOMPARE(log.boxText(), QStringLiteral("kept\r\nmore\r\n"));
    }

    void readOnlyFileFails()
    {
        if (!permissionBitsBind()) {
            QSKIP("Running as the administrator, who writes read-only files anyway; the "
                  "refused cases are covered with a file in place of a folder.");
        }
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("logfile.txt"));
        QVERIFY(writeFile(path, "\"old\"\r\n"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        ManualClock clock(kNow);
        CorrectionLog log(clock, path);
        QVERIFY(log.WriteLog(QStringLiteral("lost")).has_value());
        QCOMPARE(contentsOf(path), QByteArray("\"old\"\r\n"));
    }

    void chooseFilePath_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<bool>("fallback");
        QTest::newRow("writable folder") << "program" << false;
        QTest::newRow("folder is a file") << "plain" << true;
        QTest::newRow("folder missing") << "absent" << true;
        QTest::newRow("inside a file") << "plain/bin" << true;
    }
    void chooseFilePath()
    {
        QFETCH(QString, programFolder);
        QFETCH(bool, fallback);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir(QStringLiteral("program")));
        QVERIFY(writeFile(root.filePath(QStringLiteral("plain")), "not a folder"));
        const QString fallbackFolder = root.filePath(QStringLiteral("user/data/VALTORA"));
        const QString program = root.filePath(programFolder);

        const QString chosen = CorrectionLog::chooseFilePath(program, fallbackFolder);
        const QString expectedFolder = fallback ? fallbackFolder : program;
        QCOMPARE(chosen, QDir(expectedFolder).filePath(QStringLiteral("logfile.txt")));
        // The per-user folder exists when it is chosen; trying a folder leaves nothing behind.
        QCOMPARE(QFileInfo(fallbackFolder).isDir(), fallback);
        QCOMPARE(QDir(root.filePath(QStringLiteral("program")))
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }

    void readOnlyProgramFolderFallsBack()
    {
        if (!permissionBitsBind()) {
            QSKIP("Running as the administrator, who writes read-only folders anyway; the "
                  "fallback is covered with a file in place of the folder.");
        }
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(program));
        QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString fallbackFolder = root.filePath(QStringLiteral("user"));
        QCOMPARE(CorrectionLog::chooseFilePath(program, fallbackFolder),
                 QDir(fallbackFolder).filePath(QStringLiteral("logfile.txt")));
        QFile::setPermissions(
            program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void existingLogKeepsItsFolder()
    {
        QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral("logfile.txt"));
        QVERIFY(writeFile(path, "\"old\"\r\n"));
        QCOMPARE(CorrectionLog::chooseFilePath(root.path(), root.filePath(QStringLiteral("u"))),
                 path);
        // Looking is not writing.
        QCOMPARE(contentsOf(path), QByteArray("\"old\"\r\n"));
    }

    void defaultPathIsBesideTheProgramWhereItCanWrite()
    {
        const QString folder = QCoreApplication::applicationDirPath();
        QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("probe-XXXXXX")));
        const QString expectedFolder = probe.open()
            ? folder
            : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QCOMPARE(CorrectionLog::defaultFilePath(),
                 QDir(expectedFolder).filePath(QStringLiteral("logfile.txt")));
    }
};

QTEST_GUILESS_MAIN(TestCorrectionLog)
#include "test_correctionlog.moc"
