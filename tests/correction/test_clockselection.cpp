#include "common/clockselection.h"
#include "common/hostclock.h"
#include "common/simulatedclock.h"

#include <QElapsedTimer>
#include <QTest>
#include <ctime>

namespace {

// Time for a test step: far more than it takes, far less than the moves it checks.
constexpr qint64 kSlackMs = 5000;

bool near(const QDateTime &actual, const QDateTime &expected)
{
    return qAbs(actual.msecsTo(expected)) < kSlackMs;
}

} // namespace

class TestClockSelection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    // kind: "host", "simulated" or "" (refused); start: invalid means the host's time.
    void select_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<double>("ratePpm");
        const auto row = [](const char *setting, const char *kind, QDateTime start = {},
                            double ratePpm = 0) {
            QTest::newRow(*setting != 0 ? setting : "empty")
                << QString::fromLatin1(setting) << QString::fromLatin1(kind) << start << ratePpm;
        };
        row("", "host");
        row("system", "host");
        row("simulated", "simulated");
        row("simulated@2026-12-05T23:59:50", "simulated",
            QDateTime(QDate(2026, 12, 5), QTime(23, 59, 50)));
        row("simulated@2026-02-30T12:00:00", "");
        row("simulated@2026-12-05T24:00:00", "");
        row("simulated@2026-12-5T23:59:50", "");
        row("simulated@2026-12-05T23:59:50Z", "");
        row("simulated@2026-03-29T02:30:00", ""); // skipped by the spring change
        row("simulated~+50ppm", "simulated", {}, 50);
        row("simulated@2026-12-05T23:59:50~-12.5ppm", "simulated",
            QDateTime(QDate(2026, 12, 5), QTime(23, 59, 50)), -12.5);
        row("simulated~1000ppm", "simulated", {}, 1000);
        row("simulated~+1000.1ppm", "");
        row("simulated~+50", "");
        row("simulated~", "");
        row("system~+50ppm", "");
        row("sundial", "");
        row("System", "");
        row("system ", "");
    }
    void select()
    {
        QFETCH(QString, setting);
        QFETCH(QString, kind);
        QFETCH(QDateTime, start);
        const ClockSelection selection = selectSystemClock(setting);
        const SystemClock *clock = selection.clock.get();
        const bool simulated = dynamic_cast<const SimulatedClock *>(clock) != nullptr;
        QCOMPARE(dynamic_cast<const HostClock *>(clock) != nullptr, kind == u"host");
        QCOMPARE(simulated, kind == u"simulated");
        QCOMPARE(selection.error.isEmpty(), !kind.isEmpty());
        QCOMPARE(selection.notice.isEmpty(), !simulated);
        if (kind.isEmpty()) {
            QVERIFY(selection.error.contains(QLatin1Char('"') + setting + QLatin1Char('"')));
            QVERIFY(selection.error.contains(QLatin1String("simulated@YYYY-MM-DDThh:mm:ss")));
        }
        if (!simulated) {
            return;
        }
        QVERIFY(near(clock->now(), start.isValid() ? start : QDateTime::currentDateTime()));
        QVERIFY(!selection.notice.contains(QLatin1Char('\n')));
        QVERIFY(selection.notice.startsWith(QLatin1String("VALTORA: using a simulated clock")));
        QVERIFY(selection.notice.contains(QLatin1String("the computer's clock is never changed")));
        if (start.isValid()) {
            QVERIFY(selection.notice.contains(start.toString(u"yyyy-MM-dd HH:mm:ss")));
        }
        QFETCH(double, ratePpm);
        QCOMPARE(static_cast<const SimulatedClock *>(clock)->ratePpm(), ratePpm);
        QCOMPARE(selection.notice.contains(QLatin1String(ratePpm > 0 ? "ppm fast" : "ppm slow")),
                 ratePpm != 0);
    }

    // A drifting clock gains its rate on the host from its start and again from every set.
    void simulatedDrift_data()
    {
        QTest::addColumn<double>("ratePpm");
        QTest::addColumn<qint64>("gainedMs"); // in 1000 s of the host's clock
        QTest::newRow("+50 ppm") << 50.0 << qint64(50);
        QTest::newRow("-20 ppm") << -20.0 << qint64(-20);
        QTest::newRow("none") << 0.0 << qint64(0);
    }
    void simulatedDrift()
    {
        QFETCH(double, ratePpm);
        QFETCH(qint64, gainedMs);
        qint64 hostMs = 1'000'000'000'000;
        const QDateTime start(QDate(2026, 12, 5), QTime(10, 0));
        SimulatedClock clock(start, ratePpm, [&hostMs] { return hostMs; });
        hostMs += 1'000'000;
        QCOMPARE(clock.now(), start.addMSecs(1'000'000 + gainedMs));
        QCOMPARE(clock.setTime(QTime(11, 0)), Outcome());
        hostMs += 1'000'000;
        QCOMPARE(clock.now(), QDateTime(start.date(), QTime(11, 0)).addMSecs(1'000'000 + gainedMs));
    }

    void simulatedSetMovesOnlyItsOffsetAndKeepsRunning()
    {
        const QDate day(2026, 12, 5);
        SimulatedClock clock(QDateTime(day, QTime(12, 0)));
        const qint64 offsetBefore = clock.offsetMs();
        QCOMPARE(clock.setTime(QTime(13, 0)), Outcome());
        QVERIFY(near(clock.now(), QDateTime(day, QTime(13, 0))));
        QVERIFY(qAbs(clock.offsetMs() - offsetBefore - 3600 * 1000) < kSlackMs);
        // The host's clock knows nothing of it.
        QVERIFY(near(clock.now().addMSecs(-clock.offsetMs()), QDateTime::currentDateTime()));

        QCOMPARE(clock.setDate(QDate(2027, 1, 1)), Outcome());
        QVERIFY(near(clock.now(), QDateTime(QDate(2027, 1, 1), QTime(13, 0))));
        const QDateTime first = clock.now();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30) { }
        const qint64 advanced = first.msecsTo(clock.now());
        QVERIFY2(advanced >= 30 && advanced < kSlackMs, qPrintable(QString::number(advanced)));

        const qint64 offset = clock.offsetMs();
        QVERIFY(clock.setDate(QDate()).has_value());
        QVERIFY(clock.setTime(QTime()).has_value());
        QCOMPARE(clock.offsetMs(), offset);
    }

    void simulatedSkippedHourMovesForward()
    {
        // 02:30 does not exist on that day; it is read as 03:30 summer time, as the host
        // clock reads it, and the clock does not fall back to 1970.
        SimulatedClock clock(QDateTime(QDate(2026, 3, 29), QTime(1, 0)));
        QCOMPARE(clock.setTime(QTime(2, 30)), Outcome());
        QVERIFY2(near(clock.now(), QDateTime(QDate(2026, 3, 29), QTime(3, 30))),
                 qPrintable(clock.now().toString(Qt::ISODate)));
    }
};

QTEST_GUILESS_MAIN(TestClockSelection)
#include "test_clockselection.moc"
