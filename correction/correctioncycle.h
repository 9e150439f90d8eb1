#pragma once

#include "common/errorvalue.h"
#include "common/monotonicclock.h"
#include "history/trackingrecord.h"

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

class CorrectionLog;
class IntervalTimer;
class SystemClock;
struct CorrectionOptions;
struct FreshnessState;
struct ReceivedTimeState;

// Sets the computer's clock from the receiver. Timer3 ticks every second and makes an
// attempt every correctPeriod ticks (the immediate path); with the delay on, an attempt only
// latches the received time and starts Timer4, whose third tick sets the clock (the delayed
// path). An attempt sets the clock only while frames keep arriving and the last three
// received times are consecutive seconds; every outcome but a hand-off or a skip near
// midnight goes to the log box first and the log file after. Right before it sets the clock, a
// correction measures how far off the clock was, and tells it once the clock is set.
class CorrectionCycle : public QObject
{
    Q_OBJECT
public:
    // lineSettings gives the port's settings text ("9600,n,8,1"), used to know how long a
    // frame takes on the line; monotonicNow is the clock the receive path stamps frames with.
    CorrectionCycle(const CorrectionOptions &options, const ReceivedTimeState &received,
                    const FreshnessState &freshness, IntervalTimer &timer3, IntervalTimer &timer4,
                    SystemClock &clock, CorrectionLog &log,
                    std::function<QString()> lineSettings = {},
                    std::function<qint64()> monotonicNow = monotonicNowNs,
                    QObject *parent = nullptr);

    // Connects the two timers' ticks to the handlers below. Call it once, or forward the
    // ticks yourself, not both.
    void connectTimers();

    void Timer3_Timer();
    void Timer4_Timer();

    // How long after the second began the receiver sends its frame (negative: before it).
    void setReceiverLatencyMs(int latencyMs) { m_latencyMs = latencyMs; }

    qint16 correctTicks() const { return m_correctTicks; }
    int delayTicks() const { return m_delayTicks; }
    QString delayDate() const { return m_delayDate; }
    QString delayTime() const { return m_delayTime; }

    // An immediate attempt refuses a frame older than this: its second is long gone.
    static constexpr qint64 kLargestFrameAgeNs = 1'500'000'000;

signals:
    // The delayed path set the clock: show the taskbar clock overlay.
    void overlayRequested();
    // A correction set the clock; the record holds the offset measured before, its path and
    // when it was set, but no device.
    void clockSet(const TrackingRecord &record);

private:
    // Cases of one immediate attempt; an error value is a run-time failure of the attempt.
    Outcome attemptNow();
    // Sets the clock to the received date and time moved on to this instant; the moment it
    // was set to when the date had to be set too, else empty.
    Result<std::optional<QDateTime>> setPreciseTime();
    // The same for the time of day alone, where the computer's date stands for the received.
    Outcome setTimeOfDayOnly();
    // How long the newest frame has waited since its end byte, or why it is too old to use.
    Result<qint64> frameWaitNs() const;
    void logAfterSet(const QString &fileLine);
    void reportRunTimeFailure(const ErrorValue &failure);
    void handOff();

    void correctLater();

    QString changedToNow() const;

    // The received time at this instant, moved on from the start of its second as the
    // immediate path does it, minus the clock's time, with the frame's age; both empty when
    // the second's moment is not known. sinceFrameBeganNs: the wait since its end byte and
    // its time on the line.
    TrackingRecord measure(const std::optional<QDateTime> &secondStart, const QDateTime &clockNow,
                           qint64 waitedNs, qint64 sinceFrameBeganNs) const;
    TrackingRecord measureNewestFrame() const;
    void announceSet(TrackingRecord record, const char *path);
    qint64 transmissionNs() const;

    const CorrectionOptions &m_options;
    const ReceivedTimeState &m_received;
    const FreshnessState &m_freshness;
    IntervalTimer &m_timer3;
    IntervalTimer &m_timer4;
    SystemClock &m_clock;
    CorrectionLog &m_log;
    std::function<QString()> m_lineSettings;
    std::function<qint64()> m_monotonicNow;
    int m_latencyMs = 0;

    qint16 m_correctTicks = 0;
    int m_delayTicks = 0;
    QString m_delayDate;
    QString m_delayTime;
    // When the hand-off latched them, on the monotonic clock (0: nothing latched yet).
    qint64 m_delayLatchedNs = 0;
};
