#include "common/hostclock.h"
#include "common/intervaltimer.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/receivedtimestate.h"
#include "programs.h"

#include <QTemporaryDir>
#include <QThread>

namespace {
// True when this process holds CAP_SYS_TIME in its effective set (or cannot tell).
bool mayChangeTheClock()
{
    bool ok = false;
    const qulonglong effective
        = statusField(QStringLiteral("/proc/self/status"), "CapEff:").toULongLong(&ok, 16);
    return !ok || (effective & (1ULL << 25)) != 0;
}
} // namespace

// Run as the test suite runs, without the right to set the clock, the real host clock
// refuses the correction and the cycle says so in its log: the program cannot move the
// clock here, and a refused change is never reported as done.
class TestClockRight : public QObject
{
    Q_OBJECT
private slots:
    void refusedHostClockIsFailureA()
    {
        if (mayChangeTheClock()) {
            QSKIP("This process may set the clock; run it through the test command.");
        }
        HostClock clock;
        QTemporaryDir dir;
        CorrectionLog log(clock, dir.filePath(QStringLiteral("logfile.txt")));
        CorrectionOptions options;
        options.correctOn = true;
        options.correctPeriod = 1;
        // Three consecutive received seconds ending now, taken right at the start of a
        // second, so that even a wrongly granted change would set the clock to what it
        // already reads, give or take a few milliseconds.
        QDeadlineTimer patience(1500);
        while (clock.currentTime().msec() > 3 && !patience.hasExpired()) {
            QThread::usleep(200);
        }
        const QTime now = clock.currentTime();
        ReceivedTimeState received;
        received.recvDate = clock.currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        received.recvTime = now.toString(QStringLiteral("hh:mm:ss"));
        received.recvDateTime = received.recvDate + QLatin1Char(' ') + received.recvTime;
        received.recvStamp1 = now.msecsSinceStartOfDay() / 1000;
        received.recvStamp2 = received.recvStamp1 - 1;
        received.recvStamp3 = received.recvStamp1 - 2;
        if (received.recvStamp3 < 0) {
            QSKIP("Too close to midnight for three consecutive seconds.");
        }
        received.frameEndNs = monotonicNowNs(); // the frame has just been read
        FreshnessState freshness;
        freshness.dataFresh = true;
        IntervalTimer timer3(1000);
        IntervalTimer timer4(0);
        CorrectionCycle cycle(options, received, freshness, timer3, timer4, clock, log);

        cycle.Timer3_Timer();

        // The failure line, then once why and what to do about it.
        QVERIFY2(log.boxText().contains(QStringLiteral(
                     " a:ERROR-CANNOT CORRECT TIME\r\nNOTE: VALTORA lacks the right to set the "
                     "system clock (Operation not permitted). Installed from its package")),
                 qPrintable(log.boxText()));
        QVERIFY(!log.boxText().contains(QStringLiteral("SYSTEM TIME IS CHANGED")));
        QFile file(dir.filePath(QStringLiteral("logfile.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith(" :ERROR-CANNOT CORRECT TIME\"\r\n"));
        // The attempt did not complete, so the next tick tries again.
        QCOMPARE(cycle.correctTicks(), 1);
        // And the clock itself names the reason (asked to stay where it is).
        const QDateTime before = clock.now();
        const Outcome refused = clock.setTime(before.time());
        QVERIFY(refused.has_value());
        QVERIFY2(refused->text.contains(QStringLiteral("right to set")), qPrintable(refused->text));
    }
};

QTEST_GUILESS_MAIN(TestClockRight)
#include "test_e2e_clockright.moc"
