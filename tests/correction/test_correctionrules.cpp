#include "correction/correctionrules.h"
#include "correction/correctionsettings.h"
#include "correction/timeofday.h"
#include "frames/receivedtimestate.h"

#include <QTest>

namespace {

// A rule's answer to space-separated arguments, as text; "-" when it has none.
QString answer(const QString &rule, const QString &input)
{
    const QStringList args = input.split(QLatin1Char(' '));
    const auto verdict = [](const std::optional<bool> &result) {
        return result ? QString::number(int(*result)) : QStringLiteral("-");
    };
    if (rule == u"consecutive") { // the oldest, middle and newest stamp
        ReceivedTimeState state;
        state.recvStamp3 = args.at(0).toInt();
        state.recvStamp2 = args.at(1).toInt();
        state.recvStamp1 = args.at(2).toInt();
        return verdict(CorrectionRules::consecutiveSeconds(state));
    }
    if (rule == u"outside window") { // received text, computer's time, minutes
        return verdict(CorrectionRules::outsideMidnightWindow(
            args.at(0), QTime::fromString(args.at(1)), qint16(args.at(2).toInt())));
    }
    if (rule == u"time") {
        const auto time = CorrectionRules::timeOfDay(input);
        return time ? time->toString(u"hh:mm:ss") : QStringLiteral("-");
    }
    if (rule == u"latched + 1") { // date and time texts, on a clock at 2026-12-05 12:00
        const auto moment = CorrectionRules::latchedPlusOneSecond(
            args.at(0), args.value(1), QDateTime(QDate(2026, 12, 5), QTime(12, 0)));
        return moment ? moment->toString(Qt::ISODate) : QStringLiteral("-");
    }
    if (rule == u"line ns") {
        return QString::number(CorrectionRules::frameTransmissionNs(input));
    }
    if (rule == u"advanced") { // second, ns since the frame began, latency ms
        return CorrectionRules::advancedTime(QTime::fromString(args.at(0)), args.at(1).toLongLong(),
                                             args.at(2).toInt())
            .toString(u"hh:mm:ss.zzz");
    }
    if (rule == u"typed") {
        const auto number = CorrectionSettings::typedNumber(input);
        return number ? QString::number(*number) : QStringLiteral("-");
    }
    if (rule == u"timetosecond") {
        return QString::number(::timetosecond(input));
    }
    const Result<QString> text = ::secondtotime(input.toDouble());
    return text.ok() ? text.value() : text.error().text;
}

} // namespace

// The rules of an attempt, the time-of-day texts and the typed option numbers.
class TestCorrectionRules : public QObject
{
    Q_OBJECT
private slots:
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *rule, const char *input, const char *expected) {
            QTest::addRow("%s: %s", rule, input)
                << QString::fromLatin1(rule) << QString::fromLatin1(input)
                << QString::fromLatin1(expected);
        };
        // Both differences one second, each held in 16 bits.
        row("consecutive", "43200 43201 43203", "0");
        row("consecutive", "43200 43202 43203", "0");
        row("consecutive", "0 0 32767", "0");
        row("consecutive", "0 0 32768", "-");
        row("consecutive", "40000 40000 7232", "0");
        row("consecutive", "0 43200 43201", "-");
        // Both times more than N minutes from midnight; 1440 - N held in 16 bits.
        row("outside window", "12:00:00 23:54:59 5", "1");
        row("outside window", "12:00:00 00:05:59 5", "0");
        row("outside window", "00:00:30 12:00:00 0", "0");
        row("outside window", "12:00:00 12:00:00 720", "0");
        row("outside window", "00:00:00 23:59:59 -1", "1");
        row("outside window", "12:00:00 12:00:00 -31328", "-");
        row("outside window", "12:00:00 12:00:00 -31327", "1");
        row("outside window", "25:00:00 12:00:00 5", "-");
        row("time", "12:13:1", "12:13:01"); // the test frame's one digit
        for (const char *bad :
             { "24:00:00", "10:60:00", "10:00:60", "1a:00:00", "10:00", "010:00:00", "+1:00:00" }) {
            row("time", bad, "-");
        }
        row("latched + 1", "2026-12-05 12:13:04", "2026-12-05T12:13:05");
        row("latched + 1", "2026-1-7 08:00:59", "2026-01-07T08:01:00"); // the computer's date
        row("latched + 1", "", "-"); // nothing latched yet
        row("latched + 1", "2026-02-30 12:00:00", "-");
        row("latched + 1", "26-12-05 12:00:00", "-");
        // Twelve bytes: start bit, data bits, parity bit, stop bits.
        row("line ns", "115200,e,7,1.5", "1093750");
        row("line ns", "4800,O,8,2", "30000000");
        for (const char *bad : { "", "0,n,8,1", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3",
                                 "9600,n,8", "4611686018427387905,n,8,1" }) {
            row("line ns", bad, "0");
        }
        // The wait is capped below a second before rounding; the latency comes after.
        row("advanced", "12:00:00 -5000000 0", "12:00:00.000");
        row("advanced", "12:00:00 9223372036854775807 0", "12:00:00.999");
        row("advanced", "12:00:00 3000000000 40", "12:00:01.039");
        row("advanced", "00:00:00 0 -1", "23:59:59.999");
        // A typed number must be whole, rounded half to even.
        row("typed", "  6.5 ", "6");
        for (const char *bad : { "32767.5", "", "30abc", "inf", "nan", "1e300" }) {
            row("typed", bad, "-");
        }
        // By fixed positions, without range checks.
        row("timetosecond", "  07:05:09 ", "25509");
        row("timetosecond", "8:5:3", "28800");
        row("timetosecond", "99:99:99", "362439");
        row("timetosecond", "7", "25207"); // hours and seconds 7
        row("timetosecond", "\t12:34:56", "3656"); // a tab is not trimmed
        row("timetosecond", "1.5", "3600"); // half on an even total rounds down
        row("secondtotime", "1", "00:00:01");
        row("secondtotime", "nan", "00:00:00");
        row("secondtotime", "59.5", "00:00:60");
        row("secondtotime", "1.5", "00:00:02");
        row("secondtotime", "86400", "24:00:00");
        row("secondtotime", "2147486399.5", "596523:59:60");
        row("secondtotime", "2147486400", "Overflow");
        row("secondtotime", "inf", "Overflow");
    }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, input);
        QTEST(answer(rule, input), "expected");
    }
};

QTEST_GUILESS_MAIN(TestCorrectionRules)
#include "test_correctionrules.moc"
