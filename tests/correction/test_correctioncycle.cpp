#include "common/intervaltimer.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "correction/correctionrules.h"
#include "correction/correctionsettings.h"
#include "correction/timeofday.h"
#include "frames/receivedtimestate.h"
#include "manualclock.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 12, 5);
const QString kFailure = QStringLiteral(":ERROR-CANNOT CORRECT TIME");
const QString kNote = QStringLiteral("NOTE: ");

QStringList linesOf(const QString &text)
{
    return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QString joined(const QStringList &words)
{
    return words.isEmpty() ? QStringLiteral("-") : words.join(QLatin1Char(' '));
}

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
        const auto moment = CorrectionRules::latchedPlusOneSecond(args.at(0), args.value(1),
                                                                  QDateTime(kToday, QTime(12, 0)));
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

// The rules of an attempt, the time-of-day texts, the typed option numbers and the cycle.
class TestCorrectionCycle : public QObject
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
        row("outside window", "00:05:59 12:00:00 5", "0"); // the received side's edges
        row("outside window", "00:06:00 12:00:00 5", "1");
        row("outside window", "23:54:59 12:00:00 5", "1");
        row("outside window", "23:55:00 12:00:00 5", "0");
        row("time", "12:13:1", "12:13:01"); // the test frame's one digit
        for (const char *bad :
             { "24:00:00", "10:60:00", "10:00:60", "1a:00:00", "10:00", "010:00:00", "+1:00:00" }) {
            row("time", bad, "-");
        }
        row("latched + 1", "2026-12-05 12:13:04", "2026-12-05T12:13:05");
        row("latched + 1", "2026-1-7 08:00:59", "2026-01-07T08:01:00"); // the computer's date
        row("latched + 1", "", "-"); // nothing latched yet
        row("latched + 1", "2026-02-30 12:00:00", "-");
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
        for (const char *bad : { "32767.5", "", "30abc", "inf", "nan", "1e300", "1e3", "1,000" }) {
            row("typed", bad, "-");
        }
        row("timetosecond", "  07:05:09 ", "25509"); // by fixed positions, once trimmed
        // Fractions: fields read as leading numbers, the sum rounded half to even; the seconds
        // rounded only after the minutes were taken whole.
        row("timetosecond", "00:00:.5", "0");
        row("timetosecond", "00:.5:.7", "31");
        row("secondtotime", "59.5", "00:00:60");
        row("secondtotime", "3599.5", "00:59:60");
        row("secondtotime", "2.5", "00:00:02");
        row("secondtotime", "1.5", "00:00:02");
        row("secondtotime", "1", "00:00:01");
        row("secondtotime", "2147486400", "Overflow");
    }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, input);
        QTEST(answer(rule, input), "expected");
    }
    void init()
    {
        m_logPath = m_folder.filePath(QStringLiteral("logfile%1.txt").arg(++m_case));
        m_clock = std::make_unique<ManualClock>(QDateTime(kToday, QTime(12, 0, 0, 400)));
        m_log = std::make_unique<CorrectionLog>(*m_clock, m_logPath);
        m_options = CorrectionOptions {};
        m_options.correctOn = true;
        m_received = ReceivedTimeState {};
        m_freshness = FreshnessState {};
        m_timer3 = std::make_unique<IntervalTimer>(1000);
        m_timer3->setEnabled(true);
        m_timer4 = std::make_unique<IntervalTimer>();
        m_monotonicNs = 10'000'000'000;
        m_lineSettings.clear();
        m_cycle = std::make_unique<CorrectionCycle>(
            m_options, m_received, m_freshness, *m_timer3, *m_timer4, *m_clock, *m_log,
            [this] { return m_lineSettings; }, [this] { return m_monotonicNs; });
        m_overlays
            = std::make_unique<QSignalSpy>(m_cycle.get(), &CorrectionCycle::overlayRequested);
        m_sets = std::make_unique<QSignalSpy>(m_cycle.get(), &CorrectionCycle::clockSet);
    }

    // Steps (see run()): frames= puts three frames a second apart, t3/t4 tick the timers.
    void scenario_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *steps, const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(steps) << QString::fromLatin1(expected);
        };
        row("negative period: every tick", "period=-3 frames=12:00:00 t3*2",
            "12:00:00 12:00:00 | - | set set | 0 | 0");
        row("period 5: the fifth tick", "period=5 frames=12:00:00 t3*9",
            "12:00:00 | - | set | 0 | 4");
        // Failure a is retried every tick; turned off, Timer3 stops after the next attempt.
        row("failure a retried; off after the attempt",
            "period=5 off stamps=43200,0,0 t3*7 frames=12:00:03 t3",
            "12:00:03 | - | a note a a set | 0 | 0 T3 off");
        row("not a second apart: c", "frames=12:00:00 stamps=43200,43199,43197 t3",
            "- | - | c note | 0 | 0");
        row("no fresh frames: b, also for the delayed path: e",
            "frames=12:00:00 stale t3 t3 delay=300 fresh t3 stale t4*3",
            "- | - | b note b e note | 0 | 0");
        row("received text not a time: a", "frames=12:00:00 text=12:00:60 t3",
            "- | - | a note | 0 | 1");
        row("midnight window: received 00:05:59", "mask=5 frames=00:05:59 t3", "- | - | - | 0 | 0");
        row("midnight window: computer 23:55", "mask=5 clock=23:55:00 frames=12:00:00 t3",
            "- | - | - | 0 | 0");
        // With the window the line tells the clock's date and time after setting.
        row("midnight window: the clock's line",
            "mask=5 frames=2026-12-04T12:00:00 t3 "
            "said=2026-12-05T12:00:00",
            "12:00:00 | - | set | 0 | 0");
        // Stale data is refused before a hand-off, and before the delayed path's other tests.
        row("delay on, stale: b, no hand-off", "delay=300 frames=12:00:00 stale t3",
            "- | - | b note | 0 | 0");
        row("delayed: stale before not a second apart: e",
            "delay=300 stamps=43200,0,0 t3 stale t4*3", "- | - | e note | 0 | 0");
        // The wait and the line time are added, capped below a second; over 1.5 s is refused.
        row("1.5 s old: used, capped below a second",
            "line=9600,n,8,1 frames=12:00:00 wait=1500000000 t3", "12:00:00.999 | - | set | 0 | 0");
        row("1 ns older: refused, explained once", "frames=12:00:00 wait=1500000001 t3*2",
            "- | - | a note a | 0 | 2");
        row("arrival not known: refused", "frames=12:00:00 late t3", "- | - | a note | 0 | 1");
        row("refused set: a, explained once; the delayed path ends it silently",
            "refuse period=5 frames=12:00:00 t3*6 delay=300 t3 t4*3", "- | - | a note a | 0 | 0");
        // Delayed: the third Timer4 tick after a hand-off sets the latched second + 1 at once.
        row("delayed: two ticks only count", "delay=300 frames=12:00:00 t3 t4*2",
            "- | - | - | 0 | 0 T4 on");
        row("delayed: the third sets the latched frame",
            "delay=300 frames=12:00:00 t3 frames=12:00:04 t4*3 said=2026-12-05T12:00:01",
            "12:00:01 | 2026-12-05 | set | 1 | 0");
        row("delayed: into the new year", "delay=300 frames=2026-12-31T23:59:59 t3 t4*3",
            "00:00:00 | 2027-01-01 | set | 1 | 0");
        row("delayed with the midnight window: time only, the clock's line",
            "delay=300 mask=5 frames=2026-12-04T12:00:00 t3 t4*3 said=2026-12-05T12:00:01",
            "12:00:01 | - | set | 1 | 0");
        row("delayed: the window is on the latched time",
            "delay=300 mask=5 frames=00:05:59 t3 frames=12:00:00 t4*3", "- | - | - | 0 | 0");
        row("delayed: start-up stamps are d", "delay=300 stamps=43200,0,0 t3 t4*3",
            "- | - | d note | 0 | 0");
        row("delayed: nothing latched", "delay=300 frames=12:00:00 t4*3", "- | - | - | 0 | 0");
        // The latch is used only as long as three ticks take, with half a second to spare.
        row("delayed: latch 3 x 300 ms + 500 ms old",
            "delay=300 frames=12:00:00 t3 wait=1400000000 t4*3",
            "12:00:01 | 2026-12-05 | set | 1 | 0");
        row("delayed: latch 1 ns older", "delay=300 frames=12:00:00 t3 wait=1400000001 t4*3",
            "- | - | - | 0 | 0");
        // A lost record never makes the next second set the clock again: once per period.
        row("log file not writable", "nolog period=3 frames=12:00:00 t3*6 delay=300 t3*3 t4*3",
            "12:00:00 12:00:00 12:00:01 | 2026-12-05 | set note set set | 1 | 0 file?");
        // record=offset ms,frame age ms,path; the clock reads 12:00:00.400.
        row("offset: 2.6 s behind, 250 ms waited, 12.5 ms on the line",
            "line=9600,n,8,1 frames=12:00:03 wait=250000000 t3 record=2862.500,250,immediate",
            "12:00:03.263 | - | set | 0 | 0");
        row("offset: a receiver latency of -300 ms",
            "latency=-300 line=9600,n,8,1 "
            "frames=12:00:03 wait=250000000 t3 record=2562.500,250,immediate",
            "12:00:02.963 | - | set | 0 | 0");
        row("offset: delayed, the newest frame",
            "latency=40 line=9600,n,8,1 delay=300 "
            "frames=12:00:03 wait=250000000 t3 t4*3 record=2902.500,250,delayed",
            "12:00:04 | 2026-12-05 | set | 1 | 0");
        row("offset: delayed, arrival not known",
            "delay=300 frames=12:00:03 late t3 t4*3 record=-,-,delayed",
            "12:00:04 | 2026-12-05 | set | 1 | 0");
    }
    void scenario()
    {
        QFETCH(QString, steps);
        run(steps);
        QTEST(outcome(), "expected");
        // Each set, and only a set, reports what it measured.
        QCOMPARE(m_sets->size(), m_clock->timesSet.size());
    }

    // A hand-off restarts Timer4 (armed since start-up), so the delay counts from it.
    void handOffRestartsTimer4()
    {
        // Long enough that a busy machine cannot blur a restart and a timer left running.
        QVERIFY(!m_timer4->setInterval(3000));
        m_timer4->setEnabled(true);
        QTest::qWait(1500);
        run(QStringLiteral("delay=3000 frames=12:00:00 t3"));
        QVERIFY(m_timer4->isTicking());
        QVERIFY(m_timer4->remainingTimeMs() > 1500);
    }

private:
    // One step per word: name, name=value or name*count.
    void run(const QString &steps)
    {
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            const QString name = step.section(u'=', 0, 0).section(u'*', 0, 0);
            const QString value = step.section(u'=', 1);
            const int count = step.contains(u'*') ? step.section(u'*', 1).toInt() : 1;
            if (name == u"frames") {
                const QString at
                    = value.contains(u'T') ? value : QLatin1String("2026-12-05T") + value;
                const QDateTime newest = QDateTime::fromString(at, Qt::ISODate);
                m_received.recvDate = newest.date().toString(Qt::ISODate);
                m_received.recvTime = newest.time().toString(u"hh:mm:ss");
                m_received.recvDateTime = m_received.recvDate + u' ' + m_received.recvTime;
                m_received.recvStamp1 = newest.time().msecsSinceStartOfDay() / 1000;
                m_received.recvStamp2 = m_received.recvStamp1 - 1;
                m_received.recvStamp3 = m_received.recvStamp1 - 2;
                m_received.frameEndNs = m_monotonicNs;
                m_freshness.dataFresh = true;
            } else if (name == u"stamps") {
                const QStringList stamps = value.split(u',');
                m_received.recvStamp1 = stamps.at(0).toInt();
                m_received.recvStamp2 = stamps.at(1).toInt();
                m_received.recvStamp3 = stamps.at(2).toInt();
                m_freshness.dataFresh = true;
            } else if (name == u"text") {
                m_received.recvTime = value;
            } else if (name == u"stale" || name == u"fresh") {
                m_freshness.dataFresh = name == u"fresh";
            } else if (name == u"t3" || name == u"t4") {
                for (int tick = 0; tick < count; ++tick) {
                    name == u"t3" ? m_cycle->Timer3_Timer() : m_cycle->Timer4_Timer();
                }
            } else if (name == u"wait") {
                m_monotonicNs += value.toLongLong();
            } else if (name == u"late") {
                m_received.frameEndNs = 0;
            } else if (name == u"period") {
                m_options.correctPeriod = qint16(value.toInt());
            } else if (name == u"delay") {
                m_options.delayOn = true;
                m_options.delayMs = qint16(value.toInt());
            } else if (name == u"mask") {
                m_options.maskOn = true;
                m_options.maskMinutes = qint16(value.toInt());
            } else if (name == u"off") {
                m_options.correctOn = false;
            } else if (name == u"clock") {
                m_clock->setNow(QDateTime(kToday, QTime::fromString(value)));
            } else if (name == u"refuse") {
                m_clock->setRefusal(ErrorValue { 1, QStringLiteral("Operation not permitted") });
            } else if (name == u"nolog") {
                QVERIFY(QDir().mkdir(m_logPath)); // a folder where the file should be
            } else if (name == u"latency") {
                m_cycle->setReceiverLatencyMs(value.toInt());
            } else if (name == u"record") { // what the last set measured, stamped in UTC
                QVERIFY(!m_sets->isEmpty());
                const auto record = m_sets->constLast().at(0).value<TrackingRecord>();
                const auto text = [](const auto &value, int decimals) {
                    return value ? QString::number(double(*value), 'f', decimals)
                                 : QStringLiteral("-");
                };
                QCOMPARE(QStringList(
                             { text(record.offsetMs, 3), text(record.frameAgeMs, 0), record.path })
                             .join(u','),
                         value);
                QCOMPARE(record.stamp, m_clock->now().toUTC());
                QCOMPARE(record.stamp.timeSpec(), Qt::UTC);
            } else if (name == u"said") { // the newest box line, T for the blank
                QVERIFY(!linesOf(m_log->boxText()).isEmpty());
                QCOMPARE(linesOf(m_log->boxText()).constLast(),
                         QStringLiteral("SYSTEM TIME IS CHANGED TO :")
                             + QString(value).replace(u'T', u' '));
            } else if (name == u"line") {
                m_lineSettings = value;
            } else {
                QFAIL(qPrintable(step));
            }
        }
    }
    QStringList fileLines() const
    {
        QFile file(m_logPath);
        return file.open(QIODevice::ReadOnly) ? linesOf(QString::fromLocal8Bit(file.readAll()))
                                              : QStringList {};
    }
    // "times set | dates set | box lines (set, failure letter, note) | overlays | Timer3 count
    // [T3 off] [T4 on] [file?]"; file? when the file does not hold the box lines but notes.
    QString outcome() const
    {
        QStringList times;
        for (const QTime &time : m_clock->timesSet) {
            times << time.toString(time.msec() != 0 ? u"hh:mm:ss.zzz" : u"hh:mm:ss");
        }
        QStringList dates;
        for (const QDate &date : m_clock->datesSet) {
            dates << date.toString(Qt::ISODate);
        }
        QStringList words;
        QStringList records;
        for (const QString &line : linesOf(m_log->boxText())) {
            const qsizetype failure = line.indexOf(kFailure);
            if (line.startsWith(kNote)) {
                words << QStringLiteral("note");
                continue;
            }
            words << (failure < 0 ? QStringLiteral("set") : line.mid(failure - 1, 1));
            records << u'"' + (failure < 0 ? line : line.left(failure - 1) + line.mid(failure))
                    + u'"';
        }
        QString timers = QString::number(m_cycle->correctTicks());
        timers += m_timer3->isEnabled() ? "" : " T3 off";
        timers += m_timer4->isEnabled() ? " T4 on" : "";
        timers += fileLines() == records ? "" : " file?";
        return QStringList { joined(times), joined(dates), joined(words),
                             QString::number(m_overlays->size()), timers }
            .join(QStringLiteral(" | "));
    }

    QTemporaryDir m_folder;
    QString m_logPath;
    int m_case = 0;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<CorrectionLog> m_log;
    CorrectionOptions m_options;
    ReceivedTimeState m_received;
    FreshnessState m_freshness;
    std::unique_ptr<IntervalTimer> m_timer3;
    std::unique_ptr<IntervalTimer> m_timer4;
    qint64 m_monotonicNs = 0;
    QString m_lineSettings;
    std::unique_ptr<CorrectionCycle> m_cycle;
    std::unique_ptr<QSignalSpy> m_overlays;
    std::unique_ptr<QSignalSpy> m_sets;
};

QTEST_GUILESS_MAIN(TestCorrectionCycle)
#include "test_correctioncycle.moc"
