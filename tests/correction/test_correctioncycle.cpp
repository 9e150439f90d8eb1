#include "common/intervaltimer.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/receivedtimestate.h"
#include "manualclock.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 12, 5);
const QString kChanged = QStringLiteral("SYSTEM TIME IS CHANGED TO :");

QString failureBoxEnd(char letter)
{
    return QStringLiteral(" %1:ERROR-CANNOT CORRECT TIME").arg(QLatin1Char(letter));
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
        m_monotonicNs = 0;
        m_lineSettings = QStringLiteral("9600,n,8,1");
        m_cycle = std::make_unique<CorrectionCycle>(
            m_options, m_received, m_freshness, *m_timer3, *m_timer4, *m_clock, *m_log,
            [this] { return m_lineSettings; }, [this] { return m_monotonicNs; });
        m_overlays
            = std::make_unique<QSignalSpy>(m_cycle.get(), &CorrectionCycle::overlayRequested);
    }
    void cleanup()
    {
        m_overlays.reset();
        m_cycle.reset();
    }

    // Attempts happen where the tick count reaches the period.
    void period_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QList<int>>("attemptTicks");
        QTest::newRow("0: every tick") << 0 << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 };
        QTest::newRow("1: every tick") << 1 << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 };
        QTest::newRow("negative: every tick")
            << -3 << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 };
        QTest::newRow("5: every fifth") << 5 << QList<int> { 5, 10 };
    }
    void period()
    {
        QFETCH(int, period);
        QFETCH(QList<int>, attemptTicks);
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
        QCOMPARE(seen, attemptTicks);
        QCOMPARE(fileLines().size(), attemptTicks.size());
        QVERIFY(m_timer3->isTicking());
    }

    void successSetsOnlyTheTimeAndLogsTheCaption()
    {
        receive(QTime(12, 34, 56));
        m_received.recvDateTime = QStringLiteral("2003-08-23 12:34:56"); // the caption
        QStringList stateAtBoxLine;
        connect(m_log.get(), &CorrectionLog::boxLineAdded, this, [&] {
            stateAtBoxLine << QString::number(m_clock->timesSet.size())
                           << QString::number(fileLines().size());
        });

        m_cycle->Timer3_Timer();

        QCOMPARE(m_clock->timesSet, QList<QTime> { QTime(12, 34, 56) });
        QVERIFY(m_clock->datesSet.isEmpty());
        const QString line = kChanged + QStringLiteral("2003-08-23 12:34:56");
        QCOMPARE(m_log->boxText(), line + QStringLiteral("\r\n"));
        QCOMPARE(fileLines(), QStringList { QLatin1Char('"') + line + QLatin1Char('"') });
        // The clock was set before the box line, and the box line came before the file line.
        QCOMPARE(stateAtBoxLine, (QStringList { QStringLiteral("1"), QStringLiteral("0") }));
        QCOMPARE(m_overlays->size(), 0);
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
    }

    void failureARetriesEverySecondWithoutResetting()
    {
        m_options.correctPeriod = 5;
        m_options.correctOn = false; // turned off through OK: only a completed attempt stops it
        m_freshness.dataFresh = true;
        m_received.recvStamp1 = 43200; // the first frame after start-up, at noon
        for (int tick = 1; tick <= 4; ++tick) {
            m_cycle->Timer3_Timer();
        }
        QVERIFY(m_log->boxText().isEmpty());
        for (int tick = 5; tick <= 7; ++tick) {
            m_cycle->Timer3_Timer();
            QCOMPARE(m_cycle->correctTicks(), qint16(tick));
            QVERIFY(m_timer3->isEnabled());
        }
        const QStringList box = boxLines();
        QCOMPARE(box.size(), 3);
        for (const QString &line : box) {
            QVERIFY2(line.endsWith(failureBoxEnd('a')), qPrintable(line));
        }
        for (const QString &line : fileLines()) {
            QVERIFY2(line.endsWith(QStringLiteral(" :ERROR-CANNOT CORRECT TIME\"")),
                     qPrintable(line));
        }
        QCOMPARE(fileLines().size(), 3);

        receive(QTime(12, 0, 3));
        m_cycle->Timer3_Timer();
        QCOMPARE(m_clock->timesSet.size(), 1);
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
        QVERIFY(!m_timer3->isEnabled());
    }

    void startUpStampsAreFailureDInTheDelayedPath()
    {
        m_options.delayOn = true;
        m_freshness.dataFresh = true;
        m_received.recvStamp1 = 43200;
        m_received.recvDate = QStringLiteral("2026-12-05");
        m_received.recvTime = QStringLiteral("12:00:00");
        m_cycle->Timer3_Timer(); // hands off, logs nothing
        QVERIFY(m_log->boxText().isEmpty());
        QVERIFY(m_timer4->isEnabled());
        runDelayTicks(3);
        QCOMPARE(boxLines().size(), 1);
        QVERIFY(boxLines().constFirst().endsWith(failureBoxEnd('d')));
        QVERIFY(m_clock->timesSet.isEmpty());
    }

    void straddlingMidnight()
    {
        m_options.correctPeriod = 1;
        receive(QTime(23, 59, 56));
        const QString a = failureBoxEnd('a').mid(1);
        const QList<QTime> frames { QTime(23, 59, 57), QTime(23, 59, 58), QTime(23, 59, 59),
                                    QTime(0, 0, 0),    QTime(0, 0, 1),    QTime(0, 0, 2) };
        QStringList outcomes;
        for (const QTime &frame : frames) {
            shiftIn(frame);
            const qsizetype before = m_clock->timesSet.size();
            m_cycle->Timer3_Timer();
            outcomes << (m_clock->timesSet.size() > before
                             ? QStringLiteral("set")
                             : boxLines().constLast().right(a.size()));
        }
        QCOMPARE(outcomes,
                 (QStringList { QStringLiteral("set"), QStringLiteral("set"), QStringLiteral("set"),
                                a, a, QStringLiteral("set") }));
        QCOMPARE(m_clock->timesSet.constLast(), QTime(0, 0, 2));
    }

    void midnightWindow_data()
    {
        QTest::addColumn<QTime>("received");
        QTest::addColumn<QTime>("computer");
        QTest::addColumn<bool>("sets");
        QTest::newRow("received 00:05:59") << QTime(0, 5, 59) << QTime(0, 5, 59) << false;
        QTest::newRow("computer 23:55:00") << QTime(12, 0, 0) << QTime(23, 55, 0) << false;
        QTest::newRow("both 00:06:00") << QTime(0, 6, 0) << QTime(0, 6, 0) << true;
    }
    void midnightWindow()
    {
        QFETCH(QTime, received);
        QFETCH(QTime, computer);
        QFETCH(bool, sets);
        m_options.maskOn = true;
        m_options.maskMinutes = 5;
        m_clock->setNow(QDateTime(kToday, computer));
        receive(received);

        m_cycle->Timer3_Timer();

        QCOMPARE(m_clock->timesSet.size(), sets ? 1 : 0);
        // Whether skipped or done, the attempt is complete.
        QCOMPARE(m_cycle->correctTicks(), qint16(0));
        if (!sets) {
            QVERIFY(m_log->boxText().isEmpty());
            QVERIFY(!QFile::exists(m_logPath));
            return;
        }
        // The line shows the computer's date and time after setting, not the caption.
        const QString line = kChanged + QStringLiteral("2026-12-05 00:06:00");
        QCOMPARE(boxLines(), QStringList { line });
        QCOMPARE(fileLines(), QStringList { QLatin1Char('"') + line + QLatin1Char('"') });
    }

    void delayZeroNeverSets()
    {
        m_options.delayOn = true;
        m_options.delayMs = 0;
        QVERIFY(!m_timer4->setInterval(0));
        receive(QTime(12, 0, 0));
        for (int tick = 0; tick < 5; ++tick) {
            m_cycle->Timer3_Timer();
        }
        QVERIFY(m_timer4->isEnabled());
        QVERIFY(!m_timer4->isTicking());
        QVERIFY(m_clock->timesSet.isEmpty());
        QVERIFY(m_log->boxText().isEmpty());
    }

    void delayedPathSetsOnTheThirdTick_data()
    {
        QTest::addColumn<bool>("maskOn");
        QTest::addColumn<QDate>("latchedDate");
        QTest::addColumn<QTime>("latchedTime");
        QTest::addColumn<QDateTime>("expectedSet");
        QTest::newRow("date and time") << false << QDate(2026, 12, 5) << QTime(12, 0, 0)
                                       << QDateTime(QDate(2026, 12, 5), QTime(12, 0, 1));
        QTest::newRow("into the new year") << false << QDate(2026, 12, 31) << QTime(23, 59, 59)
                                           << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0));
        QTest::newRow("time only with the midnight window")
            << true << QDate(2026, 12, 5) << QTime(12, 0, 0) << QDateTime(QDate(), QTime(12, 0, 1));
    }
    void delayedPathSetsOnTheThirdTick()
    {
        QFETCH(bool, maskOn);
        QFETCH(QDate, latchedDate);
        QFETCH(QTime, latchedTime);
        QFETCH(QDateTime, expectedSet);
        m_options.delayOn = true;
        m_options.delayMs = 300;
        m_options.maskOn = maskOn;
        m_options.maskMinutes = 5;
        QVERIFY(!m_timer4->setInterval(300));
        receive(latchedTime, latchedDate);
        m_received.frameEndNs = 1; // the delayed path keeps the latched second as it is
        m_monotonicNs = 400'000'000;
        m_cycle->Timer3_Timer();
        QCOMPARE(m_cycle->delayTime(), latchedTime.toString(QStringLiteral("hh:mm:ss")));
        QVERIFY(m_timer4->isTicking());
        receive(latchedTime.addSecs(4), latchedDate); // newer frames do not change the target

        runDelayTicks(2);
        QVERIFY(m_clock->timesSet.isEmpty());
        QCOMPARE(m_cycle->delayTicks(), 2);
        runDelayTicks(1);

        QCOMPARE(m_clock->timesSet, QList<QTime> { expectedSet.time() });
        QCOMPARE(m_clock->datesSet, maskOn ? QList<QDate> {} : QList<QDate> { expectedSet.date() });
        const QString shown = maskOn
            ? m_clock->now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
            : expectedSet.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QCOMPARE(boxLines(), QStringList { kChanged + shown });
        QCOMPARE(fileLines().size(), 1);
        QCOMPARE(m_overlays->size(), 1);
        QVERIFY(!m_timer4->isEnabled());
        QCOMPARE(m_cycle->delayTicks(), 1);
    }

    void receiverThatStops()
    {
        receive(QTime(12, 0, 0));
        m_freshness.dataFresh = false;
        m_cycle->Timer3_Timer();
        QVERIFY(boxLines().constLast().endsWith(failureBoxEnd('b')));
        QCOMPARE(m_cycle->correctTicks(), qint16(0)); // b completes the attempt

        m_options.delayOn = true;
        m_freshness.dataFresh = true;
        m_cycle->Timer3_Timer(); // hands off while frames still come
        m_freshness.dataFresh = false;
        runDelayTicks(3);
        QVERIFY(boxLines().constLast().endsWith(failureBoxEnd('e')));
        QCOMPARE(boxLines().size(), 2);
        QCOMPARE(fileLines().size(), 2);
        QVERIFY(m_clock->timesSet.isEmpty());
        QCOMPARE(m_overlays->size(), 0);
    }

    void handOffWhileArmedStartsTheCountAgain()
    {
        m_options.delayOn = true;
        QVERIFY(!m_timer4->setInterval(300));
        receive(QTime(12, 0, 0));
        m_cycle->Timer3_Timer();
        runDelayTicks(2);
        receive(QTime(12, 0, 10));
        m_cycle->Timer3_Timer(); // a second hand-off before the first acted
        QCOMPARE(m_cycle->delayTicks(), 0);
        QCOMPARE(m_cycle->delayTime(), QStringLiteral("12:00:10"));
        runDelayTicks(2);
        QVERIFY(m_clock->timesSet.isEmpty());
        runDelayTicks(1);
        QCOMPARE(m_clock->timesSet, QList<QTime> { QTime(12, 0, 11) });
    }

    void handOffRestartsTheDelayTimer()
    {
        m_options.delayOn = true;
        QVERIFY(!m_timer4->setInterval(300));
        m_timer4->setEnabled(true); // armed since start-up
        QTest::qWait(150);
        receive(QTime(12, 0, 0));
        m_cycle->Timer3_Timer();
        // The delay counts from the hand-off, not from when the timer was armed.
        QVERIFY(m_timer4->isTicking());
        QVERIFY(m_timer4->remainingTimeMs() > 200);
    }

    // Only the time of day is set, but never on a date that moves the clock a whole day.
    void timeOfDayStaysOnTheNearestDay_data()
    {
        QTest::addColumn<QDateTime>("clock");
        QTest::addColumn<QTime>("received");
        QTest::addColumn<QDateTime>("expected");
        QTest::addColumn<bool>("dateSet");
        const QDate today = kToday;
        QTest::newRow("right clock just after midnight, last second of yesterday")
            << QDateTime(today, QTime(0, 0, 0, 5)) << QTime(23, 59, 59)
            << QDateTime(today.addDays(-1), QTime(23, 59, 59)) << true;
        QTest::newRow("slow clock before midnight, first seconds of tomorrow")
            << QDateTime(today, QTime(23, 59, 59, 500)) << QTime(0, 0, 2)
            << QDateTime(today.addDays(1), QTime(0, 0, 2)) << true;
        QTest::newRow("midday keeps the date")
            << QDateTime(today, QTime(12, 0, 3)) << QTime(12, 0, 1)
            << QDateTime(today, QTime(12, 0, 1)) << false;
        QTest::newRow("twelve hours off keeps the date")
            << QDateTime(today, QTime(12, 0, 0)) << QTime(0, 0, 2)
            << QDateTime(today, QTime(0, 0, 2)) << false;
    }
    void timeOfDayStaysOnTheNearestDay()
    {
        QFETCH(QDateTime, clock);
        QFETCH(QTime, received);
        QFETCH(QDateTime, expected);
        QFETCH(bool, dateSet);
        m_clock->setNow(clock);
        receive(received, clock.date());
        m_cycle->Timer3_Timer();
        QCOMPARE(m_clock->now(), expected);
        QCOMPARE(!m_clock->datesSet.isEmpty(), dateSet);
        QVERIFY(boxLines().last().startsWith(kChanged));
    }

    void delayedPathWithNothingLatchedSetsNothing()
    {
        // At start-up with the delay on, Timer4 runs before any hand-off.
        m_options.delayOn = true;
        receive(QTime(12, 0, 0));
        runDelayTicks(3);
        QVERIFY(m_clock->timesSet.isEmpty());
        QVERIFY(m_clock->datesSet.isEmpty());
        QVERIFY(m_log->boxText().isEmpty());
        QCOMPARE(m_overlays->size(), 0);
    }

    void refusedSetIsFailureA()
    {
        m_clock->setRefusal(ErrorValue { 1, QStringLiteral("Operation not permitted") });
        m_options.correctPeriod = 5;
        receive(QTime(12, 0, 0));
        for (int tick = 0; tick < 5; ++tick) {
            m_cycle->Timer3_Timer();
        }
        QCOMPARE(boxLines().size(), 1);
        QVERIFY(boxLines().constFirst().endsWith(failureBoxEnd('a')));
        QCOMPARE(m_cycle->correctTicks(), qint16(5));

        // The delayed path ends such a case silently.
        m_options.delayOn = true;
        m_cycle->Timer3_Timer();
        runDelayTicks(3);
        QCOMPARE(boxLines().size(), 1);
        QCOMPARE(m_overlays->size(), 0);
        QVERIFY(!m_timer4->isEnabled());
    }

    void receivedTextThatIsNotATimeIsFailureA()
    {
        receive(QTime(12, 0, 0));
        m_received.recvTime = QStringLiteral("12:00:60");
        m_cycle->Timer3_Timer();
        QVERIFY(boxLines().constFirst().endsWith(failureBoxEnd('a')));
        QVERIFY(m_clock->timesSet.isEmpty());
    }

    void precision_data()
    {
        QTest::addColumn<qint64>("frameEndNs");
        QTest::addColumn<qint64>("nowNs");
        QTest::addColumn<QString>("lineSettings");
        QTest::addColumn<QTime>("expected");
        QTest::newRow("no frame time known")
            << qint64(0) << qint64(5'000'000'000) << "9600,n,8,1" << QTime(12, 0, 0);
        QTest::newRow("waited 250 ms at 9600 baud")
            << qint64(1'000'000'000) << qint64(1'250'000'000) << "9600,n,8,1"
            << QTime(12, 0, 0, 263);
        QTest::newRow("waited 250 ms at 115200 baud")
            << qint64(1'000'000'000) << qint64(1'250'000'000) << "115200,n,8,1"
            << QTime(12, 0, 0, 251);
        QTest::newRow("settings unknown: only the wait")
            << qint64(1'000'000'000) << qint64(1'250'000'000) << "" << QTime(12, 0, 0, 250);
        QTest::newRow("an old frame is capped below a second")
            << qint64(1'000'000'000) << qint64(3'000'000'000) << "9600,n,8,1"
            << QTime(12, 0, 0, 999);
    }
    void precision()
    {
        QFETCH(qint64, frameEndNs);
        QFETCH(qint64, nowNs);
        QFETCH(QString, lineSettings);
        QFETCH(QTime, expected);
        receive(QTime(12, 0, 0));
        m_received.frameEndNs = frameEndNs;
        m_monotonicNs = nowNs;
        m_lineSettings = lineSettings;

        m_cycle->Timer3_Timer();

        QCOMPARE(m_clock->timesSet, QList<QTime> { expected });
        // The line still shows the received text.
        QCOMPARE(boxLines(), QStringList { kChanged + m_received.recvDateTime });
    }

    void unwritableLogTurnsSuccessIntoFailureA()
    {
        CorrectionLog unwritable(*m_clock, m_folder.filePath(QStringLiteral("none/logfile.txt")));
        CorrectionCycle cycle(m_options, m_received, m_freshness, *m_timer3, *m_timer4, *m_clock,
                              unwritable);
        QSignalSpy overlays(&cycle, &CorrectionCycle::overlayRequested);
        receive(QTime(12, 0, 0));
        cycle.Timer3_Timer();
        QCOMPARE(m_clock->timesSet.size(), 1);
        QStringList box = unwritable.boxText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(box.size(), 2);
        QVERIFY(box.at(0).startsWith(kChanged));
        QVERIFY(box.at(1).endsWith(failureBoxEnd('a')));
        QCOMPARE(cycle.correctTicks(), qint16(1));

        // The delayed path keeps its box line and still asks for the overlay.
        m_options.delayOn = true;
        cycle.Timer3_Timer();
        for (int tick = 0; tick < 3; ++tick) {
            cycle.Timer4_Timer();
        }
        box = unwritable.boxText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(box.constLast().startsWith(kChanged));
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
        m_log->addBoxLine(QString(9999, QLatin1Char('x')) + QStringLiteral("ab"));
        const QString before = m_log->boxText();
        QCOMPARE(before.size(), 10003);
        m_freshness.dataFresh = false;
        if (delayed) {
            runDelayTicks(3);
        } else {
            m_cycle->Timer3_Timer();
        }
        QVERIFY(m_log->boxText().startsWith(before.mid(2096)));
        QVERIFY(
            m_log->boxText().endsWith(failureBoxEnd(delayed ? 'e' : 'b') + QStringLiteral("\r\n")));
    }

    void tickCountStopsAtItsLargestValue()
    {
        m_options.correctPeriod = 32767;
        m_freshness.dataFresh = true;
        m_received.recvStamp1 = 43200;
        for (int tick = 0; tick < 32768; ++tick) {
            m_cycle->Timer3_Timer();
        }
        QCOMPARE(m_cycle->correctTicks(), qint16(32767));
        QCOMPARE(boxLines().size(), 2); // failure a at 32767 and again at the next second
        receive(QTime(12, 0, 0));
        m_cycle->Timer3_Timer();
        QCOMPARE(m_clock->timesSet.size(), 1);
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
        m_freshness.dataFresh = true;
    }
    // One more frame, as the display shifts it in.
    void shiftIn(const QTime &frame)
    {
        m_received.recvTime = frame.toString(QStringLiteral("hh:mm:ss"));
        m_received.recvDateTime = QStringLiteral("2026-12-05 ") + m_received.recvTime;
        m_received.recvStamp3 = m_received.recvStamp2;
        m_received.recvStamp2 = m_received.recvStamp1;
        m_received.recvStamp1 = frame.msecsSinceStartOfDay() / 1000;
    }
    void runDelayTicks(int count)
    {
        for (int tick = 0; tick < count; ++tick) {
            m_cycle->Timer4_Timer();
        }
    }
    QStringList boxLines() const
    {
        return m_log->boxText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    QStringList fileLines() const
    {
        QFile file(m_logPath);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromLocal8Bit(file.readAll())
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
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
};

QTEST_GUILESS_MAIN(TestCorrectionCycle)
#include "test_correctioncycle.moc"
