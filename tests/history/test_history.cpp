#include "history/historywindow.h"
#include "history/trackingfile.h"
#include "manualclock.h"

#include <QChartView>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC);

// A line of tracking.csv for a correction secondsAgo before kNow.
QByteArray line(int secondsAgo, const char *offset = "-3", const char *path = "immediate")
{
    return kNow.addSecs(-secondsAgo).toString(Qt::ISODateWithMs).toLatin1() + ',' + path + ','
        + offset + ",250,/dev/ttyUSB0\n";
}

QList<TrackingRecord> records(const QByteArrayList &lines)
{
    QList<TrackingRecord> result;
    for (const QByteArray &text : lines) {
        result << *TrackingRecord::fromLine(QString::fromLatin1(text.trimmed()));
    }
    return result;
}

bool append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
}

// Makes path a named pipe ("pipe"), a link to a file beside it ("link") or a file with the
// bytes given.
bool makeFile(const QString &path, const QByteArray &contents)
{
    if (contents == "pipe") {
        return mkfifo(QFile::encodeName(path), 0600) == 0;
    }
    if (contents == "link") {
        return append(path + u".target"_s, "") && QFile::link(path + u".target"_s, path);
    }
    return contents.isEmpty() || append(path, contents);
}

const QByteArray kHeaderLine = QByteArray(TrackingRecord::kHeader) + '\n';

QList<QPointF> pointsOf(const QWidget &window)
{
    return window.findChild<QChartView *>()->chart()->findChild<QScatterSeries *>()->points();
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    // A line read back is the same line; anything else is no record.
    void recordLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("kept");
        QTest::newRow("measured") << u"2026-12-05T10:00:05.123Z,immediate,-0.412,250,x"_s << true;
        QTest::newRow("not measured") << u"2026-12-05T10:00:05.000Z,delayed,,,/dev/ttyS0"_s << true;
        QTest::newRow("device quoted")
            << u"2026-12-05T10:00:05.000Z,immediate,1.000,3,\"/dev/a,\"\"b\"\"\""_s << true;
        QTest::newRow("local stamp") << u"2026-12-05T10:00:05.123,immediate,1.000,3,x"_s << false;
        QTest::newRow("unknown path") << u"2026-12-05T10:00:05.123Z,later,1.000,3,x"_s << false;
        QTest::newRow("offset nan") << u"2026-12-05T10:00:05.123Z,immediate,nan,3,x"_s << false;
        QTest::newRow("four fields") << u"2026-12-05T10:00:05.123Z,immediate,1.000,3"_s << false;
        QTest::newRow("open quote") << u"2026-12-05T10:00:05.123Z,immediate,1,3,\"x"_s << false;
    }
    void recordLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, kept);
        const auto parsed = TrackingRecord::fromLine(line);
        QCOMPARE(parsed ? parsed->toLine() : QString(), kept ? line : QString());
    }

    // Every record whole or absent, on a line of its own, under one header; the trim keeps
    // the newest whole lines in half the largest size; a pipe or a link is never written.
    void writer_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("sizeLimit"); // bytes the file may grow by, -1: no limit
        QTest::addColumn<QByteArray>("after"); // "-": as before
        const QByteArray record = line(0, "1.500");
        QTest::newRow("new file") << QByteArray() << -1 << kHeaderLine + record;
        QTest::newRow("unfinished last line") << kHeaderLine + "2026-12-05T11:59" << -1
                                              << kHeaderLine + "2026-12-05T11:59\n" + record;
        QTest::newRow("disk full") << kHeaderLine << 20 << QByteArray("-");
        QTest::newRow("past the largest size") << kHeaderLine + line(80) + line(70) + line(60)
                + line(50) + line(40) + line(30) + line(20) + line(10)
                + "unfinished" << -1 << kHeaderLine + line(20) + line(10) + "unfinished\n" + record;
        QTest::newRow("pipe") << QByteArray("pipe") << -1 << QByteArray("-");
        QTest::newRow("link") << QByteArray("link") << -1 << QByteArray("-");
    }
    void writer()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, sizeLimit);
        QFETCH(QByteArray, after);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tracking.csv"_s);
        QVERIFY(makeFile(path, before));
        const bool special = before == "pipe" || before == "link";
        const QByteArray original = special ? QByteArray() : fileBytes(path);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit saved = limit;
        limit.rlim_cur = rlim_t(QFileInfo(path).size() + sizeLimit);
        QVERIFY(sizeLimit < 0 || setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QElapsedTimer timer;
        timer.start();
        const Outcome outcome = TrackingFile(path, 300).append(records({ line(0, "1.5") }).first());
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(outcome.has_value(), after == "-");
        if (special) {
            QCOMPARE(QFileInfo(path + u".target"_s).size(), 0);
        } else {
            QCOMPARE(fileBytes(path), after == "-" ? original : after);
        }
    }

    // Read from the end back to the span's start, in pieces: a line across pieces, a damaged
    // line longer than a piece, an unfinished last line, a pipe that never hangs the reading.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("sinceSecondsAgo"); // -1: every record
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("damaged");
        QTest::addColumn<QString>("error");
        QByteArray many = kHeaderLine;
        for (int secondsAgo = 19999; secondsAgo >= 0; --secondsAgo) {
            many += line(secondsAgo);
        }
        QTest::newRow("the span only") << many << 3600 << 3601 << 0 << QString();
        QTest::newRow("every piece") << many << -1 << 20000 << 0 << QString();
        QTest::newRow("unfinished last line")
            << line(10) + line(5).left(20) << -1 << 1 << 0 << QString();
        QTest::newRow("line longer than a piece")
            << line(10) + QByteArray(600'000, 'x') + '\n' + line(5) << -1 << 2 << 1 << QString();
        QTest::newRow("pipe") << QByteArray("pipe") << -1 << 0 << 0 << u"not a regular file"_s;
    }
    void reader()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, sinceSecondsAgo);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tracking.csv"_s);
        QVERIFY(makeFile(path, contents));
        TrackingReader reader(path);
        if (sinceSecondsAgo >= 0) {
            reader.setSince(kNow.addSecs(-sinceSecondsAgo));
        }
        reader.update();
        QTEST(int(reader.records().size()), "records");
        QTEST(int(reader.damagedLines()), "damaged");
        QFETCH(QString, error);
        QVERIFY2(error.isEmpty() ? reader.error().isEmpty() : reader.error().contains(error),
                 qPrintable(reader.error()));
    }

    // The reader takes what was added, waits for a line's end, and starts again on a file
    // the trim replaced.
    void fileAndReader()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tracking.csv"_s);
        TrackingReader reader(path);
        TrackingFile file(path, 1000);
        QCOMPARE(file.append(records({ line(0, "1.5") }).first()), Outcome());
        QVERIFY(reader.update());
        QVERIFY(append(path, line(3600, "-2").left(30)));
        QVERIFY(!reader.update() && reader.damagedLines() == 0);
        QVERIFY(append(path, line(3600, "-2").mid(30)));
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 2);
        QCOMPARE(reader.records().first().offsetMs, std::optional(-2.0)); // the older first

        for (int index = 0; index < 40; ++index) {
            QCOMPARE(file.append(records({ line(40 - index, "1.5") }).first()), Outcome());
            QVERIFY(QFileInfo(path).size() < 1000 + 100);
        }
        QVERIFY(reader.update());
        QVERIFY(reader.records().size() > 5 && reader.records().size() < 20);
        QCOMPARE(reader.records().constLast().stamp, kNow.addSecs(-1));
    }

    // A clock 50 ppm fast gets 3 ms ahead in 60 s (-3 ms). Only an interval after a correction of
    // the immediate path tells the drift, and only five of them say it, with the scatter's
    // uncertainty; one without an offset is counted but not drawn. One wild point (a day) does
    // not set the scale: it is drawn at the edge.
    void view_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("span");
        QTest::addColumn<QString>("drift"); // ppm, "-": none
        QTest::addColumn<int>("points"); // on the scale
        QTest::addColumn<int>("beyond");
        QTest::addColumn<QString>("axis");
        // A correction every minute up to now; "d" marks one of the delayed path.
        const auto sixty = [](const QByteArrayList &offsets) {
            QByteArrayList lines;
            for (int index = 0; index < offsets.size(); ++index) {
                const bool delayed = offsets.at(index).startsWith('d');
                lines << line(60 * int(offsets.size() - 1 - index),
                              offsets.at(index).mid(delayed ? 1 : 0).constData(),
                              delayed ? "delayed" : "immediate");
            }
            return lines;
        };
        QTest::newRow("50 ppm fast, five intervals")
            << sixty({ "-3", "-3", "-3", "-3", "-3", "-3" }) << 1 << "+50.0 ± 0.0" << 6 << 0
            << "-4..1";
        QTest::newRow("scatter") << sixty({ "-3", "-3", "-3.6", "-2.4", "-3", "-3" }) << 1
                                 << "+50.0 ± 3.2" << 6 << 0 << "-5..1";
        QTest::newRow("three intervals")
            << sixty({ "-4", "-3", "-2", "-1" }) << 1 << "-" << 4 << 0 << "-5..1";
        QTest::newRow("after a delayed one")
            << sixty({ "-3", "-3", "-3", "d-3", "-250", "-3", "-3", "-3" }) << 1 << "+50.0 ± 0.0"
            << 7 << 1 << "-4..1";
        QTest::newRow("a day among them")
            << sixty({ "-3", "-3", "86400000", "-3", "-3", "-3", "-3" }) << 1 << "+50.0 ± 0.0" << 6
            << 1 << "-4..1";
        QTest::newRow("unmeasured")
            << QByteArrayList { line(120), line(60, "", "delayed"), line(0) } << 1 << "-" << 2 << 0
            << "-4..1";
        QTest::newRow("ten minutes leave the oldest out")
            << QByteArrayList { line(700, "-100"), line(590), line(0) } << 0 << "-" << 2 << 0
            << "-4..1";
    }
    void view()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(int, span);
        const auto view = OffsetHistory::view(records(lines), kNow, OffsetHistory::Span(span));
        QTEST(view.driftPpm ? u"%1 ± %2"_s.arg(QString::asprintf("%+.1f", *view.driftPpm))
                                  .arg(view.driftUncertaintyPpm, 0, 'f', 1)
                            : u"-"_s,
              "drift");
        QTEST(int(view.measured.size()), "points");
        QTEST(int(view.beyond.size()), "beyond");
        QTEST(u"%1..%2"_s.arg(view.axisLow).arg(view.axisHigh), "axis");
        for (qsizetype index = 0; index < view.beyond.size(); ++index) {
            const QPointF edge = view.beyond.at(index);
            const QPointF value = view.beyondValues.at(index);
            QVERIFY(edge.x() == value.x()
                    && (edge.y() == view.axisLow || edge.y() == view.axisHigh));
            QVERIFY(value.y() < view.axisLow || value.y() > view.axisHigh);
        }
    }

    // The window over a tracking file: its points, a note on a missing or damaged file (the
    // header is no damage).
    void windowShowsTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("note"); // a part of it
        QTest::newRow("missing") << QByteArray("-") << 0 << u"does not exist"_s;
        QTest::newRow("garbled among corrections") << QByteArray(TrackingRecord::kHeader) + '\n'
                + line(1200, "1.000") + "2026-13-45T99:00:00Z,immediate,1,1,x\n"
                + line(600, "2.000") << 2 << u"Left out: 1 of the lines"_s;
    }
    void windowShowsTheFile()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tracking.csv"_s);
        QVERIFY(contents == "-" || append(path, contents));
        ManualClock clock(kNow);
        HistoryWindow window(path, clock);
        window.show();
        QFETCH(QString, note);
        const auto *shown = window.findChild<QLabel *>(u"note"_s);
        QTRY_VERIFY2(shown->isVisible() && shown->text().contains(note), qPrintable(shown->text()));
        // A line appended while the window is open shows without anything else happening.
        QCOMPARE(TrackingFile(path).append(records({ line(5, "-1") }).first()), Outcome());
        QFETCH(int, points);
        QTRY_COMPARE_WITH_TIMEOUT(int(pointsOf(window).size()), points + 1, 5000);
        QCOMPARE(window.findChild<QLabel *>(u"drift"_s)->text(), u"not enough corrections yet"_s);
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
