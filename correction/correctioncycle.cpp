#include "correctioncycle.h"

#include "common/intervaltimer.h"
#include "common/systemclock.h"
#include "correctionlog.h"
#include "correctionoptions.h"
#include "correctionrules.h"
#include "correctionsettings.h"
#include "frames/receivedtimestate.h"

#include <algorithm>
#include <limits>

namespace {

ErrorValue notATime(const QString &text)
{
    return ErrorValue { 13, QStringLiteral("Type mismatch (%1)").arg(text) };
}

ErrorValue overflow()
{
    return ErrorValue { 6, QStringLiteral("Overflow") };
}

// Sets only the time of day, as a correction has always done, but on the day that keeps the
// clock nearest to where it is. A received 23:59:59 set just after midnight belongs to the
// day before: on today's date it would move the clock forward by almost a whole day, and
// nothing would ever set the date back.
Outcome setTimeOfDayNearby(SystemClock &clock, const QTime &time)
{
    const QDateTime now = clock.now();
    QDate nearest = now.date();
    qint64 nearestDistance = std::numeric_limits<qint64>::max();
    // Today first, so a tie keeps today's date.
    for (const int days : { 0, -1, 1 }) {
        const QDate date = now.date().addDays(days);
        const qint64 distance = std::abs(now.msecsTo(QDateTime(date, time)));
        if (distance < nearestDistance) {
            nearest = date;
            nearestDistance = distance;
        }
    }
    if (nearest != now.date()) {
        if (Outcome refused = clock.setDate(nearest)) {
            return refused;
        }
    }
    return clock.setTime(time);
}

} // namespace

CorrectionCycle::CorrectionCycle(const CorrectionOptions &options,
                                 const ReceivedTimeState &received, const FreshnessState &freshness,
                                 IntervalTimer &timer3, IntervalTimer &timer4, SystemClock &clock,
                                 CorrectionLog &log, std::function<QString()> lineSettings,
                                 std::function<qint64()> monotonicNow, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_received(received)
    , m_freshness(freshness)
    , m_timer3(timer3)
    , m_timer4(timer4)
    , m_clock(clock)
    , m_log(log)
    , m_lineSettings(std::move(lineSettings))
    , m_monotonicNow(monotonicNow ? std::move(monotonicNow) : monotonicNowNs)
{
}

void CorrectionCycle::connectTimers()
{
    connect(&m_timer3, &IntervalTimer::tick, this, &CorrectionCycle::Timer3_Timer);
    connect(&m_timer4, &IntervalTimer::tick, this, &CorrectionCycle::Timer4_Timer);
}

void CorrectionCycle::Timer3_Timer()
{
    m_log.applySizeRule();

    // The count stops at its largest value instead of overflowing: after a failed attempt
    // at a very long period it must go on retrying every second, not fail for good.
    if (m_correctTicks < std::numeric_limits<qint16>::max()) {
        ++m_correctTicks;
    }
    if (m_correctTicks < m_options.correctPeriod) {
        return;
    }

    if (attemptNow()) {
        // The attempt is retried at the next tick: the timer and the count stay as they are.
        reportRunTimeFailure();
        return;
    }

    // Turning correction off takes effect here, after an attempt has completed.
    m_timer3.setEnabled(m_options.correctOn);
    if (m_timer3.interval() != CorrectionSettings::kCorrectionTickMs) {
        // Only when it differs: setting it restarts the count, which would make every
        // period a little longer than a second.
        m_timer3.setInterval(CorrectionSettings::kCorrectionTickMs);
    }
    m_correctTicks = 0;
}

Outcome CorrectionCycle::attemptNow()
{
    if (!m_freshness.dataFresh) {
        return logImmediate(m_log.failureBoxLine(QLatin1Char('b')), m_log.failureFileLine());
    }
    if (m_options.delayOn) {
        handOff();
        return std::nullopt;
    }
    const auto consecutive = CorrectionRules::consecutiveSeconds(m_received);
    if (!consecutive) {
        return overflow();
    }
    if (!*consecutive) {
        return logImmediate(m_log.failureBoxLine(QLatin1Char('c')), m_log.failureFileLine());
    }
    if (!m_options.maskOn) {
        if (const Outcome failure = setPreciseTime()) {
            return failure;
        }
        const QString line = CorrectionLog::successLine(m_received.recvDateTime);
        return logImmediate(line, line);
    }
    const auto outside = CorrectionRules::outsideMidnightWindow(
        m_received.recvTime, m_clock.currentTime(), m_options.maskMinutes);
    if (!outside) {
        return notATime(m_received.recvTime);
    }
    if (!*outside) {
        return std::nullopt;
    }
    if (const Outcome failure = setPreciseTime()) {
        return failure;
    }
    // Each line reads the clock anew, after it was set.
    m_log.addBoxLine(changedToNow());
    return m_log.WriteLog(changedToNow());
}

Outcome CorrectionCycle::setPreciseTime()
{
    const auto second = CorrectionRules::timeOfDay(m_received.recvTime);
    if (!second) {
        return notATime(m_received.recvTime);
    }
    // The received second began when the frame's first byte left the receiver: add the time
    // the frame took on the line and the time it has waited since its end byte was read.
    qint64 sinceSecondBeganNs = 0;
    if (m_received.frameEndNs != 0) {
        const qint64 waitedNs = m_monotonicNow() - m_received.frameEndNs;
        const QString settings = m_lineSettings ? m_lineSettings() : QString();
        sinceSecondBeganNs
            = std::max<qint64>(waitedNs, 0) + CorrectionRules::frameTransmissionNs(settings);
    }
    return setTimeOfDayNearby(m_clock, CorrectionRules::advancedTime(*second, sinceSecondBeganNs));
}

Outcome CorrectionCycle::logImmediate(const QString &boxLine, const QString &fileLine)
{
    m_log.addBoxLine(boxLine);
    return m_log.WriteLog(fileLine);
}

void CorrectionCycle::reportRunTimeFailure()
{
    m_log.addBoxLine(m_log.failureBoxLine(QLatin1Char('a')));
    // Nothing is left to report a lost failure line to; the next tick tries again anyway.
    m_log.WriteLog(m_log.failureFileLine());
}

void CorrectionCycle::handOff()
{
    // A hand-off while one is pending starts the count again with the newer time.
    m_delayTicks = 0;
    // Restarted, not just left running, so the delay counts from this hand-off.
    m_timer4.setEnabled(false);
    m_timer4.setEnabled(true);
    m_delayDate = m_received.recvDate;
    m_delayTime = m_received.recvTime;
}

void CorrectionCycle::Timer4_Timer()
{
    m_log.applySizeRule();

    // The first two ticks after a hand-off only count; the third acts.
    if (m_delayTicks > 1) {
        if (!m_freshness.dataFresh) {
            logDelayed(m_log.failureBoxLine(QLatin1Char('e')), m_log.failureFileLine());
        } else if (m_options.delayOn) {
            correctLater();
        }
        m_timer4.setEnabled(false);
        m_delayTicks = 0;
    }
    ++m_delayTicks;
}

void CorrectionCycle::correctLater()
{
    // Here nothing is reported as a failure: what cannot be worked out or set simply ends
    // this correction without a success line.
    if (!CorrectionRules::consecutiveSeconds(m_received).value_or(false)) {
        logDelayed(m_log.failureBoxLine(QLatin1Char('d')), m_log.failureFileLine());
        return;
    }
    if (!m_options.maskOn) {
        const auto target = CorrectionRules::latchedPlusOneSecond(m_delayDate, m_delayTime);
        if (!target || m_clock.setDate(target->date()) || m_clock.setTime(target->time())) {
            return;
        }
        const QString line = CorrectionLog::successLine(CorrectionLog::stampText(*target));
        logDelayed(line, line);
        emit overlayRequested();
        return;
    }
    const bool outside = CorrectionRules::outsideMidnightWindow(m_delayTime, m_clock.currentTime(),
                                                                m_options.maskMinutes)
                             .value_or(false);
    if (!outside) {
        return;
    }
    const auto target = CorrectionRules::latchedPlusOneSecond(m_delayDate, m_delayTime);
    if (!target || setTimeOfDayNearby(m_clock, target->time())) {
        return;
    }
    m_log.addBoxLine(changedToNow());
    m_log.WriteLog(changedToNow());
    emit overlayRequested();
}

void CorrectionCycle::logDelayed(const QString &boxLine, const QString &fileLine)
{
    m_log.addBoxLine(boxLine);
    // A lost file line does not stop the delayed path: the box line stays.
    m_log.WriteLog(fileLine);
}

QString CorrectionCycle::changedToNow() const
{
    return CorrectionLog::successLine(CorrectionLog::stampText(m_clock.now()));
}
