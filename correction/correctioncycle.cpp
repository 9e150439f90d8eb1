#include "correctioncycle.h"

#include "common/hostclock.h"
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

ErrorValue staleFrame(const QString &why)
{
    return ErrorValue { 0,
                        QStringLiteral("The receiver's newest frame %1, so its time was not "
                                       "set; the next frame is used as soon as it comes.")
                            .arg(why) };
}

// Sets only the time of day, as a correction has always done, on the clock's own date; only
// a time that belongs to the other side of midnight moves the date with it, in one step.
Outcome setTimeOfDay(SystemClock &clock, const QTime &time)
{
    const QDateTime now = clock.now();
    const auto target = CorrectionRules::timeOfDayTarget(now, time);
    if (!target) {
        return ErrorValue { 13,
                            QStringLiteral("%1 does not exist on the day it belongs to")
                                .arg(time.toString(QStringLiteral("HH:mm:ss"))) };
    }
    if (target->date() == now.date()) {
        return clock.setTime(time);
    }
    return clock.setDateTime(*target);
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

    if (const Outcome failure = attemptNow()) {
        // The attempt is retried at the next tick: the timer and the count stay as they are.
        reportRunTimeFailure(*failure);
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
        return m_log.logFailure(QLatin1Char('b'));
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
        return m_log.logFailure(QLatin1Char('c'));
    }
    if (!m_options.maskOn) {
        const Result<std::optional<QDateTime>> set = setPreciseTime();
        if (!set.ok()) {
            return set.error();
        }
        // Where the date had to be set too, the line names what the clock now reads; the
        // received caption alone would hide that the clock was a day or more off.
        const std::optional<QDateTime> &movedTo = set.value();
        const QString line = CorrectionLog::successLine(movedTo ? CorrectionLog::stampText(*movedTo)
                                                                : m_received.recvDateTime);
        m_log.addBoxLine(line);
        logAfterSet(line);
        return std::nullopt;
    }
    const auto outside = CorrectionRules::outsideMidnightWindow(
        m_received.recvTime, m_clock.currentTime(), m_options.maskMinutes);
    if (!outside) {
        return notATime(m_received.recvTime);
    }
    if (!*outside) {
        return std::nullopt;
    }
    if (const Outcome failure = setTimeOfDayOnly()) {
        return failure;
    }
    // Each line reads the clock anew, after it was set.
    m_log.addBoxLine(changedToNow());
    logAfterSet(changedToNow());
    return std::nullopt;
}

void CorrectionCycle::logAfterSet(const QString &fileLine)
{
    // The clock has been set: a record that cannot be written must not make the next second
    // set it again. The log has said that records are being lost.
    (void)m_log.WriteLog(fileLine);
}

Result<qint64> CorrectionCycle::frameWaitNs() const
{
    // A frame whose arrival is not known, or that has waited longer than a frame's second,
    // would set the clock behind: the receiver has stopped, or the program was held up.
    if (m_received.frameEndNs == 0) {
        return staleFrame(QStringLiteral("was read late"));
    }
    const qint64 waitedNs = std::max<qint64>(m_monotonicNow() - m_received.frameEndNs, 0);
    if (waitedNs > kLargestFrameAgeNs) {
        return staleFrame(QStringLiteral("is older than 1.5 s"));
    }
    return waitedNs;
}

Result<std::optional<QDateTime>> CorrectionCycle::setPreciseTime()
{
    const auto second = CorrectionRules::timeOfDay(m_received.recvTime);
    if (!second) {
        return notATime(m_received.recvTime);
    }
    const Result<qint64> waited = frameWaitNs();
    if (!waited.ok()) {
        return waited.error();
    }
    const QDateTime clockNow = m_clock.now();
    const auto secondStart
        = CorrectionRules::receivedMoment(m_received.recvDate, *second, clockNow);
    if (!secondStart) {
        return ErrorValue { 13,
                            QStringLiteral("The receiver sent %1, which is not a date and time "
                                           "of this computer's time zone")
                                .arg(m_received.recvDateTime) };
    }
    // The received second began when the frame's first byte left the receiver, less the
    // receiver's latency: add the time the frame took on the line and the time it has waited
    // since its end byte was read.
    const qint64 sinceFrameBeganNs = waited.value() + transmissionNs();
    const TrackingRecord measured
        = measure(*secondStart, clockNow, waited.value(), sinceFrameBeganNs);
    const QDateTime target
        = secondStart->addMSecs(CorrectionRules::advanceMs(sinceFrameBeganNs, m_latencyMs));
    // The time of day alone while the clock's date is right; a clock on another day gets the
    // received date with the time, in one step, never a day off in between.
    const bool sameDay = target.date() == m_clock.currentDate();
    if (const Outcome failure
        = sameDay ? m_clock.setTime(target.time()) : m_clock.setDateTime(target)) {
        return *failure;
    }
    announceSet(measured, TrackingRecord::kImmediatePath);
    return sameDay ? std::optional<QDateTime>() : std::optional<QDateTime>(target);
}

Outcome CorrectionCycle::setTimeOfDayOnly()
{
    // The received date is the computer's own here: only the time of day is taken.
    const auto second = CorrectionRules::timeOfDay(m_received.recvTime);
    if (!second) {
        return notATime(m_received.recvTime);
    }
    const Result<qint64> waited = frameWaitNs();
    if (!waited.ok()) {
        return waited.error();
    }
    const qint64 sinceFrameBeganNs = waited.value() + transmissionNs();
    const QDateTime clockNow = m_clock.now();
    const TrackingRecord measured = measure(CorrectionRules::timeOfDayTarget(clockNow, *second),
                                            clockNow, waited.value(), sinceFrameBeganNs);
    if (const Outcome failure = setTimeOfDay(
            m_clock, CorrectionRules::advancedTime(*second, sinceFrameBeganNs, m_latencyMs))) {
        return failure;
    }
    announceSet(measured, TrackingRecord::kImmediatePath);
    return std::nullopt;
}

qint64 CorrectionCycle::transmissionNs() const
{
    return CorrectionRules::frameTransmissionNs(m_lineSettings ? m_lineSettings() : QString());
}

TrackingRecord CorrectionCycle::measure(const std::optional<QDateTime> &secondStart,
                                        const QDateTime &clockNow, qint64 waitedNs,
                                        qint64 sinceFrameBeganNs) const
{
    TrackingRecord record;
    if (!secondStart) {
        return record;
    }
    // Whole moments, dates included: a clock a day behind is 86 400 000 ms off, not a few.
    // Not rounded to the millisecond a clock can be set to: the offset is a measurement.
    const double sinceSecondBeganMs
        = double(CorrectionRules::boundedSinceNs(sinceFrameBeganNs)) / 1e6 + m_latencyMs;
    record.offsetMs = double(clockNow.msecsTo(*secondStart)) + sinceSecondBeganMs;
    record.frameAgeMs = (waitedNs + 500'000) / 1'000'000;
    return record;
}

TrackingRecord CorrectionCycle::measureNewestFrame() const
{
    const auto second = CorrectionRules::timeOfDay(m_received.recvTime);
    const Result<qint64> waited = frameWaitNs();
    if (!second || !waited.ok()) {
        return {};
    }
    const QDateTime clockNow = m_clock.now();
    const auto secondStart = m_options.maskOn
        ? CorrectionRules::timeOfDayTarget(clockNow, *second)
        : CorrectionRules::receivedMoment(m_received.recvDate, *second, clockNow);
    return measure(secondStart, clockNow, waited.value(), waited.value() + transmissionNs());
}

void CorrectionCycle::announceSet(TrackingRecord record, const char *path)
{
    record.stamp = m_clock.now().toUTC();
    record.path = QLatin1String(path);
    emit clockSet(record);
}

void CorrectionCycle::reportRunTimeFailure(const ErrorValue &failure)
{
    m_log.addBoxLine(m_log.failureBoxLine(QLatin1Char('a')));
    // Nothing is left to report a lost failure line to; the next tick tries again anyway.
    m_log.WriteLog(m_log.failureFileLine());
    // The letter alone does not tell the user what to do about it; a missing right is the
    // user's to grant, so it is also said outside the window.
    if (HostClock::lacksRight(failure)) {
        m_log.addActionNeeded(failure.text);
    } else {
        m_log.addNoticeOnce(failure.text);
    }
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
    m_delayLatchedNs = m_monotonicNow();
}

void CorrectionCycle::Timer4_Timer()
{
    m_log.applySizeRule();

    // The first two ticks after a hand-off only count; the third acts.
    if (m_delayTicks > 1) {
        if (!m_freshness.dataFresh) {
            // A lost file line does not stop the delayed path: the box line stays.
            (void)m_log.logFailure(QLatin1Char('e'));
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
        (void)m_log.logFailure(QLatin1Char('d'));
        return;
    }
    // The latched second plus one is right only as long after the hand-off as the delay
    // takes; after the process was held up (a suspended laptop) it is far behind.
    const qint64 latchedAgeNs = m_monotonicNow() - m_delayLatchedNs;
    const qint64 largestAgeNs
        = (3 * qint64(std::max<qint16>(m_options.delayMs, 0)) + 500) * 1'000'000;
    if (m_delayLatchedNs == 0 || latchedAgeNs > largestAgeNs) {
        return;
    }
    // The clock's offset is measured against the newest frame, as the immediate path would;
    // what this path sets is the latched second.
    const TrackingRecord measured = measureNewestFrame();
    if (!m_options.maskOn) {
        const auto target
            = CorrectionRules::latchedPlusOneSecond(m_delayDate, m_delayTime, m_clock.now());
        if (!target || m_clock.setDateTime(*target)) {
            return;
        }
        announceSet(measured, TrackingRecord::kDelayedPath);
        const QString line = CorrectionLog::successLine(CorrectionLog::stampText(*target));
        m_log.addBoxLine(line);
        logAfterSet(line);
        emit overlayRequested();
        return;
    }
    const bool outside = CorrectionRules::outsideMidnightWindow(m_delayTime, m_clock.currentTime(),
                                                                m_options.maskMinutes)
                             .value_or(false);
    if (!outside) {
        return;
    }
    const auto target
        = CorrectionRules::latchedPlusOneSecond(m_delayDate, m_delayTime, m_clock.now());
    if (!target || setTimeOfDay(m_clock, target->time())) {
        return;
    }
    announceSet(measured, TrackingRecord::kDelayedPath);
    m_log.addBoxLine(changedToNow());
    logAfterSet(changedToNow());
    emit overlayRequested();
}

QString CorrectionCycle::changedToNow() const
{
    return CorrectionLog::successLine(CorrectionLog::stampText(m_clock.now()));
}
