#include "history/offsethistory.h"
#include "history/trackingfile.h"
#include "history/trackingreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC);

TrackingRecord record(const QDateTime &stamp, std::optional<double> offsetMs,
                      const char *path = TrackingRecord::kImmediatePath)
{
    return TrackingRecord { stamp, QLatin1String(path), offsetMs, 250, QStringLiteral("/dev/x") };
}

// "i-3 d-3 u": one record a token, stepSeconds apart, the last at kNow: i immediate, d
// delayed, u delayed without an offset; the rest of a token is the offset in ms.
QList<TrackingRecord> records(const QString &tokens, int stepSeconds)
{
    const QStringList list = tokens.split(QLatin1Char(' '));
    QList<TrackingRecord> result;
    for (qsizetype index = 0; index < list.size(); ++index) {
        const QString &token = list.at(index);
        const QDateTime stamp = kNow.addSecs(-stepSeconds * (list.size() - 1 - index));
        const bool immediate = token.startsWith(QLatin1Char('i'));
        const auto offset
            = token.size() > 1 ? std::optional(token.mid(1).toDouble()) : std::nullopt;
        result.append(
            record(stamp, offset,
                   immediate ? TrackingRecord::kImmediatePath : TrackingRecord::kDelayedPath));
    }
    return result;
}

bool append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

} // namespace

class TestTrackingHistory : public QObject
{
    Q_OBJECT
private slots:
    // A line read back is the same line; anything else is no record. "" expects no record.
    void recordLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        const QString measured = QStringLiteral("2026-12-05T10:00:05.123Z,immediate,-0.412,250,"
                                                "/dev/ttyUSB0");
        QTest::newRow("measured") << measured << measured;
        QTest::newRow("CR LF") << measured + u'\r' << measured;
        QTest::newRow("not measured") << "2026-12-05T10:00:05.000Z,delayed,,,/dev/ttyS0"
                                      << "2026-12-05T10:00:05.000Z,delayed,,,/dev/ttyS0";
        const QString quoted = QStringLiteral("2026-12-05T10:00:05.000Z,immediate,1.000,3,"
                                              "\"/dev/a,\"\"b\"\"\"");
        QTest::newRow("device quoted") << quoted << quoted;
        QTest::newRow("header") << QString::fromLatin1(TrackingRecord::kHeader) << "";
        QTest::newRow("local stamp") << "2026-12-05T10:00:05.123,immediate,1.000,3,x"
                                     << "";
        QTest::newRow("zone offset") << "2026-12-05T10:00:05.123+01:00,immediate,1.000,3,x"
                                     << "";
        QTest::newRow("unknown path") << "2026-12-05T10:00:05.123Z,later,1.000,3,x"
                                      << "";
        QTest::newRow("offset text") << "2026-12-05T10:00:05.123Z,immediate,abc,3,x"
                                     << "";
        QTest::newRow("offset nan") << "2026-12-05T10:00:05.123Z,immediate,nan,3,x"
                                    << "";
        QTest::newRow("negative age") << "2026-12-05T10:00:05.123Z,immediate,1.000,-3,x"
                                      << "";
        QTest::newRow("four fields") << "2026-12-05T10:00:05.123Z,immediate,1.000,3"
                                     << "";
        QTest::newRow("open quote") << "2026-12-05T10:00:05.123Z,immediate,1.000,3,\"x"
                                    << "";
    }
    void recordLine()
    {
        QFETCH(QString, line);
        const auto parsed = TrackingRecord::fromLine(line);
        QTEST(parsed ? parsed->toLine() : QString(), "expected");
    }

    // The reader takes only what was added, waits for a line's end, counts what is not a
    // record, keeps the records in order, and starts again on a replaced file.
    void readerFollowsTheFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("tracking.csv"));
        TrackingReader reader(path);
        QVERIFY(!reader.update());
        QVERIFY(!reader.exists());

        TrackingFile file(path);
        QCOMPARE(file.append(record(kNow, 1.5)), Outcome());
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 1);
        QVERIFY(!reader.update());

        QVERIFY(append(path, "junk\n2026-12-05T11:00:00.000Z,immed"));
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 1);
        QCOMPARE(reader.damagedLines(), 1);
        QVERIFY(append(path, "iate,-2.000,4,x\n"));
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 2);
        QCOMPARE(reader.records().first().offsetMs, std::optional(-2.0)); // 11:00 before 12:00

        QFile::remove(path);
        QCOMPARE(file.append(record(kNow, 7)), Outcome());
        QVERIFY(reader.update());
        QCOMPARE(reader.records().size(), 1);
        QCOMPARE(reader.damagedLines(), 0);
        QCOMPARE(reader.records().first().offsetMs, std::optional(7.0));
        QFile read(path);
        QVERIFY(read.open(QIODevice::ReadOnly));
        QCOMPARE(read.readLine(), QByteArray(TrackingRecord::kHeader) + '\n');
    }

    void fullFileDropsItsOlderHalf()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("tracking.csv"));
        TrackingFile file(path, 1000);
        for (int index = 0; index < 40; ++index) {
            QCOMPARE(file.append(record(kNow.addSecs(index), index)), Outcome());
            QVERIFY(QFile(path).size() < 1000 + 100);
        }
        TrackingReader reader(path);
        reader.update();
        QCOMPARE(reader.damagedLines(), 0);
        QVERIFY(reader.records().size() > 5 && reader.records().size() < 20);
        QCOMPARE(reader.records().constLast().offsetMs, std::optional(39.0));
    }

    void view_data()
    {
        QTest::addColumn<QString>("tokens");
        QTest::addColumn<int>("stepSeconds");
        QTest::addColumn<OffsetHistory::Span>("span");
        QTest::addColumn<QString>("drift"); // ppm, "-": none
        QTest::addColumn<int>("fitted");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("corrections");
        const auto hour = OffsetHistory::Span::Hour;
        QTest::newRow("every minute, 50 ppm fast")
            << "i-3 i-3 i-3 i-3" << 60 << hour << "+50.0" << 3 << 4 << 4;
        QTest::newRow("100 ppm slow") << "i6 i6 i6" << 60 << hour << "-100.0" << 2 << 3 << 3;
        QTest::newRow("nothing fitted after a delayed correction")
            << "i-3 d-3 i-250 i-3" << 60 << hour << "+50.0" << 2 << 4 << 4;
        QTest::newRow("unmeasured: no point, no interval")
            << "i-3 u i-3" << 60 << hour << "-" << 0 << 2 << 3;
        QTest::newRow("one correction") << "i-3" << 60 << hour << "-" << 0 << 1 << 1;
        QTest::newRow("the hour leaves the oldest out")
            << "i-3 i-3 i-3" << 2000 << hour << "+1.5" << 1 << 2 << 2;
        QTest::newRow("the day holds it")
            << "i-3 i-3 i-3" << 2000 << OffsetHistory::Span::Day << "+1.5" << 2 << 3 << 3;
    }
    void view()
    {
        QFETCH(QString, tokens);
        QFETCH(int, stepSeconds);
        QFETCH(OffsetHistory::Span, span);
        const QList<TrackingRecord> list = records(tokens, stepSeconds);
        const OffsetHistory::View view = OffsetHistory::view(list, kNow, span);
        QTEST(view.driftPpm ? QString::asprintf("%+.1f", *view.driftPpm) : QStringLiteral("-"),
              "drift");
        QTEST(view.fittedIntervals, "fitted");
        QTEST(int(view.measured.size()), "points");
        QTEST(view.corrections, "corrections");
        // Each measured point, then zero at the same moment: the correction took it away.
        QCOMPARE(view.sawTooth.size(), 2 * view.measured.size());
        for (qsizetype index = 0; index < view.measured.size(); ++index) {
            QCOMPARE(view.sawTooth.at(2 * index), view.measured.at(index));
            QCOMPARE(view.sawTooth.at(2 * index + 1), QPointF(view.measured.at(index).x(), 0));
        }
        QCOMPARE(view.last->stamp, list.constLast().stamp);
    }

    void manyPointsAreThinnedToTheirPeaks()
    {
        QList<TrackingRecord> list;
        const int day = 86400;
        for (int second = 0; second < day; ++second) {
            list.append(record(kNow.addSecs(second - day + 1), second == 12345 ? -50.0 : 0.1));
        }
        const OffsetHistory::View view = OffsetHistory::view(list, kNow, OffsetHistory::Span::Day);
        QVERIFY(view.measured.size() <= OffsetHistory::kLargestPoints);
        QVERIFY(view.measured.size() > OffsetHistory::kLargestPoints / 2);
        const QPointF peak(double(kNow.addSecs(12345 - day + 1).toMSecsSinceEpoch()), -50.0);
        QVERIFY(view.measured.contains(peak));
        QCOMPARE(view.corrections, day);
    }
};

QTEST_GUILESS_MAIN(TestTrackingHistory)
#include "test_trackinghistory.moc"
