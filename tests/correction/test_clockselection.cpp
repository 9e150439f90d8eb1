#include "common/clockselection.h"
#include "common/hostclock.h"
#include "common/simulatedclock.h"

#include <QElapsedTimer>
#include <QTest>
#include <ctime>

namespace {

enum class Kind { None, Host, Simulated };

Kind kindOf(const SystemClock *clock)
{
    if (clock == nullptr) {
        return Kind::None;
    }
    if (dynamic_cast<const HostClock *>(clock) != nullptr) {
        return Kind::Host;
    }
    if (dynamic_cast<const SimulatedClock *>(clock) != nullptr) {
        return Kind::Simulated;
    }
    return Kind::None;
}

// Milliseconds between two readings, whichever comes first.
qint64 apartMs(const QDateTime &a, const QDateTime &b)
{
    return qAbs(a.msecsTo(b));
}

// Time for a test step: far more than it takes, far less than the moves it checks.
constexpr qint64 kSlackMs = 5000;

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestClockSelection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void select_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QDateTime>("start"); // invalid: the host's time

        const QDateTime host;
        QTest::newRow("empty") << QString() << Kind::Host << host;
        QTest::newRow("system") << "system" << Kind::Host << host;
        QTest::newRow("simulated") << "simulated" << Kind::Simulated << host;
        QTest::newRow("simulated at a start") << "simulated@2026-12-05T23:59:50" << Kind::Simulated
                                              << QDateTime(QDate(2026, 12, 5), QTime(23, 59, 50));
        QTest::newRow("simulated at a leap day")
            << "simulated@2028-02-29T00:00:00" << Kind::Simulated
            << QDateTime(QDate(2028, 2, 29), QTime(0, 0));
        QTest::newRow("bad day") << "simulated@2026-02-30T12:00:00" << Kind::None << host;
        QTest::newRow("bad hour") << "simulated@2026-12-05T24:00:00" << Kind::None << host;
        QTest::newRow("blank instead of T")
            << "simulated@2026-12-05 23:59:50" << Kind::None << host;
        QTest::newRow("short fields") << "simulated@2026-12-5T23:59:50" << Kind::None << host;
        QTest::newRow("missing start") << "simulated@" << Kind::None << host;
        QTest::newRow("trailing text") << "simulated@2026-12-05T23:59:50Z" << Kind::None << host;
        QTest::newRow("skipped by spring change")
            << "simulated@2026-03-29T02:30:00" << Kind::None << host;
        QTest::newRow("junk") << "sundial" << Kind::None << host;
        QTest::newRow("capitals") << "System" << Kind::None << host;
        QTest::newRow("blank after system") << "system " << Kind::None << host;
    }
    void select()
    {
        QFETCH(QString, setting);
        QFETCH(Kind, kind);
        QFETCH(QDateTime, start);

        const ClockSelection selection = selectSystemClock(setting);
        QCOMPARE(kindOf(selection.clock.get()), kind);
        switch (kind) {
        case Kind::None:
            QVERIFY(selection.notice.isEmpty());
            QVERIFY(selection.error.contains(QLatin1Char('"') + setting + QLatin1Char('"')));
            QVERIFY(selection.error.contains(QLatin1String("simulated@YYYY-MM-DDThh:mm:ss")));
            return;
        case Kind::Host:
            QVERIFY(selection.error.isEmpty());
            QVERIFY(selection.notice.isEmpty());
            return;
        case Kind::Simulated:
            break;
        }
        QVERIFY(selection.error.isEmpty());
        const QDateTime expected = start.isValid() ? start : QDateTime::currentDateTime();
        QVERIFY2(apartMs(selection.clock->now(), expected) < kSlackMs,
                 qPrintable(selection.clock->now().toString(Qt::ISODateWithMs)));
        QVERIFY(!selection.notice.contains(QLatin1Char('\n')));
        QVERIFY(selection.notice.startsWith(QLatin1String("VALTORA: using a simulated clock")));
        QVERIFY(selection.notice.contains(QLatin1String("the computer's clock is never changed")));
        if (start.isValid()) {
            QVERIFY(selection.notice.contains(start.toString(u"yyyy-MM-dd HH:mm:ss")));
        }
    }

    void simulatedSetMovesOnlyItsOffset()
    {
        const QDateTime start(QDate(2026, 12, 5), QTime(12, 0));
        SimulatedClock clock(start);
        const qint64 offsetBefore = clock.offsetMs();
        QCOMPARE(clock.setTime(QTime(13, 0)), Outcome());
        // An hour later on the same day, and the offset moved by that hour.
        QVERIFY(apartMs(clock.now(), QDateTime(start.date(), QTime(13, 0))) < kSlackMs);
        QVERIFY(qAbs(clock.offsetMs() - offsetBefore - 3600 * 1000) < kSlackMs);
        // The host's clock knows nothing of it.
        QVERIFY(apartMs(QDateTime::currentDateTime(), clock.now().addMSecs(-clock.offsetMs()))
                < kSlackMs);
    }

    void simulatedKeepsRunningAfterSet()
    {
        SimulatedClock clock(QDateTime(QDate(2026, 12, 5), QTime(12, 0)));
        QCOMPARE(clock.setTime(QTime(8, 0)), Outcome());
        const QDateTime first = clock.now();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30) { }
        const qint64 advanced = first.msecsTo(clock.now());
        QVERIFY2(advanced >= 30 && advanced < kSlackMs, qPrintable(QString::number(advanced)));
    }

    void simulatedSetDateKeepsTimeOfDay()
    {
        SimulatedClock clock(QDateTime(QDate(2026, 12, 5), QTime(12, 0)));
        QCOMPARE(clock.setDate(QDate(2027, 1, 1)), Outcome());
        QVERIFY(apartMs(clock.now(), QDateTime(QDate(2027, 1, 1), QTime(12, 0))) < kSlackMs);
    }

    void simulatedSkippedHourMovesForward()
    {
        // 02:30 does not exist on that day; it is read as 03:30 summer time, as the host
        // clock reads it, and the clock does not fall back to 1970.
        SimulatedClock clock(QDateTime(QDate(2026, 3, 29), QTime(1, 0)));
        QCOMPARE(clock.setTime(QTime(2, 30)), Outcome());
        QVERIFY2(apartMs(clock.now(), QDateTime(QDate(2026, 3, 29), QTime(3, 30))) < kSlackMs,
                 qPrintable(clock.now().toString(Qt::ISODate)));
    }

    void simulatedRefusesInvalidValues()
    {
        SimulatedClock clock(QDateTime(QDate(2026, 12, 5), QTime(12, 0)));
        const qint64 offset = clock.offsetMs();
        QVERIFY(clock.setDate(QDate()).has_value());
        QVERIFY(clock.setTime(QTime()).has_value());
        QCOMPARE(clock.offsetMs(), offset);
    }
};

QTEST_GUILESS_MAIN(TestClockSelection)
#include "test_clockselection.moc"
