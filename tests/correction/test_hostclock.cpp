#include "common/hostclock.h"

#include <QCoreApplication>
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
    if (!moment.isValid()) {
        qFatal("Not a moment: %s", qPrintable(text));
    }
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
    explicit RecordingClock(const QString &clockUtc)
        : nowMs(utcMs(clockUtc))
    {
    }
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

    // setTime keeps the clock's local date and hands the kernel the matching UTC moment.
    // Moments in UTC and local times of 2026, without the year.
    void setTimeAcrossDaylightSaving_data()
    {
        QTest::addColumn<QString>("clockUtc");
        QTest::addColumn<QTime>("newTime");
        QTest::addColumn<QString>("expectedUtc");
        const auto row
            = [](const char *name, const char *clock, const char *time, const char *expected) {
                  QTest::newRow(name) << QStringLiteral("2026-") + QLatin1String(clock)
                                      << QTime::fromString(QLatin1String(time), Qt::ISODateWithMs)
                                      << QStringLiteral("2026-") + QLatin1String(expected);
              };
        row("winter", "01-15T08:00", "12:00", "01-15T11:00");
        row("summer, milliseconds kept", "07-15T08:00", "12:00:00.250", "07-15T10:00:00.250");
        row("summer evening keeps the date", "07-01T10:00", "23:59:59", "07-01T21:59:59");
        row("last second before spring change", "03-28T23:30", "01:59:59", "03-29T00:59:59");
        row("spring gap start moves forward", "03-28T23:30", "02:00", "03-29T01:00");
        row("spring gap middle moves forward", "03-28T23:30", "02:30", "03-29T01:30");
        row("first summer time", "03-28T23:30", "03:00", "03-29T01:00");
        row("before autumn overlap", "10-24T23:00", "01:59:59", "10-24T23:59:59");
        row("overlap, clock in first pass", "10-25T00:29", "02:30", "10-25T00:30");
        row("overlap, clock in second pass", "10-25T01:29", "02:30", "10-25T01:30");
        row("overlap start, clock in second pass", "10-25T01:00:30", "02:00", "10-25T01:00");
        row("after autumn overlap", "10-25T00:30", "03:00", "10-25T02:00");
    }
    void setTimeAcrossDaylightSaving()
    {
        QFETCH(QString, clockUtc);
        QFETCH(QTime, newTime);
        QFETCH(QString, expectedUtc);
        QVERIFY(newTime.isValid());
        RecordingClock host(clockUtc);
        QCOMPARE(host.clock.setTime(newTime), Outcome());
        QCOMPARE(host.requests.size(), 1);
        const HostClockNative::Request &request = host.requests.first();
        const qint64 expected = utcMs(expectedUtc);
        QCOMPARE(request.seconds, expected / 1000);
        QCOMPARE(request.nanoseconds, qint32(expected % 1000 * 1000000));
        // The local fields are what the Windows call takes: the clock's date, the time given.
        const HostClockNative::WallTime &local = request.local;
        QCOMPARE(QDate(local.year, local.month, local.day),
                 QDateTime::fromMSecsSinceEpoch(host.nowMs).date());
        QCOMPARE(QTime(local.hour, local.minute, local.second, local.millisecond), newTime);
    }

    void setDateKeepsTimeOfDay()
    {
        // 12:34:56.789 winter time; the same face in summer time is two hours east of UTC.
        RecordingClock host(QStringLiteral("2026-03-28T11:34:56.789"));
        QCOMPARE(host.clock.setDate(QDate(2026, 7, 1)), Outcome());
        QCOMPARE(host.requests.size(), 1);
        QCOMPARE(host.requests.first().seconds,
                 utcMs(QStringLiteral("2026-07-01T10:34:56")) / 1000);
        QCOMPARE(host.requests.first().nanoseconds, 789000000);
    }

    // Date and time in one request; a moment in the repeated autumn hour keeps its occurrence.
    void setDateTimeIsOneRequest_data()
    {
        QTest::addColumn<qint64>("momentMs");
        QTest::newRow("across midnight") << utcMs(QStringLiteral("2026-12-05T23:00:00.250"));
        QTest::newRow("first pass of the repeated hour")
            << utcMs(QStringLiteral("2026-10-25T00:30:00"));
        QTest::newRow("second pass of the repeated hour")
            << utcMs(QStringLiteral("2026-10-25T01:30:00"));
    }
    void setDateTimeIsOneRequest()
    {
        QFETCH(qint64, momentMs);
        RecordingClock host(QStringLiteral("2026-12-04T22:59:59"));
        QCOMPARE(host.clock.setDateTime(QDateTime::fromMSecsSinceEpoch(momentMs)), Outcome());
        QCOMPARE(host.requests.size(), 1);
        QCOMPARE(host.requests.first().seconds * 1000 + host.requests.first().nanoseconds / 1000000,
                 momentMs);
    }

    void nowReadsLocalTime()
    {
        RecordingClock host(QStringLiteral("2026-07-01T22:30:00"));
        QCOMPARE(host.clock.now(), QDateTime(QDate(2026, 7, 2), QTime(0, 30)));
    }

    void refusalsBecomeTexts_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text");
        // The missing right comes with what to do about it.
        QTest::newRow("missing right")
            << EPERM
            << "VALTORA lacks the right to set the system clock (Operation not permitted). "
               "Installed from its package, VALTORA sets the clock for the members of the group "
               "valtora: sudo adduser $USER valtora, then log in again. A program built by hand "
               "needs that right given to it alone: sudo setcap cap_sys_time+ep "
                + QCoreApplication::applicationFilePath();
        QTest::newRow("other error") << EINVAL << "Invalid argument";
    }
    void refusalsBecomeTexts()
    {
        QFETCH(int, error);
        RecordingClock host(QStringLiteral("2026-07-01T10:00:00"));
        host.answer = error;
        const Outcome outcome = host.clock.setTime(QTime(9, 0));
        QVERIFY(outcome.has_value());
        QCOMPARE(outcome->number, error);
        QTEST(outcome->text, "text");
    }

    void invalidValuesNeverReachTheSystem()
    {
        RecordingClock host(QStringLiteral("2026-07-01T10:00:00"));
        QVERIFY(host.clock.setDate(QDate()).has_value());
        QVERIFY(host.clock.setTime(QTime(25, 0)).has_value());
        QVERIFY(host.requests.isEmpty());
        // The conversion refuses a day that timegm would quietly move to 2 March.
        HostClockNative::WallTime wall;
        wall.year = 2026;
        wall.month = 2;
        wall.day = 30;
        std::int64_t seconds = -1;
        QVERIFY(!HostClockNative::toInstant(wall, 0, seconds));
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
        QVERIFY(outcome->text.startsWith(
            QStringLiteral("VALTORA lacks the right to set the system clock (%1). ")
                .arg(QString::fromLocal8Bit(std::strerror(EPERM)))));
    }
};

QTEST_GUILESS_MAIN(TestHostClock)
#include "test_hostclock.moc"
