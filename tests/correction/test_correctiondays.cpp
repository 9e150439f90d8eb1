#include "common/hostclock.h"
#include "common/intervaltimer.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/receivedtimestate.h"

#include <QTemporaryDir>
#include <QTest>
#include <ctime>

namespace {

qint64 utcMs(const QString &text)
{
    return QDateTime::fromString(text + QLatin1Char('Z'), Qt::ISODateWithMs).toMSecsSinceEpoch();
}

QString utcText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

} // namespace

// The correction cycle on the host clock's own arithmetic in real time zones, with the kernel
// call replaced: which moment would the clock be set to around midnight and around the
// daylight-saving changes?
class TestCorrectionDays : public QObject
{
    Q_OBJECT
private slots:
    void dayOfTheCorrection_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("clockUtc");
        QTest::addColumn<QString>("received"); // local date and time the receiver sent
        QTest::addColumn<int>("path"); // 0 immediate, 1 delayed, 2 delayed with mask
        QTest::addColumn<QString>("expectedUtc"); // empty: not set
        const auto row = [](const char *name, const char *zone, const char *clock,
                            const char *received, int path, const char *expected) {
            QTest::newRow(name) << QByteArray(zone) << QString::fromLatin1(clock)
                                << QString::fromLatin1(received) << path
                                << QString::fromLatin1(expected);
        };
        const char *berlin = "Europe/Berlin";
        row("day before the spring gap", berlin, "2026-03-28T01:29:45", "2026-03-28 02:29:50", 0,
            "2026-03-28T01:29:50.000Z");
        row("day after the spring gap", berlin, "2026-03-30T00:29:45", "2026-03-30 02:29:50", 0,
            "2026-03-30T00:29:50.000Z");
        row("last second before the gap", berlin, "2026-03-29T00:59:58", "2026-03-29 01:59:59", 0,
            "2026-03-29T00:59:59.000Z");
        row("first seconds after the gap", berlin, "2026-03-29T01:00:00.5", "2026-03-29 03:00:01",
            0, "2026-03-29T01:00:01.000Z");
        row("clock 12 h + 1 s slow", berlin, "2026-12-05T10:59:58", "2026-12-05 23:59:59", 0,
            "2026-12-05T22:59:59.000Z");
        row("clock 12 h + 1 s fast", berlin, "2026-12-05T11:00:01", "2026-12-05 00:00:00", 0,
            "2026-12-04T23:00:00.000Z");
        row("right clock past midnight, last second before", berlin, "2026-12-04T23:00:00.005",
            "2026-12-04 23:59:59", 0, "2026-12-04T22:59:59.000Z");
        row("slow clock before midnight, first seconds after", berlin, "2026-12-05T22:59:59.5",
            "2026-12-06 00:00:02", 0, "2026-12-05T23:00:02.000Z");
        row("delayed: last summer second of the repeated hour", berlin, "2026-10-25T00:59:59.2",
            "2026-10-25 02:59:59", 1, "2026-10-25T01:00:00.000Z");
        row("delayed: last second of the repeated hour", berlin, "2026-10-25T01:59:59.2",
            "2026-10-25 02:59:59", 1, "2026-10-25T02:00:00.000Z");
        row("delayed with mask: the same", berlin, "2026-10-25T00:59:59.2", "2026-10-25 02:59:59",
            2, "2026-10-25T01:00:00.000Z");
        row("delayed with mask: day after the spring gap", berlin, "2026-03-30T00:29:49.5",
            "2026-03-30 02:29:49", 2, "2026-03-30T00:29:50.000Z");
        const char *sydney = "Australia/Sydney";
        row("east of UTC, day before the spring gap", sydney, "2026-10-02T16:29:45",
            "2026-10-03 02:29:50", 0, "2026-10-02T16:29:50.000Z");
        row("east of UTC, day after the spring gap", sydney, "2026-10-04T15:29:45",
            "2026-10-05 02:29:50", 0, "2026-10-04T15:29:50.000Z");
        // Cuba skips 00:00-00:59 on 8 March: no receiver there sends 00:00:02 that night.
        row("across midnight into a skipped hour", "America/Havana", "2026-03-08T04:59:59.5",
            "2026-03-08 00:00:02", 0, "");
    }
    void dayOfTheCorrection()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, clockUtc);
        QFETCH(QString, received);
        QFETCH(int, path);
        QFETCH(QString, expectedUtc);
        qputenv("TZ", zone);
        tzset();

        qint64 clockMs = utcMs(clockUtc);
        int requests = 0;
        HostClock clock(
            [&](const HostClockNative::Request &request) {
                clockMs = request.seconds * 1000 + request.nanoseconds / 1'000'000;
                ++requests;
                return 0;
            },
            [&] { return clockMs; });
        CorrectionOptions options;
        options.correctOn = true;
        options.delayOn = path != 0;
        options.delayMs = 300;
        options.maskOn = path == 2;
        options.maskMinutes = 1;
        ReceivedTimeState state;
        state.recvDate = received.left(10);
        state.recvTime = received.mid(11);
        state.recvDateTime = received;
        const int second = QTime::fromString(state.recvTime).msecsSinceStartOfDay() / 1000;
        state.recvStamp1 = second;
        state.recvStamp2 = second - 1;
        state.recvStamp3 = second - 2;
        state.frameEndNs = 5'000'000'000;
        FreshnessState freshness;
        freshness.dataFresh = true;
        IntervalTimer timer3(1000);
        IntervalTimer timer4(300);
        QTemporaryDir folder;
        CorrectionLog log(clock, folder.filePath(QStringLiteral("logfile.txt")));
        CorrectionCycle cycle(options, state, freshness, timer3, timer4, clock, log, {},
                              [] { return qint64(5'000'000'000); });

        cycle.Timer3_Timer();
        for (int tick = 0; path != 0 && tick < 3; ++tick) {
            cycle.Timer4_Timer();
        }

        QCOMPARE(requests, expectedUtc.isEmpty() ? 0 : 1); // date and time in one step
        if (!expectedUtc.isEmpty()) {
            QCOMPARE(utcText(clockMs), expectedUtc);
        }
    }
};

QTEST_GUILESS_MAIN(TestCorrectionDays)
#include "test_correctiondays.moc"
