#include "history/historywindow.h"
#include "history/trackingfile.h"
#include "manualclock.h"

#include <QChartView>
#include <QLabel>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC);
const QByteArray kMissing("<missing>");

QByteArray line(int minutesAgo, const char *offset, const char *path = "immediate")
{
    return kNow.addSecs(-60 * minutesAgo).toString(Qt::ISODateWithMs).toLatin1() + ',' + path + ','
        + offset + ",250,/dev/ttyUSB0\n";
}

QList<QPointF> pointsOf(const HistoryWindow &window)
{
    const QChart *chart = window.findChild<QChartView *>()->chart();
    for (QAbstractSeries *series : chart->series()) {
        if (auto *scatter = qobject_cast<QScatterSeries *>(series)) {
            return scatter->points();
        }
    }
    return {};
}

// The note, or "" while it is hidden.
QString noteOf(const HistoryWindow &window)
{
    const auto *note = window.findChild<QLabel *>(QStringLiteral("note"));
    return note->isVisible() ? note->text() : QString();
}

} // namespace

// The history window on the offscreen platform, over a tracking file written here.
class TestHistoryWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QList<QPointF>>("points");
        QTest::addColumn<QString>("note"); // a part of it; "" for no note
        const auto at = [](int minutesAgo, double offset) {
            return QPointF(double(kNow.addSecs(-60 * minutesAgo).toMSecsSinceEpoch()), offset);
        };
        const QByteArray header = QByteArray(TrackingRecord::kHeader) + '\n';
        QTest::newRow("three corrections")
            << header + line(30, "-3.000") + line(20, "-3.250") + line(10, "-2.750")
            << QList<QPointF> { at(30, -3), at(20, -3.25), at(10, -2.75) } << "";
        QTest::newRow("missing") << kMissing << QList<QPointF> {} << "does not exist";
        QTest::newRow("empty") << QByteArray() << QList<QPointF> {}
                               << "No correction has been recorded yet";
        QTest::newRow("garbled") << QByteArray("\x01\x02PK garbage\nmore,garbage,\n")
                                 << QList<QPointF> {} << "holds no readable correction";
        QTest::newRow("garbled among corrections")
            << line(20, "1.000") + "2026-13-45T99:00:00Z,immediate,1,1,x\n" + line(10, "2.000")
            << QList<QPointF> { at(20, 1), at(10, 2) } << "Left out: 1 of the lines";
        QTest::newRow("nothing in the last hour")
            << line(90, "1.000") << QList<QPointF> {} << "No correction in the last hour.";
    }
    void showsTheFile()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("tracking.csv"));
        if (contents != kMissing) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        ManualClock clock(kNow);
        HistoryWindow window(path, clock);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTEST(pointsOf(window), "points");
        QFETCH(QString, note);
        QVERIFY2(note.isEmpty() ? noteOf(window).isEmpty() : noteOf(window).contains(note),
                 qPrintable(noteOf(window)));
        const QString last = window.findChild<QLabel *>(QStringLiteral("lastOffset"))->text();
        const QString drift = window.findChild<QLabel *>(QStringLiteral("drift"))->text();
        if (QTest::currentDataTag() == QLatin1String("three corrections")) {
            // 3.25 ms over 600 s, then 2.75 ms over 600 s: the clock runs 5 ppm fast.
            QVERIFY2(last.startsWith(QLatin1String("-2.750 ms at ")), qPrintable(last));
            QVERIFY2(drift.startsWith(QLatin1String("+5.0 ppm: the clock gains 0.43 s a day")),
                     qPrintable(drift));
        }
    }

    // A line appended while the window is open shows without anything else happening.
    void followsTheFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("tracking.csv"));
        ManualClock clock(kNow);
        HistoryWindow window(path, clock);
        window.show();
        QCOMPARE(pointsOf(window).size(), 0);
        TrackingFile file(path);
        const TrackingRecord record { kNow.addSecs(-5), QStringLiteral("immediate"), -1.0, 9,
                                      QStringLiteral("/dev/x") };
        QCOMPARE(file.append(record), Outcome());
        QTRY_COMPARE_WITH_TIMEOUT(pointsOf(window).size(), 1, 5000);
        QCOMPARE(file.append(record), Outcome());
        QTRY_COMPARE_WITH_TIMEOUT(pointsOf(window).size(), 2, 5000);
        QVERIFY(noteOf(window).isEmpty());
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "test_historywindow.moc"
