#include "common/intervaltimer.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "correctiontesthelpers.h"
#include "frames/receivedtimestate.h"
#include "manualclock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 12, 5);
const QString kChanged = QStringLiteral("SYSTEM TIME IS CHANGED TO :");
const QString kFailure = QStringLiteral(":ERROR-CANNOT CORRECT TIME");
const QString kNote = QStringLiteral("NOTE: ");
constexpr qint64 kSecondNs = 1'000'000'000;

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
        QVERIFY(m_folder.isValid());
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
        m_monotonicNs = 10 * kSecondNs;
        m_lineSettings = QStringLiteral("9600,n,8,1");
        m_cycle = std::make_unique<CorrectionCycle>(
            m_options, m_received, m_freshness, *m_timer3, *m_timer4, *m_clock, *m_log,
            [this] { return m_lineSettings; }, [this] { return m_monotonicNs; });
        m_overlays
            = std::make_unique<QSignalSpy>(m_cycle.get(), &CorrectionCycle::overlayRequested);
        m_sets = std::make_unique<QSignalSpy>(m_cycle.get(), &CorrectionCycle::clockSet);
    }
    void cleanup()
    {
        m_sets.reset();
        m_overlays.reset();
        m_cycle.reset();
    }

    // Attempts happen where the tick count reaches the period.
    void period_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QList<int>>("attemptTicks");
        const QList<int> every { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 };
        QTest::newRow("0: every tick") << 0 << every;
        QTest::newRow("1: every tick") << 1 << every;
        QTest::newRow("negative: every tick") << -3 << every;
        QTest::newRow("5: every fifth") << 5 << QList<int> { 5, 10 };
    }
    void period()
    {
        QFETCH(int, period);
        m_options.correctPeriod = qint16(period);
        receive(QTime(12, 0, 0));
        QList<int> seen;
        for (int tick = 1; tick <= 11; ++tick) {
            const qsizetype before = m_clock->timesSet.size();
            m_cycle->Timer3_Timer();
            if (m_clock->timesSet.size() > before) {
                seen.append(tick);
            }
        }
        QTEST(seen, "attemptTicks");
        QCOMPARE(outcome().count(QLatin1String("set")), seen.size());
        QVERIFY(m_timer3->isTicking());
    }

    void successSetsOnlyTheTimeAndLogsTheCaption()
    {
        receive(QTime(12, 34, 56));
        m_received.recvDateTime = QStringLiteral("2003-08-23 12:34:56"); // the caption
        QList<qsizetype> stateAtBoxLine; // clock sets and file lines when the box line came
        connect(m_log.get(), &CorrectionLog::boxLineAdded, this,
                [&] { stateAtBoxLine << m_clock->timesSet.size() << fileLines().size(); });

        m_cycle->Timer3_Timer();

        QCOMPARE(outcome(), QStringLiteral("12:34:56 | - | set | 0"));
        QCOMPARE(boxLines(), QStringList { kChanged + QStringLiteral("2003-08-23 12:34:56") });
        QCOMPARE(stateAtBoxLine, (QList<qsizetype> { 1, 0 }));
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
    }

    // The first frame after start-up (43200 s does not fit 16 bits) is failure a, retried
    // every tick without resetting the count; correction turned off through OK stops Timer3
    // only after the next completed attempt.
    void failureARetriesEveryTickWithoutResetting()
    {
        m_options.correctPeriod = 5;
        m_options.correctOn = false;
        m_freshness.dataFresh = true;
        m_received.recvStamp1 = 43200;
        tick3(4);
        QCOMPARE(outcome(), QStringLiteral("- | - | - | 0"));
        for (int tick = 5; tick <= 7; ++tick) {
            m_cycle->Timer3_Timer();
            QCOMPARE(m_cycle->correctTicks(), qint16(tick));
            QVERIFY(m_timer3->isEnabled());
        }
        QCOMPARE(outcome(), QStringLiteral("- | - | a a a | 0"));

        receive(QTime(12, 0, 3));
        m_cycle->Timer3_Timer();
        QCOMPARE(outcome(), QStringLiteral("12:00:03 | - | a a a set | 0"));
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
        QVERIFY(!m_timer3->isEnabled());
    }

    void startUpStampsAreFailureDInTheDelayedPath()
    {
        m_options.delayOn = true;
        receive(QTime(12, 0, 0));
        m_received.recvStamp2 = m_received.recvStamp3 = 0;
        m_cycle->Timer3_Timer(); // hands off, logs nothing
        QVERIFY(m_timer4->isEnabled());
        QCOMPARE(outcome(), QStringLiteral("- | - | - | 0"));
        tick4(3);
        QCOMPARE(outcome(), QStringLiteral("- | - | d | 0"));
    }

    void straddlingMidnight()
    {
        m_options.correctPeriod = 1;
        receive(QTime(23, 59, 56));
        for (const QTime &frame : { QTime(23, 59, 57), QTime(23, 59, 58), QTime(23, 59, 59),
                                    QTime(0, 0, 0), QTime(0, 0, 1), QTime(0, 0, 2) }) {
            // One more frame, as the display shifts it in.
            m_received.recvTime = frame.toString(QStringLiteral("hh:mm:ss"));
            m_received.recvDateTime = QStringLiteral("2026-12-05 ") + m_received.recvTime;
            m_received.recvStamp3 = m_received.recvStamp2;
            m_received.recvStamp2 = m_received.recvStamp1;
            m_received.recvStamp1 = frame.msecsSinceStartOfDay() / 1000;
            m_cycle->Timer3_Timer();
        }
        // Across midnight the differences do not fit 16 bits; 00:00:02 lands on the next day.
        QCOMPARE(outcome(),
                 QStringLiteral("23:59:57 23:59:58 23:59:59 00:00:02 | 2026-12-06 | "
                                "set set set a a set | 0"));
    }

    void midnightWindow_data()
    {
        QTest::addColumn<QTime>("received");
        QTest::addColumn<QTime>("computer");
        QTest::addColumn<QString>("expected");
        QTest::newRow("received 00:05:59") << QTime(0, 5, 59) << QTime(0, 5, 59) << "- | - | - | 0";
        QTest::newRow("computer 23:55:00") << QTime(12, 0, 0) << QTime(23, 55) << "- | - | - | 0";
        QTest::newRow("both 00:06:00") << QTime(0, 6) << QTime(0, 6) << "00:06:00 | - | set | 0";
    }
    void midnightWindow()
    {
        QFETCH(QTime, received);
        QFETCH(QTime, computer);
        m_options.maskOn = true;
        m_options.maskMinutes = 5;
        m_clock->setNow(QDateTime(kToday, computer));
        receive(received);

        m_cycle->Timer3_Timer();

        QTEST(outcome(), "expected");
        // Whether skipped or done, the attempt is complete.
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
        // The line shows the computer's date and time after setting, not the caption.
        if (!m_clock->timesSet.isEmpty()) {
            QCOMPARE(boxLines(), QStringList { kChanged + QStringLiteral("2026-12-05 00:06:00") });
        }
    }

    void delayZeroNeverSets()
    {
        m_options.delayOn = true;
        QVERIFY(!m_timer4->setInterval(0));
        receive(QTime(12, 0, 0));
        tick3(5);
        QVERIFY(m_timer4->isEnabled());
        QVERIFY(!m_timer4->isTicking());
        QCOMPARE(outcome(), QStringLiteral("- | - | - | 0"));
    }

    void delayedPathSetsOnTheThirdTick_data()
    {
        QTest::addColumn<bool>("maskOn");
        QTest::addColumn<QDateTime>("latched");
        QTest::addColumn<QString>("expected");
        QTest::newRow("date and time")
            << false << QDateTime(kToday, QTime(12, 0)) << "12:00:01 | 2026-12-05 | set | 1";
        QTest::newRow("into the new year")
            << false << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))
            << "00:00:00 | 2027-01-01 | set | 1";
        QTest::newRow("time only with the midnight window")
            << true << QDateTime(kToday, QTime(12, 0)) << "12:00:01 | - | set | 1";
    }
    void delayedPathSetsOnTheThirdTick()
    {
        QFETCH(bool, maskOn);
        QFETCH(QDateTime, latched);
        m_options.delayOn = true;
        m_options.delayMs = 300;
        m_options.maskOn = maskOn;
        m_options.maskMinutes = 5;
        QVERIFY(!m_timer4->setInterval(300));
        receive(latched.time(), latched.date());
        m_received.frameEndNs = 1; // the delayed path keeps the latched second as it is
        m_monotonicNs = 400'000'000;
        m_cycle->Timer3_Timer();
        QCOMPARE(m_cycle->delayTime(), latched.time().toString(QStringLiteral("hh:mm:ss")));
        QVERIFY(m_timer4->isTicking());
        receive(latched.time().addSecs(4), latched.date()); // newer frames change nothing

        tick4(2);
        QVERIFY(m_clock->timesSet.isEmpty());
        QCOMPARE(m_cycle->delayTicks(), 2);
        tick4(1);

        QTEST(outcome(), "expected");
        // The line shows the target, or with the midnight window the clock after setting.
        const QDateTime shown = maskOn ? m_clock->now() : latched.addSecs(1);
        QCOMPARE(boxLines(), QStringList { kChanged + shown.toString(u"yyyy-MM-dd hh:mm:ss") });
        QVERIFY(!m_timer4->isEnabled());
        QCOMPARE(m_cycle->delayTicks(), 1);
    }

    // The latched second is used only as long after the hand-off as the delay takes, with
    // half a second to spare; after the process was held up it is far behind.
    void delayedPathRefusesAnOldLatch_data()
    {
        QTest::addColumn<qint64>("ageNs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("3 x 300 ms + 500 ms")
            << 1'400'000'000LL << "12:00:01 | 2026-12-05 | set | 1";
        QTest::newRow("1 ns more") << 1'400'000'001LL << "- | - | - | 0";
    }
    void delayedPathRefusesAnOldLatch()
    {
        QFETCH(qint64, ageNs);
        m_options.delayOn = true;
        m_options.delayMs = 300;
        receive(QTime(12, 0));
        m_cycle->Timer3_Timer();
        m_monotonicNs += ageNs;
        tick4(3);
        QTEST(outcome(), "expected");
    }

    void receiverThatStops()
    {
        receive(QTime(12, 0, 0));
        m_freshness.dataFresh = false;
        m_cycle->Timer3_Timer();
        QCOMPARE(m_cycle->correctTicks(), qint16(0)); // b completes the attempt

        m_options.delayOn = true;
        m_freshness.dataFresh = true;
        m_cycle->Timer3_Timer(); // hands off while frames still come
        m_freshness.dataFresh = false;
        tick4(3);
        QCOMPARE(outcome(), QStringLiteral("- | - | b e | 0"));
    }

    // A hand-off restarts Timer4 (armed since start-up) so the delay counts from it, and a
    // second hand-off before the first acted starts the count again with the newer time.
    void handOffRestartsTheDelay()
    {
        m_options.delayOn = true;
        QVERIFY(!m_timer4->setInterval(300));
        m_timer4->setEnabled(true);
        QTest::qWait(150);
        receive(QTime(12, 0, 0));
        m_cycle->Timer3_Timer();
        QVERIFY(m_timer4->isTicking());
        QVERIFY(m_timer4->remainingTimeMs() > 200);

        tick4(2);
        receive(QTime(12, 0, 10));
        m_cycle->Timer3_Timer();
        QCOMPARE(m_cycle->delayTicks(), 0);
        QCOMPARE(m_cycle->delayTime(), QStringLiteral("12:00:10"));
        tick4(2);
        QVERIFY(m_clock->timesSet.isEmpty());
        tick4(1);
        QCOMPARE(outcome(), QStringLiteral("12:00:11 | 2026-12-05 | set | 1"));
    }

    void delayedPathWithNothingLatchedSetsNothing()
    {
        // At start-up with the delay on, Timer4 runs before any hand-off.
        m_options.delayOn = true;
        receive(QTime(12, 0, 0));
        tick4(3);
        QCOMPARE(outcome(), QStringLiteral("- | - | - | 0"));
    }

    void refusedSetIsFailureA()
    {
        m_clock->setRefusal(ErrorValue { 1, QStringLiteral("Operation not permitted") });
        m_options.correctPeriod = 5;
        receive(QTime(12, 0, 0));
        tick3(6);
        QCOMPARE(outcome(), QStringLiteral("- | - | a a | 0"));
        QCOMPARE(m_cycle->correctTicks(), qint16(6));
        QVERIFY(m_sets->isEmpty()); // a refused correction measured nothing worth keeping
        // Why, once, however often it is refused.
        QCOMPARE(notes(), QStringList { kNote + QStringLiteral("Operation not permitted") });

        // The delayed path ends such a case silently.
        m_options.delayOn = true;
        m_cycle->Timer3_Timer();
        tick4(3);
        QCOMPARE(outcome(), QStringLiteral("- | - | a a | 0"));
        QVERIFY(!m_timer4->isEnabled());
    }

    void receivedTextThatIsNotATimeIsFailureA()
    {
        receive(QTime(12, 0, 0));
        m_received.recvTime = QStringLiteral("12:00:60");
        m_cycle->Timer3_Timer();
        QCOMPARE(outcome(), QStringLiteral("- | - | a | 0"));
    }

    // Set to the received second + the wait since the frame's end byte + the frame's own
    // time on the line, capped below a second; a frame of unknown arrival or older than 1.5 s
    // is refused (failure a, explained once), never set a second or more behind.
    void precision_data()
    {
        QTest::addColumn<qint64>("frameEndNs");
        QTest::addColumn<qint64>("nowNs");
        QTest::addColumn<QString>("lineSettings");
        QTest::addColumn<QTime>("expected"); // invalid: refused
        const qint64 second = kSecondNs;
        QTest::newRow("waited 250 ms at 9600 baud")
            << second << second * 5 / 4 << "9600,n,8,1" << QTime(12, 0, 0, 263);
        QTest::newRow("waited 250 ms at 115200 baud")
            << second << second * 5 / 4 << "115200,n,8,1" << QTime(12, 0, 0, 251);
        QTest::newRow("settings unknown: only the wait")
            << second << second * 5 / 4 << "" << QTime(12, 0, 0, 250);
        QTest::newRow("1.5 s old: still used, capped below a second")
            << second << second * 5 / 2 << "9600,n,8,1" << QTime(12, 0, 0, 999);
        QTest::newRow("just over 1.5 s old: refused")
            << second << second * 5 / 2 + 1 << "9600,n,8,1" << QTime();
        QTest::newRow("arrival not known: refused")
            << qint64(0) << second << "9600,n,8,1" << QTime();
    }
    void precision()
    {
        QFETCH(QTime, expected);
        receive(QTime(12, 0, 0));
        QFETCH(qint64, frameEndNs);
        m_received.frameEndNs = frameEndNs;
        QFETCH(qint64, nowNs);
        m_monotonicNs = nowNs;
        QFETCH(QString, lineSettings);
        m_lineSettings = lineSettings;

        m_cycle->Timer3_Timer();
        m_cycle->Timer3_Timer();

        if (!expected.isValid()) {
            QCOMPARE(outcome(), QStringLiteral("- | - | a a | 0"));
            QCOMPARE(notes().size(), 1);
            return;
        }
        QCOMPARE(m_clock->timesSet, (QList<QTime> { expected, expected }));
        // The line still shows the received text.
        QCOMPARE(boxLines().first(), kChanged + m_received.recvDateTime);
    }

    // Before setting the clock, its offset: the received second moved on as the immediate path
    // moves it (unrounded) plus the receiver's latency, minus the clock's reading. The delayed
    // path measures against the newest frame too, and sets the latched second plus one.
    void measuredOffset_data()
    {
        QTest::addColumn<bool>("delayed");
        QTest::addColumn<QTime>("clockTime");
        QTest::addColumn<qint64>("waitedNs"); // -1: the frame was read late
        QTest::addColumn<int>("latencyMs");
        QTest::addColumn<QString>("lineSettings");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QTime>("set");
        const QTime behind(12, 0, 0, 400);
        const qint64 quarter = kSecondNs / 4;
        QTest::newRow("2.6 s behind, waited 250 ms, 12.5 ms on the line")
            << false << behind << quarter << 0 << "9600,n,8,1"
            << "2862.500" << QTime(12, 0, 3, 263);
        QTest::newRow("a latency of 40 ms adds 40 ms")
            << false << behind << quarter << 40 << "9600,n,8,1"
            << "2902.500" << QTime(12, 0, 3, 303);
        QTest::newRow("a receiver 300 ms ahead takes 300 ms off")
            << false << behind << quarter << -300 << "9600,n,8,1"
            << "2562.500" << QTime(12, 0, 2, 963);
        QTest::newRow("2 s ahead") << false << QTime(12, 0, 5) << qint64(0) << 0 << ""
                                   << "-2000.000" << QTime(12, 0, 3);
        QTest::newRow("delayed: the newest frame against the clock")
            << true << behind << quarter << 40 << "9600,n,8,1"
            << "2902.500" << QTime(12, 0, 4);
        QTest::newRow("delayed, frame read late: set, but not measured")
            << true << behind << qint64(-1) << 0 << "9600,n,8,1"
            << "-" << QTime(12, 0, 4);
    }
    void measuredOffset()
    {
        QFETCH(bool, delayed);
        QFETCH(QTime, clockTime);
        QFETCH(qint64, waitedNs);
        QFETCH(int, latencyMs);
        QFETCH(QString, lineSettings);
        m_clock->setNow(QDateTime(kToday, clockTime));
        m_options.delayOn = delayed;
        m_options.delayMs = 300;
        m_lineSettings = lineSettings;
        m_cycle->setReceiverLatencyMs(latencyMs);
        receive(QTime(12, 0, 3));
        if (waitedNs < 0) {
            m_received.frameEndNs = 0;
        }
        m_monotonicNs += std::max<qint64>(waitedNs, 0);

        m_cycle->Timer3_Timer();
        tick4(delayed ? 3 : 0);

        QFETCH(QTime, set);
        QCOMPARE(m_clock->timesSet, QList<QTime> { set });
        QCOMPARE(m_sets->size(), 1);
        const auto record = m_sets->at(0).at(0).value<TrackingRecord>();
        QCOMPARE(record.path, QLatin1String(delayed ? "delayed" : "immediate"));
        QTEST(record.offsetMs ? QString::number(*record.offsetMs, 'f', 3) : QStringLiteral("-"),
              "offset");
        QCOMPARE(record.frameAgeMs,
                 waitedNs < 0 ? std::nullopt : std::optional(waitedNs / 1000000));
        QCOMPARE(record.stamp, m_clock->now().toUTC());
        QCOMPARE(record.stamp.timeSpec(), Qt::UTC);
    }

    void unwritableLogTurnsSuccessIntoFailureA()
    {
        CorrectionLog unwritable(*m_clock, m_folder.filePath(QStringLiteral("none/logfile.txt")));
        CorrectionCycle cycle(m_options, m_received, m_freshness, *m_timer3, *m_timer4, *m_clock,
                              unwritable, {}, [this] { return m_monotonicNs; });
        QSignalSpy overlays(&cycle, &CorrectionCycle::overlayRequested);
        receive(QTime(12, 0, 0));
        cycle.Timer3_Timer();
        QCOMPARE(m_clock->timesSet.size(), 1);
        QStringList box = linesOf(unwritable.boxText());
        QCOMPARE(box.size(), 3);
        QVERIFY(box.at(0).startsWith(kChanged));
        // Which file and why, once.
        QVERIFY(box.at(1).startsWith(kNote + QStringLiteral("The log file ") + unwritable.filePath()
                                     + QStringLiteral(" cannot be written")));
        QVERIFY(box.at(2).endsWith(QStringLiteral(" a") + kFailure));
        QCOMPARE(cycle.correctTicks(), qint16(1));

        // The delayed path keeps its box line and still asks for the overlay.
        m_options.delayOn = true;
        cycle.Timer3_Timer();
        for (int tick = 0; tick < 3; ++tick) {
            cycle.Timer4_Timer();
        }
        QVERIFY(linesOf(unwritable.boxText()).constLast().startsWith(kChanged));
        QCOMPARE(overlays.size(), 1);
    }

    void sizeRuleComesFirst_data()
    {
        QTest::addColumn<bool>("delayed");
        QTest::newRow("Timer3") << false;
        QTest::newRow("Timer4") << true;
    }
    void sizeRuleComesFirst()
    {
        QFETCH(bool, delayed);
        m_log->addBoxLine(QString(10001, QLatin1Char('x')));
        const QString kept = m_log->boxText().mid(2096);
        if (delayed) {
            tick4(3);
        } else {
            m_cycle->Timer3_Timer();
        }
        QCOMPARE(m_log->boxText().left(kept.size()), kept);
        QVERIFY(
            m_log->boxText().endsWith(QLatin1String(delayed ? " e" : " b") + kFailure + "\r\n"));
    }

    // The count stops at its largest value instead of overflowing, so a failed attempt at
    // the longest period goes on retrying every tick.
    void tickCountStopsAtItsLargestValue()
    {
        m_options.correctPeriod = 32767;
        m_freshness.dataFresh = true;
        m_received.recvStamp1 = 43200;
        tick3(32768);
        QCOMPARE(m_cycle->correctTicks(), qint16(32767));
        receive(QTime(12, 0, 0));
        m_cycle->Timer3_Timer();
        QCOMPARE(outcome(), QStringLiteral("12:00:00 | - | a a set | 0"));
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
    }

private:
    // Three frames one second apart, the newest at the given time, with frames arriving.
    void receive(const QTime &newest, const QDate &date = kToday)
    {
        m_received.recvDate = date.toString(QStringLiteral("yyyy-MM-dd"));
        m_received.recvTime = newest.toString(QStringLiteral("hh:mm:ss"));
        m_received.recvDateTime = m_received.recvDate + QLatin1Char(' ') + m_received.recvTime;
        m_received.recvStamp1 = newest.msecsSinceStartOfDay() / 1000;
        m_received.recvStamp2 = newest.addSecs(-1).msecsSinceStartOfDay() / 1000;
        m_received.recvStamp3 = newest.addSecs(-2).msecsSinceStartOfDay() / 1000;
        m_received.frameEndNs = m_monotonicNs; // read just now
        m_freshness.dataFresh = true;
    }
    void tick3(int count)
    {
        for (int tick = 0; tick < count; ++tick) {
            m_cycle->Timer3_Timer();
        }
    }
    void tick4(int count)
    {
        for (int tick = 0; tick < count; ++tick) {
            m_cycle->Timer4_Timer();
        }
    }
    // The box lines of outcomes, without the notes that explain them.
    QStringList boxLines() const
    {
        QStringList lines = linesOf(m_log->boxText());
        lines.removeIf([](const QString &line) { return line.startsWith(kNote); });
        return lines;
    }
    QStringList notes() const
    {
        QStringList lines = linesOf(m_log->boxText());
        lines.removeIf([](const QString &line) { return !line.startsWith(kNote); });
        return lines;
    }
    QStringList fileLines() const
    {
        return QFile::exists(m_logPath) ? linesOf(QString::fromLocal8Bit(fileBytes(m_logPath)))
                                        : QStringList {};
    }
    // What the cycle did: the times set | the dates set | each box line as "set" or its
    // failure letter | the overlay requests ("-" for none). A box line without the matching
    // record in the file shows as "?".
    QString outcome() const
    {
        QStringList times;
        for (const QTime &time : m_clock->timesSet) {
            times << time.toString(u"hh:mm:ss");
        }
        QStringList dates;
        for (const QDate &date : m_clock->datesSet) {
            dates << date.toString(Qt::ISODate);
        }
        const QStringList box = boxLines();
        const QStringList file = fileLines();
        QStringList words;
        for (qsizetype index = 0; index < box.size(); ++index) {
            const QString &line = box.at(index);
            const qsizetype failure = line.indexOf(kFailure);
            // The file line of a failure is its box line without the letter.
            const QString record = failure < 0 ? line : line.left(failure - 1) + line.mid(failure);
            const bool recorded = index < file.size() && file.at(index) == u'"' + record + u'"';
            words << (!recorded         ? QStringLiteral("?")
                          : failure < 0 ? QStringLiteral("set")
                                        : line.mid(failure - 1, 1));
        }
        if (file.size() > box.size()) {
            words << QStringLiteral("?");
        }
        return QStringList { joined(times), joined(dates), joined(words),
                             QString::number(m_overlays->size()) }
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
