#include "common/hostclock.h"

#include <QFile>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>

namespace {

// A moment in UTC written as "yyyy-MM-ddTHH:mm:ss[.zzz]".
qint64 utcMs(const QString &text)
{
    const QDateTime moment = QDateTime::fromString(text + QLatin1Char('Z'), Qt::ISODateWithMs);
    Q_ASSERT(moment.isValid());
    return moment.toMSecsSinceEpoch();
}

// Whether this process may set the clock: the CAP_SYS_TIME bit of its effective set.
std::optional<bool> hasClockRight()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    constexpr int kSysTimeBit = 25;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("CapEff:")) {
            bool ok = false;
            const quint64 capabilities = line.mid(7).trimmed().toULongLong(&ok, 16);
            if (!ok) {
                return std::nullopt;
            }
            return (capabilities >> kSysTimeBit & 1U) != 0;
        }
    }
    return std::nullopt;
}

// A host clock whose last step records the request instead of calling the kernel.
struct RecordingClock
{
    QList<HostClockNative::Request> requests;
    int answer = 0;
    qint64 nowMs = 0;
    HostClock clock { [this](const HostClockNative::Request &request) {
                         requests.append(request);
                         return answer;
                     },
                      [this] { return nowMs; } };
};

} // namespace

class TestHostClock : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Also when started by hand: the zone must be read before any local time is.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        // Winter in Berlin is one hour east of UTC; anything else means no zone data.
        QCOMPARE(
            QDateTime::fromMSecsSinceEpoch(utcMs(QStringLiteral("2026-01-15T11:00:00"))).time(),
            QTime(12, 0));
    }

    void setTimeAcrossDaylightSaving_data()
    {
        QTest::addColumn<QString>("clockUtc");
        QTest::addColumn<QTime>("newTime");
        QTest::addColumn<QString>("expectedUtc");
        QTest::addColumn<QDate>("expectedLocalDate");

        const QDate january(2026, 1, 15);
        const QDate july(2026, 7, 15);
        const QDate spring(2026, 3, 29);
        const QDate autumn(2026, 10, 25);
        QTest::newRow("winter") << "2026-01-15T08:00:00" << QTime(12, 0) << "2026-01-15T11:00:00"
                                << january;
        QTest::newRow("summer") << "2026-07-15T08:00:00" << QTime(12, 0) << "2026-07-15T10:00:00"
                                << july;
        QTest::newRow("milliseconds kept")
            << "2026-07-15T08:00:00" << QTime(12, 0, 0, 250) << "2026-07-15T10:00:00.250" << july;
        QTest::newRow("last second before spring change")
            << "2026-03-28T23:30:00" << QTime(1, 59, 59) << "2026-03-29T00:59:59" << spring;
        QTest::newRow("spring gap start moves forward")
            << "2026-03-28T23:30:00" << QTime(2, 0) << "2026-03-29T01:00:00" << spring;
        QTest::newRow("spring gap middle moves forward")
            << "2026-03-28T23:30:00" << QTime(2, 30) << "2026-03-29T01:30:00" << spring;
        QTest::newRow("first summer time after spring change")
            << "2026-03-28T23:30:00" << QTime(3, 0) << "2026-03-29T01:00:00" << spring;
        QTest::newRow("noon after spring change")
            << "2026-03-28T23:30:00" << QTime(12, 0) << "2026-03-29T10:00:00" << spring;
        QTest::newRow("before autumn overlap")
            << "2026-10-24T23:00:00" << QTime(1, 59, 59) << "2026-10-24T23:59:59" << autumn;
        QTest::newRow("overlap while clock is in first pass")
            << "2026-10-25T00:29:00" << QTime(2, 30) << "2026-10-25T00:30:00" << autumn;
        QTest::newRow("overlap while clock is in second pass")
            << "2026-10-25T01:29:00" << QTime(2, 30) << "2026-10-25T01:30:00" << autumn;
        QTest::newRow("overlap start while clock is in second pass")
            << "2026-10-25T01:00:30" << QTime(2, 0) << "2026-10-25T01:00:00" << autumn;
        QTest::newRow("after autumn overlap")
            << "2026-10-25T00:30:00" << QTime(3, 0) << "2026-10-25T02:00:00" << autumn;
    }
    void setTimeAcrossDaylightSaving()
    {
        QFETCH(QString, clockUtc);
        QFETCH(QTime, newTime);
        QFETCH(QString, expectedUtc);
        QFETCH(QDate, expectedLocalDate);

        RecordingClock host;
        host.nowMs = utcMs(clockUtc);
        QCOMPARE(host.clock.setTime(newTime), Outcome());
        QCOMPARE(host.requests.size(), 1);
        const HostClockNative::Request &request = host.requests.first();
        const qint64 expected = utcMs(expectedUtc);
        QCOMPARE(request.seconds, expected / 1000);
        QCOMPARE(request.nanoseconds, qint32(expected % 1000 * 1000000));
        // The local fields are what the Windows call takes: the date kept, the time given.
        QCOMPARE(QDate(request.local.year, request.local.month, request.local.day),
                 expectedLocalDate);
        QCOMPARE(QTime(request.local.hour, request.local.minute, request.local.second,
                       request.local.millisecond),
                 newTime);
    }

    void setDateKeepsTimeOfDay()
    {
        RecordingClock host;
        // 12:34:56.789 winter time on 28 March.
        host.nowMs = utcMs(QStringLiteral("2026-03-28T11:34:56.789"));
        QCOMPARE(host.clock.setDate(QDate(2026, 7, 1)), Outcome());
        QCOMPARE(host.requests.size(), 1);
        // The same reading of the clock face in summer time is two hours east of UTC.
        const qint64 expected = utcMs(QStringLiteral("2026-07-01T10:34:56.789"));
        QCOMPARE(host.requests.first().seconds, expected / 1000);
        QCOMPARE(host.requests.first().nanoseconds, 789000000);
    }

    void setTimeKeepsDate()
    {
        RecordingClock host;
        host.nowMs = utcMs(QStringLiteral("2026-07-01T10:00:00"));
        QCOMPARE(host.clock.setTime(QTime(23, 59, 59)), Outcome());
        QCOMPARE(host.requests.first().seconds,
                 utcMs(QStringLiteral("2026-07-01T21:59:59")) / 1000);
        QCOMPARE(host.requests.first().local.day, 1);
    }

    void nowReadsLocalTime()
    {
        RecordingClock host;
        host.nowMs = utcMs(QStringLiteral("2026-07-01T22:30:00"));
        QCOMPARE(host.clock.now(), QDateTime(QDate(2026, 7, 2), QTime(0, 30)));
        QCOMPARE(host.clock.currentDate(), QDate(2026, 7, 2));
    }

    void refusalsBecomeTexts_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing right") << EPERM
                                       << "VALTORA lacks the right to set the system clock "
                                          "(Operation not permitted)";
        QTest::newRow("other error") << EINVAL << "Invalid argument";
    }
    void refusalsBecomeTexts()
    {
        QFETCH(int, error);
        QFETCH(QString, text);
        RecordingClock host;
        host.nowMs = utcMs(QStringLiteral("2026-07-01T10:00:00"));
        host.answer = error;
        const Outcome outcome = host.clock.setTime(QTime(9, 0));
        QVERIFY(outcome.has_value());
        QCOMPARE(outcome->number, error);
        QCOMPARE(outcome->text, text);
    }

    void invalidValuesNeverReachTheSystem()
    {
        RecordingClock host;
        host.nowMs = utcMs(QStringLiteral("2026-07-01T10:00:00"));
        QVERIFY(host.clock.setDate(QDate()).has_value());
        QVERIFY(host.clock.setTime(QTime(25, 0)).has_value());
        QVERIFY(host.requests.isEmpty());
    }

    void dateThatDoesNotExistIsRefused()
    {
        HostClockNative::WallTime wall;
        wall.year = 2026;
        wall.month = 2;
        wall.day = 30;
        std::int64_t seconds = -1;
        QVERIFY(!HostClockNative::toInstant(wall, 0, seconds));
        QCOMPARE(seconds, std::int64_t(-1));
    }

    // Run the way the test command runs the suite, the real clock cannot be moved. The attempt
    // sets the clock to its own reading of a moment ago, so even a mistaken success changes
    // nothing that matters; with the right to set the clock the attempt is not made at all.
    void realAttemptWithoutTheRightIsRefused()
    {
        const std::optional<bool> mayMoveClock = hasClockRight();
        if (!mayMoveClock.has_value()) {
            QSKIP("The process's capabilities cannot be read; no attempt is made.");
        }
        if (*mayMoveClock) {
            QSKIP("This process holds CAP_SYS_TIME; a real attempt could move the clock.");
        }
        HostClock clock;
        const QTime current = clock.now().time();
        const Outcome outcome = clock.setTime(current);
        QVERIFY(outcome.has_value());
        QCOMPARE(outcome->number, EPERM);
        QCOMPARE(outcome->text,
                 QStringLiteral("VALTORA lacks the right to set the system clock (%1)")
                     .arg(QString::fromLocal8Bit(std::strerror(EPERM))));
    }
};

QTEST_GUILESS_MAIN(TestHostClock)
#include "test_hostclock.moc"
