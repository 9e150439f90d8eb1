#include "history/historywindow.h"
#include "history/trackingfile.h"
#include "manualclock.h"

#include <QChartView>
#include <QFileInfo>
#include <QLabel>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC);

// A line of tracking.csv for a correction secondsAgo before kNow.
QByteArray line(int secondsAgo, const char *offset, const char *path = "immediate")
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

QString textOf(const QWidget &window, const QString &name)
{
    const auto *label = window.findChild<QLabel *>(name);
    return label->isVisible() ? label->text() : QString();
}

QList<QPointF> pointsOf(const QWidget &window)
{
    return window.findChild<QChartView *>()->chart()->findChild<QScatterSeries *>()->points();
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    // A line read back is the same line; anything else is no record ("").
    void recordLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        const QString measured = u"2026-12-05T10:00:05.123Z,immediate,-0.412,250,/dev/ttyUSB0"_s;
        const QString quoted = u"2026-12-05T10:00:05.000Z,immediate,1.000,3,\"/dev/a,\"\"b\"\"\""_s;
        const QString unmeasured = u"2026-12-05T10:00:05.000Z,delayed,,,/dev/ttyS0"_s;
        QTest::newRow("measured") << measured << measured;
        QTest::newRow("CR LF") << measured + u'\r' << measured;
        QTest::newRow("not measured") << unmeasured << unmeasured;
        QTest::newRow("device quoted") << quoted << quoted;
        QTest::newRow("header") << QString::fromLatin1(TrackingRecord::kHeader) << u""_s;
        QTest::newRow("local stamp") << u"2026-12-05T10:00:05.123,immediate,1.000,3,x"_s << u""_s;
        QTest::newRow("zone") << u"2026-12-05T10:00:05.123+01:00,immediate,1.000,3,x"_s << u""_s;
        QTest::newRow("unknown path") << u"2026-12-05T10:00:05.123Z,later,1.000,3,x"_s << u""_s;
        QTest::newRow("offset text") << u"2026-12-05T10:00:05.123Z,immediate,abc,3,x"_s << u""_s;
        QTest::newRow("offset nan") << u"2026-12-05T10:00:05.123Z,immediate,nan,3,x"_s << u""_s;
        QTest::newRow("negative age") << u"2026-12-05T10:00:05.123Z,immediate,1,-3,x"_s << u""_s;
        QTest::newRow("four fields") << u"2026-12-05T10:00:05.123Z,immediate,1.000,3"_s << u""_s;
        QTest::newRow("open quote") << u"2026-12-05T10:00:05.123Z,immediate,1,3,\"x"_s << u""_s;
    }
    void recordLine()
    {
        QFETCH(QString, line);
        const auto parsed = TrackingRecord::fromLine(line);
        QTEST(parsed ? parsed->toLine() : QString(), "expected");
    }

    // The file keeps its header and drops its older half when full; the reader takes what was
    // added, waits for a line's end, counts what is no record, and restarts on a replaced file.
    void fileAndReader()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"tracking.csv"_s);
        TrackingReader reader(path);
        TrackingFile file(path, 1000);
        QCOMPARE(file.append(records({ line(0, "1.5") }).first()), Outcome());
        QVERIFY(reader.update());
        QVERIFY(append(path, "junk\n" + line(3600, "-2").left(30)));
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 1);
        QCOMPARE(reader.damagedLines(), 1);
        QVERIFY(append(path, line(3600, "-2").mid(30)));
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 2);
        QCOMPARE(reader.records().first().offsetMs, std::optional(-2.0)); // the older first

        for (int index = 0; index < 40; ++index) {
            QCOMPARE(file.append(records({ line(40 - index, "1.5") }).first()), Outcome());
            QVERIFY(QFileInfo(path).size() < 1000 + 100);
        }
        QFile read(path);
        QVERIFY(read.open(QIODevice::ReadOnly));
        QCOMPARE(read.readLine(), QByteArray(TrackingRecord::kHeader) + '\n');
        QVERIFY(reader.update());
        QCOMPARE(reader.damagedLines(), 0);
        QVERIFY(reader.records().size() > 5 && reader.records().size() < 20);
        QCOMPARE(reader.records().constLast().stamp, kNow.addSecs(-1));
    }

    // A clock 50 ppm fast gets 3 ms ahead in 60 s (-3 ms). Only an interval after a correction of
    // the immediate path tells the drift; one without an offset is counted but not drawn.
    void view_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<OffsetHistory::Span>("span");
        QTest::addColumn<QString>("drift"); // ppm, "-": none
        QTest::addColumn<int>("fitted");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("corrections");
        const auto hour = OffsetHistory::Span::Hour;
        QTest::newRow("50 ppm fast")
            << QByteArrayList { line(120, "-3"), line(60, "-3"), line(0, "-3") } << hour << "+50.0"
            << 2 << 3 << 3;
        QTest::newRow("100 ppm slow")
            << QByteArrayList { line(60, "6"), line(0, "6") } << hour << "-100.0" << 1 << 2 << 2;
        QTest::newRow("after a delayed one")
            << QByteArrayList { line(180, "-3"), line(120, "-3", "delayed"), line(60, "-250"),
                                line(0, "-3") }
            << hour << "+50.0" << 2 << 4 << 4;
        QTest::newRow("unmeasured")
            << QByteArrayList { line(120, "-3"), line(60, "", "delayed"), line(0, "-3") } << hour
            << "-" << 0 << 2 << 3;
        QTest::newRow("one correction")
            << QByteArrayList { line(0, "-3") } << hour << "-" << 0 << 1 << 1;
        const QByteArrayList spread { line(4000, "-3"), line(2000, "-3"), line(0, "-3") };
        QTest::newRow("the hour leaves the oldest out") << spread << hour << "+1.5" << 1 << 2 << 2;
        QTest::newRow("the day holds it")
            << spread << OffsetHistory::Span::Day << "+1.5" << 2 << 3 << 3;
    }
    void view()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(OffsetHistory::Span, span);
        const OffsetHistory::View view = OffsetHistory::view(records(lines), kNow, span);
        QTEST(view.driftPpm ? QString::asprintf("%+.1f", *view.driftPpm) : u"-"_s, "drift");
        QTEST(view.fittedIntervals, "fitted");
        QTEST(int(view.measured.size()), "points");
        QTEST(view.corrections, "corrections");
        // Each measured point, then zero at the same moment: the correction took it away.
        QList<QPointF> sawTooth;
        for (const QPointF &point : view.measured) {
            sawTooth << point << QPointF(point.x(), 0);
        }
        QCOMPARE(view.sawTooth, sawTooth);
    }

    void manyPointsAreThinnedToTheirPeaks()
    {
        QByteArrayList lines;
        for (int second = 86399; second >= 0; --second) {
            lines << line(second, second == 12345 ? "-50" : "0.1");
        }
        const auto view = OffsetHistory::view(records(lines), kNow, OffsetHistory::Span::Day);
        QVERIFY(view.measured.size() <= OffsetHistory::kLargestPoints);
        QVERIFY(view.measured.size() > OffsetHistory::kLargestPoints / 2);
        QVERIFY(view.measured.contains(QPointF(kNow.addSecs(-12345).toMSecsSinceEpoch(), -50.0)));
        QCOMPARE(view.corrections, 86400);
    }

    // The window over a tracking file written here: its points, and a note ("": none) for a
    // missing, empty or damaged file or an empty span.
    void windowShowsTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QList<QPointF>>("points");
        QTest::addColumn<QString>("note"); // a part of it
        const auto at = [](int minutesAgo, double offset) {
            return QPointF(double(kNow.addSecs(-60 * minutesAgo).toMSecsSinceEpoch()), offset);
        };
        QTest::newRow("three corrections")
            << QByteArray(TrackingRecord::kHeader) + '\n' + line(1800, "-3.000")
                + line(1200, "-3.250") + line(600, "-2.750")
            << QList<QPointF> { at(30, -3), at(20, -3.25), at(10, -2.75) } << u""_s;
        QTest::newRow("missing") << QByteArray("-") << QList<QPointF> {} << u"does not exist"_s;
        QTest::newRow("empty") << QByteArray() << QList<QPointF> {} << u"recorded yet"_s;
        QTest::newRow("garbled") << QByteArray("\x01\x02PK garbage\nmore,garbage,\n")
                                 << QList<QPointF> {} << u"holds no readable correction"_s;
        QTest::newRow("garbled among corrections")
            << line(1200, "1.000") + "2026-13-45T99:00:00Z,immediate,1,1,x\n" + line(600, "2.000")
            << QList<QPointF> { at(20, 1), at(10, 2) } << u"Left out: 1 of the lines"_s;
        QTest::newRow("nothing in the last hour")
            << line(5400, "1.000") << QList<QPointF> {} << u"No correction in the last hour."_s;
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
        QTEST(pointsOf(window), "points");
        QFETCH(QString, note);
        const QString shown = textOf(window, u"note"_s);
        QVERIFY2(note.isEmpty() ? shown.isEmpty() : shown.contains(note), qPrintable(shown));
        if (QTest::currentDataTag() == "three corrections"_L1) {
            // 3.25 ms over 600 s, then 2.75 ms over 600 s: the clock runs 5 ppm fast.
            QVERIFY(textOf(window, u"lastOffset"_s).startsWith(u"-2.750 ms at "_s));
            QVERIFY(
                textOf(window, u"drift"_s).startsWith(u"+5.0 ppm: the clock gains 0.43 s a day"_s));
        }
        // A line appended while the window is open shows without anything else happening.
        QCOMPARE(TrackingFile(path).append(records({ line(5, "-1") }).first()), Outcome());
        QFETCH(QList<QPointF>, points);
        QTRY_COMPARE_WITH_TIMEOUT(pointsOf(window).size(), points.size() + 1, 5000);
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
