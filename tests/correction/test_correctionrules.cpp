#include "correction/correctionrules.h"
#include "frames/receivedtimestate.h"

#include <QTest>
#include <limits>

namespace {

// 1 passes, 0 fails, -1 cannot be evaluated.
int verdictOf(const std::optional<bool> &result)
{
    return result.has_value() ? int(*result) : -1;
}

} // namespace

class TestCorrectionRules : public QObject
{
    Q_OBJECT
private slots:
    // Both differences are held in 16 bits.
    void consecutiveSeconds_data()
    {
        QTest::addColumn<int>("oldest");
        QTest::addColumn<int>("middle");
        QTest::addColumn<int>("newest");
        QTest::addColumn<int>("verdict");
        const int noon = 12 * 3600;
        QTest::newRow("one second apart") << noon << noon + 1 << noon + 2 << 1;
        QTest::newRow("a second missing") << noon << noon + 1 << noon + 3 << 0;
        QTest::newRow("repeated second") << noon << noon + 1 << noon + 1 << 0;
        QTest::newRow("first frame at noon: 43200 does not fit") << 0 << 0 << noon << -1;
        QTest::newRow("32767 still fits") << 0 << 0 << 32767 << 0;
        QTest::newRow("32768 does not") << 0 << 0 << 32768 << -1;
        QTest::newRow("-32768 fits") << 40000 << 40000 << 7232 << 0;
        QTest::newRow("older difference too large") << 0 << 43200 << 43201 << -1;
        QTest::newRow("over midnight") << 86398 << 86399 << 0 << -1;
    }
    void consecutiveSeconds()
    {
        ReceivedTimeState state;
        QFETCH(int, oldest);
        QFETCH(int, middle);
        QFETCH(int, newest);
        state.recvStamp3 = oldest;
        state.recvStamp2 = middle;
        state.recvStamp1 = newest;
        QTEST(verdictOf(CorrectionRules::consecutiveSeconds(state)), "verdict");
    }

    void midnightWindow_data()
    {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QTime>("computer");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("verdict");
        const QTime noon(12, 0);
        QTest::newRow("computer 23:54:59 with 5") << "12:00:00" << QTime(23, 54, 59) << 5 << 1;
        QTest::newRow("computer 00:05:59 with 5") << "12:00:00" << QTime(0, 5, 59) << 5 << 0;
        QTest::newRow("received 23:54:59 with 5") << "23:54:59" << noon << 5 << 1;
        QTest::newRow("received 23:55:00 with 5") << "23:55:00" << noon << 5 << 0;
        QTest::newRow("0 keeps midnight itself out") << "00:00:30" << noon << 0 << 0;
        QTest::newRow("0 lets 00:01 pass") << "00:01:00" << noon << 0 << 1;
        QTest::newRow("720 leaves no window") << "12:00:00" << noon << 720 << 0;
        QTest::newRow("negative lets all pass") << "00:00:00" << QTime(23, 59, 59) << -1 << 1;
        QTest::newRow("1440 - N does not fit 16 bits") << "12:00:00" << noon << -31328 << -1;
        QTest::newRow("1440 - N just fits") << "12:00:00" << noon << -31327 << 1;
        QTest::newRow("received text not a time") << "25:00:00" << noon << 5 << -1;
    }
    void midnightWindow()
    {
        QFETCH(QString, received);
        QFETCH(QTime, computer);
        QFETCH(int, minutes);
        QTEST(
            verdictOf(CorrectionRules::outsideMidnightWindow(received, computer, qint16(minutes))),
            "verdict");
    }

    void timeOfDay_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("expected");
        QTest::newRow("two digits each") << "12:13:04" << QTime(12, 13, 4);
        QTest::newRow("test frame's one digit") << "12:13:1" << QTime(12, 13, 1);
        QTest::newRow("last second") << "23:59:59" << QTime(23, 59, 59);
        QTest::newRow("hour 24") << "24:00:00" << QTime();
        QTest::newRow("minute 60") << "10:60:00" << QTime();
        QTest::newRow("second 60") << "10:00:60" << QTime();
        QTest::newRow("letters") << "1a:00:00" << QTime();
        QTest::newRow("two fields") << "10:00" << QTime();
        QTest::newRow("three digits") << "010:00:00" << QTime();
        QTest::newRow("sign") << "+1:00:00" << QTime();
    }
    void timeOfDay()
    {
        QFETCH(QString, text);
        QTEST(CorrectionRules::timeOfDay(text).value_or(QTime()), "expected");
    }

    void latchedPlusOneSecond_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QDateTime>("expected");
        const auto row
            = [](const char *name, const char *date, const char *time, QDateTime expected = {}) {
                  QTest::newRow(name)
                      << QString::fromLatin1(date) << QString::fromLatin1(time) << expected;
              };
        row("frame date", "2026-12-05", "12:13:04",
            QDateTime(QDate(2026, 12, 5), QTime(12, 13, 5)));
        row("computer date without zeros", "2026-1-7", "08:00:59",
            QDateTime(QDate(2026, 1, 7), QTime(8, 1)));
        row("nothing latched yet", "", "");
        row("no such day", "2026-02-30", "12:00:00");
        row("two-digit year", "26-12-05", "12:00:00");
        row("bad time", "2026-12-05", "12:00:99");
    }
    void latchedPlusOneSecond()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        const QDateTime clockNow(QDate(2026, 12, 5), QTime(12, 0));
        QTEST(CorrectionRules::latchedPlusOneSecond(date, time, clockNow).value_or(QDateTime()),
              "expected");
    }

    void frameTransmission_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<qint64>("expectedNs");
        QTest::newRow("9600,n,8,1: ten bits a byte") << "9600,n,8,1" << qint64(12'500'000);
        QTest::newRow("115200,e,7,1.5") << "115200,e,7,1.5" << qint64(1'093'750);
        QTest::newRow("19200,n,8,2") << "19200,n,8,2" << qint64(6'875'000);
        QTest::newRow("4800,o,8,1: parity bit") << "4800,o,8,1" << qint64(27'500'000);
        QTest::newRow("upper-case letter") << "9600,N,8,1" << qint64(12'500'000);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("speed 0") << "0,n,8,1" << qint64(0);
        QTest::newRow("unknown parity") << "9600,x,8,1" << qint64(0);
        QTest::newRow("nine data bits") << "9600,n,9,1" << qint64(0);
        QTest::newRow("three stop bits") << "9600,n,8,3" << qint64(0);
        QTest::newRow("missing field") << "9600,n,8" << qint64(0);
        QTest::newRow("speed beyond any line") << "4611686018427387905,n,8,1" << qint64(0);
    }
    void frameTransmission()
    {
        QFETCH(QString, settings);
        QTEST(CorrectionRules::frameTransmissionNs(settings), "expectedNs");
    }

    void advancedTime_data()
    {
        QTest::addColumn<QTime>("second");
        QTest::addColumn<qint64>("sinceNs");
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<QTime>("expected");
        const QTime noon(12, 0);
        QTest::newRow("a clock that went backwards adds nothing")
            << noon << qint64(-5'000'000) << 0 << noon;
        QTest::newRow("rounded to the nearest millisecond")
            << noon << qint64(12'499'999) << 0 << QTime(12, 0, 0, 12);
        QTest::newRow("half a millisecond rounds up")
            << noon << qint64(12'500'000) << 0 << QTime(12, 0, 0, 13);
        QTest::newRow("just under the cap")
            << noon << qint64(998'600'000) << 0 << QTime(12, 0, 0, 999);
        QTest::newRow("never past midnight by the wait")
            << QTime(23, 59, 59) << qint64(3'000'000'000) << 0 << QTime(23, 59, 59, 999);
        QTest::newRow("the largest count")
            << noon << std::numeric_limits<qint64>::max() << 0 << QTime(12, 0, 0, 999);
        QTest::newRow("latency added after the cap")
            << noon << qint64(3'000'000'000) << 40 << QTime(12, 0, 1, 39);
        QTest::newRow("a receiver that sends ahead")
            << noon << qint64(12'500'000) << -300 << QTime(11, 59, 59, 713);
        QTest::newRow("latency across midnight")
            << QTime(0, 0) << qint64(0) << -1 << QTime(23, 59, 59, 999);
    }
    void advancedTime()
    {
        QFETCH(QTime, second);
        QFETCH(qint64, sinceNs);
        QFETCH(int, latencyMs);
        QTEST(CorrectionRules::advancedTime(second, sinceNs, latencyMs), "expected");
    }
};

QTEST_GUILESS_MAIN(TestCorrectionRules)
#include "test_correctionrules.moc"
