#include "common/intervaltimer.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/receivedtimestate.h"
#include "manualclock.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 12, 5);
const QString kChanged = QStringLiteral("SYSTEM TIME IS CHANGED TO :");
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

} // namespace

class TestCorrectionCycle : public QObject
{
    Q_OBJECT
private slots:
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

    // Steps: frames=[date T]time (three frames a second apart, the newest just read),
    // stamps=newest,middle,oldest, text= (received time text), stale, fresh,
    // t3/t4[*count] (timer ticks), wait=ns, late (arrival not known), period=, delay=ms,
    // mask=minutes, off (correction turned off), clock=time, refuse (the clock refuses sets),
    // line= (serial settings), latency=ms, caption (the receiver's caption text); record=
    // and shown= check what the last set measured and what the box says. Outcome: outcome().
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
        // Start-up stamps (43200 s does not fit 16 bits): failure a, retried every tick; turned
        // off, Timer3 stops only after the next completed attempt.
        row("failure a retried; off after the attempt",
            "period=5 off stamps=43200,0,0 t3*7 frames=12:00:03 t3",
            "12:00:03 | - | a note a a set | 0 | 0 T3 off");
        row("the count stops at its largest value",
            "period=32767 stamps=43200,0,0 t3*32768 frames=12:00:00 t3",
            "12:00:00 | - | a note a set | 0 | 0");
        row("not a second apart: c", "frames=12:00:00 stamps=43200,43199,43197 t3",
            "- | - | c | 0 | 0");
        row("no fresh frames: b, also for the delayed path: e",
            "frames=12:00:00 stale t3 delay=300 fresh t3 stale t4*3", "- | - | b e | 0 | 0");
        row("received text not a time: a", "frames=12:00:00 text=12:00:60 t3",
            "- | - | a note | 0 | 1");
        // The success line shows the received caption, with the midnight window the clock.
        row("success line: the caption", "frames=12:00:00 caption t3 shown=caption",
            "12:00:00 | - | set | 0 | 0");
        row("success line, midnight window: the clock",
            "mask=5 frames=12:34:56 caption t3 shown=2026-12-05T12:34:56",
            "12:34:56 | - | set | 0 | 0");
        row("midnight window: received 00:05:59", "mask=5 frames=00:05:59 t3", "- | - | - | 0 | 0");
        row("midnight window: computer 23:55", "mask=5 clock=23:55:00 frames=12:00:00 t3",
            "- | - | - | 0 | 0");
        // The wait since the frame and its time on the line are added, capped below a second;
        // a frame of unknown arrival or older than 1.5 s is refused.
        row("1.5 s old: used, capped below a second",
            "line=9600,n,8,1 frames=12:00:00 wait=1500000000 t3", "12:00:00.999 | - | set | 0 | 0");
        row("1 ns older: refused, explained once", "frames=12:00:00 wait=1500000001 t3*2",
            "- | - | a note a | 0 | 2");
        row("arrival not known: refused", "frames=12:00:00 late t3", "- | - | a note | 0 | 1");
        row("refused set: a, explained once; the delayed path ends it silently",
            "refuse period=5 frames=12:00:00 t3*6 delay=300 t3 t4*3", "- | - | a note a | 0 | 0");
        // The delayed path: a hand-off latches the frame; the third Timer4 tick sets its
        // second + 1, date and time in one step, and asks for the overlay.
        row("delayed: two ticks only count", "delay=300 frames=12:00:00 t3 t4*2",
            "- | - | - | 0 | 0 T4 on");
        row("delayed: the third sets the latched frame",
            "delay=300 frames=12:00:00 t3 frames=12:00:04 t4*3",
            "12:00:01 | 2026-12-05 | set | 1 | 0");
        row("delayed: into the new year", "delay=300 frames=2026-12-31T23:59:59 t3 t4*3",
            "00:00:00 | 2027-01-01 | set | 1 | 0");
        row("delayed with the midnight window: time only",
            "delay=300 mask=5 frames=12:00:00 t3 t4*3", "12:00:01 | - | set | 1 | 0");
        row("delayed: start-up stamps are d", "delay=300 stamps=43200,0,0 t3 t4*3",
            "- | - | d | 0 | 0");
        row("delayed: nothing latched", "delay=300 frames=12:00:00 t4*3", "- | - | - | 0 | 0");
        // The latch is used only as long as three ticks take, with half a second to spare.
        row("delayed: latch 3 x 300 ms + 500 ms old",
            "delay=300 frames=12:00:00 t3 wait=1400000000 t4*3",
            "12:00:01 | 2026-12-05 | set | 1 | 0");
        row("delayed: latch 1 ns older", "delay=300 frames=12:00:00 t3 wait=1400000001 t4*3",
            "- | - | - | 0 | 0");
        // A lost file line turns a success into failure a; the delayed path keeps its box line.
        row("log file not writable", "nolog frames=12:00:00 t3 delay=300 t3 t4*3",
            "12:00:00 12:00:01 | 2026-12-05 | set note a set | 1 | 0 file?");
        // record=offset ms,frame age ms,path: the received second moved on (unrounded) plus the
        // latency, minus the clock (12:00:00.400); a frame of unknown arrival is not measured.
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
        row("delayed: a second hand-off counts anew",
            "delay=300 frames=12:00:00 t3 t4*2 frames=12:00:10 t3 t4*3",
            "12:00:11 | 2026-12-05 | set | 1 | 0");
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
        QVERIFY(!m_timer4->setInterval(300));
        m_timer4->setEnabled(true);
        QTest::qWait(150);
        run(QStringLiteral("delay=300 frames=12:00:00 t3"));
        QVERIFY(m_timer4->isTicking());
        QVERIFY(m_timer4->remainingTimeMs() > 200);
    }

    // Both timers cut a full box before adding their line.
    void sizeRuleComesFirst()
    {
        for (const bool delayed : { false, true }) {
            m_log->clearBox();
            m_log->addBoxLine(QString(10001, QLatin1Char('x')));
            const QString kept = m_log->boxText().mid(2096);
            run(QLatin1String(delayed ? "t4*3" : "t3")); // Timer4 acts on its third tick
            QVERIFY(m_log->boxText().startsWith(kept));
            QVERIFY(m_log->boxText().endsWith(QLatin1String(delayed ? " e" : " b") + kFailure
                                              + "\r\n"));
        }
    }

private:
    // Runs the steps of a scenario (see scenario_data()).
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
            } else if (name == u"line") {
                m_lineSettings = value;
            } else if (name == u"caption") {
                m_received.recvDateTime = QStringLiteral("caption");
            } else if (name == u"shown") { // what the first box line says the clock was set to
                QCOMPARE(linesOf(m_log->boxText()).value(0),
                         kChanged + QString(value).replace(u'T', u' '));
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
    // "times set | dates set | box lines | overlay requests | Timer3 count [T3 off] [T4 on]
    // [file?]". A box line is "set", its failure letter or "note"; "file?" says that the file
    // does not hold each line but the notes, quoted, a failure's without its letter.
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
