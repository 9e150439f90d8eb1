#include "common/clockselection.h"
#include "common/hostclock.h"
#include "common/intervaltimer.h"
#include "common/simulatedclock.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/receivedtimestate.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <ctime>

namespace {

// A moment in UTC written as "yyyy-MM-ddTHH:mm:ss[.zzz]".
qint64 utcMs(const QString &text)
{
    return QDateTime::fromString(text + QLatin1Char('Z'), Qt::ISODateWithMs).toMSecsSinceEpoch();
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
    qint64 nowMs;
    HostClock clock { [this](const HostClockNative::Request &request) {
                         requests.append(request);
                         return answer;
                     },
                      [this] { return nowMs; } };
};

} // namespace

// The host clock in real time zones with the kernel call replaced, and the simulated clock.
class TestHostClock : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        // The zone must be read before any local time is, also when started by hand.
        qputenv("TZ", "Europe/Berlin");
        tzset();
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(utcMs(QStringLiteral("2026-01-15T11:00"))).time(),
                 QTime(12, 0));
    }

    // The moment set around midnight and clock changes; path 1 delayed, 2 also masked.
    void correctionDay_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("clockUtc");
        QTest::addColumn<QString>("received"); // local date and time the receiver sent
        QTest::addColumn<int>("path");
        QTest::addColumn<QString>("expectedUtc"); // empty: not set
        // Moments in UTC and local times, of 2026 where they start without the year.
        const auto row = [](const char *name, const char *clock, const char *received, int path,
                            const char *expected, const char *zone = "Europe/Berlin") {
            const auto dated = [](const char *text) {
                return (QLatin1String(text).startsWith(u"20") ? QString() : QStringLiteral("2026-"))
                    + QLatin1String(text);
            };
            QTest::newRow(name) << QByteArray(zone) << dated(clock) << dated(received) << path
                                << (*expected ? dated(expected) : QString());
        };
        row("summer, milliseconds kept", "07-15T08:00", "07-15 12:00:00.250", 0,
            "07-15T10:00:00.250");
        // The clock on another day takes the received date with the time.
        row("clock a day behind", "12-06T09:00", "12-07 10:00:00.100", 0, "12-07T09:00:00.100");
        row("clock a day ahead", "12-08T09:00", "12-07 10:00:00", 0, "12-07T09:00:00");
        row("month's end", "12-01T09:00", "11-30 10:00:00", 0, "11-30T09:00:00");
        row("year's end", "2027-01-01T09:00", "12-31 10:00:00", 0, "12-31T09:00:00");
        row("29 February", "2028-03-01T09:00", "2028-02-29 10:00:00", 0, "2028-02-29T09:00:00");
        row("a day behind across the spring change", "10-03T00:00", "10-04 10:00:00", 0,
            "10-03T23:00:00", "Australia/Sydney");
        // A receiver in this zone cannot send a time the spring change skips.
        row("inside the spring gap", "03-28T23:30", "03-29 02:30:00", 0, "");
        row("inside the spring gap, a day ahead", "10-04T15:59", "10-04 02:30:00", 0, "",
            "Australia/Sydney");
        row("overlap, clock in first pass", "10-25T00:29", "10-25 02:30:00", 0, "10-25T00:30:00");
        row("overlap, clock in second pass", "10-25T01:29", "10-25 02:30:00", 0, "10-25T01:30:00");
        row("clock 12 h + 1 s slow", "12-05T10:59:58", "12-05 23:59:59", 0, "12-05T22:59:59");
        row("right clock past midnight, last second before", "12-04T23:00:00.005", "12-04 23:59:59",
            0, "12-04T22:59:59");
        row("slow clock before midnight, first seconds after", "12-05T22:59:59.5", "12-06 00:00:02",
            0, "12-05T23:00:02");
        row("delayed: last summer second of the repeated hour", "10-25T00:59:59.2",
            "10-25 02:59:59", 1, "10-25T01:00:00");
        row("delayed with mask: the same", "10-25T00:59:59.2", "10-25 02:59:59", 2,
            "10-25T01:00:00");
        // Cuba skips 00:00-00:59 on 8 March: no receiver there sends 00:00:02 that night.
        row("across midnight into a skipped hour", "03-08T04:59:59.5", "03-08 00:00:02", 0, "",
            "America/Havana");
    }
    void correctionDay()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, clockUtc);
        QFETCH(QString, received);
        QFETCH(int, path);
        qputenv("TZ", zone);
        tzset();
        RecordingClock host(clockUtc);
        CorrectionOptions options;
        options.correctOn = true;
        options.delayOn = path != 0;
        options.delayMs = 300;
        options.maskOn = path == 2;
        options.maskMinutes = 1;
        const QTime receivedTime = QTime::fromString(received.mid(11), Qt::ISODateWithMs);
        ReceivedTimeState state;
        state.recvDate = received.left(10);
        state.recvTime = receivedTime.toString(u"hh:mm:ss");
        state.recvStamp1 = receivedTime.msecsSinceStartOfDay() / 1000;
        state.recvStamp2 = state.recvStamp1 - 1;
        state.recvStamp3 = state.recvStamp1 - 2;
        state.frameEndNs = 5'000'000'000;
        FreshnessState freshness;
        freshness.dataFresh = true;
        IntervalTimer timer3(1000);
        IntervalTimer timer4(300);
        QTemporaryDir folder;
        CorrectionLog log(host.clock, folder.filePath(QStringLiteral("logfile.txt")));
        const qint64 waitedNs = qint64(receivedTime.msec()) * 1'000'000;
        CorrectionCycle cycle(options, state, freshness, timer3, timer4, host.clock, log, {},
                              [waitedNs] { return 5'000'000'000 + waitedNs; });

        QSignalSpy measured(&cycle, &CorrectionCycle::clockSet);
        cycle.Timer3_Timer();
        for (int tick = 0; path != 0 && tick < 3; ++tick) {
            cycle.Timer4_Timer();
        }

        QFETCH(QString, expectedUtc);
        QCOMPARE(host.requests.size(), expectedUtc.isEmpty() ? 0 : 1); // date and time at once
        if (expectedUtc.isEmpty()) {
            return;
        }
        const HostClockNative::Request &set = host.requests.first();
        QCOMPARE(set.seconds * 1000 + set.nanoseconds / 1'000'000, utcMs(expectedUtc));
        // The local fields, which the Windows call takes, are the ones the receiver sent.
        const HostClockNative::WallTime &l = set.local;
        const QString local
            = QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", l.year, l.month, l.day,
                                l.hour, l.minute, l.second, l.millisecond);
        QVERIFY2(path != 0 || local.startsWith(received), qPrintable(local));
        // The offset for the history compares whole moments: a day off reads as a day.
        if (path == 0) {
            const auto record = measured.constFirst().at(0).value<TrackingRecord>();
            QCOMPARE(record.offsetMs.value_or(0.5), double(utcMs(expectedUtc) - host.nowMs));
        }
    }

    void refusalsAndInvalidValues()
    {
        RecordingClock host(QStringLiteral("2026-07-01T10:00:00"));
        host.answer = EINVAL;
        QCOMPARE(host.clock.setTime(QTime(9, 0)), (ErrorValue { EINVAL, "Invalid argument" }));
        // The missing right comes with what to do about it, for this very program.
        host.answer = EPERM;
        QVERIFY(host.clock.setTime(QTime(9, 0))
                    ->text.endsWith(
                        "A program built by hand needs that right given to it alone: sudo setcap "
                        "cap_sys_time+p "
                        + QCoreApplication::applicationFilePath()));
        QVERIFY(host.clock.setTime(QTime(25, 0)).has_value());
        QCOMPARE(host.requests.size(), 2);
        // The conversion refuses a day that timegm would quietly move to 2 March.
        std::int64_t seconds = -1;
        QVERIFY(!HostClockNative::toInstant({ 2026, 2, 30 }, 0, seconds));
    }

    // Without the right the kernel refuses; the attempt would only set the clock's own reading.
    void realAttemptWithoutTheRightIsRefused()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QByteArray text = status.readAll();
        bool ok = false;
        const quint64 rights
            = text.mid(text.indexOf("CapEff:") + 7, 18).trimmed().toULongLong(&ok, 16);
        if (!ok || (rights >> 25 & 1U) != 0) {
            QSKIP("This process may hold CAP_SYS_TIME; a real attempt could move the clock.");
        }
        HostClock clock;
        const Outcome outcome = clock.setTime(clock.now().time());
        QVERIFY(outcome.has_value());
        QCOMPARE(outcome->number, EPERM);
        QVERIFY(outcome->text.startsWith(u"VALTORA lacks the right to set the system clock"));
    }

    // VALTORA_CLOCK: the host clock, a simulated one, or refused naming the setting and form.
    void select_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected");
        QTest::newRow("system") << "system"
                                << "host";
        QTest::newRow("simulated")
            << "simulated@2026-12-05T23:59:50~-12.5ppm"
            << "VALTORA: using a simulated clock starting at 2026-12-05 23:59:50, running 12.5 "
               "ppm slow; the computer's clock is never changed";
        for (const char *refused :
             { "simulated@2026-02-30T12:00:00", "simulated@2026-12-5T23:59:50",
               "simulated@2026-03-29T02:30:00", // skipped by the spring change
               "simulated~+1000.1ppm", "simulated~+50", "system~+50ppm", "System" }) {
            QTest::newRow(refused) << refused << "refused";
        }
    }
    void select()
    {
        QFETCH(QString, setting);
        const ClockSelection selection = selectSystemClock(setting);
        QString outcome = selection.notice;
        if (dynamic_cast<const HostClock *>(selection.clock.get())) {
            outcome = QStringLiteral("host");
        } else if (!dynamic_cast<const SimulatedClock *>(selection.clock.get())
                   && selection.error.contains(u'"' + setting + u'"')
                   && selection.error.contains(u"simulated@YYYY-MM-DDThh:mm:ss")) {
            outcome = QStringLiteral("refused");
        }
        QTEST(outcome, "expected");
    }

    // The drift runs from the start and every set; a time in the spring gap reads an hour on.
    void simulatedClock()
    {
        qint64 hostMs = 1'000'000'000'000;
        const QDateTime start(QDate(2026, 3, 29), QTime(1, 0));
        SimulatedClock clock(start, -20, [&hostMs] { return hostMs; });
        hostMs += 1'000'000;
        QCOMPARE(clock.now(), start.addMSecs(1'000'000 - 20)); // -20 ppm of 1000 s
        QCOMPARE(clock.setTime(QTime(2, 30)), Outcome());
        hostMs += 1'000'000;
        const QDateTime later = QDateTime(start.date(), QTime(3, 30)).addMSecs(1'000'000 - 20);
        QCOMPARE(clock.now(), later);
        QCOMPARE(clock.setDate(QDate(2027, 1, 1)), Outcome());
        QVERIFY(clock.setDate(QDate()).has_value());
        QVERIFY(clock.setTime(QTime()).has_value());
        QCOMPARE(clock.now(), QDateTime(QDate(2027, 1, 1), later.time()));
    }
};

QTEST_GUILESS_MAIN(TestHostClock)
#include "test_hostclock.moc"
