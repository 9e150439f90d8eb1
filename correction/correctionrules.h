#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>
#include <QtGlobal>
#include <optional>

struct ReceivedTimeState;

// The tests and conversions a correction attempt is made of, apart from the timers and the
// log, so each can be checked on its own. "Empty" results mean "cannot be evaluated": the
// immediate path treats that as a run-time failure, the delayed path as "not passed".
class CorrectionRules
{
public:
    // The last three received times one second apart: newest minus middle and middle minus
    // oldest, each held in 16 bits, must both be 1. Empty when a difference does not fit.
    static std::optional<bool> consecutiveSeconds(const ReceivedTimeState &received);

    // Keeps away from midnight: both the received and the computer's time of day, in whole
    // minutes since 00:00, must lie above N and below 1440 - N (worked out in 16 bits).
    // Empty when the received text is not a time of day or 1440 - N does not fit.
    static std::optional<bool> outsideMidnightWindow(const QString &receivedTime,
                                                     const QTime &computerTime, qint16 minutes);

    // "hh:mm:ss" with one or two digits a field (the test frame writes "12:13:1"), within
    // the day.
    static std::optional<QTime> timeOfDay(const QString &text);
    // "yyyy-mm-dd", month and day with or without their leading zero.
    static std::optional<QDate> date(const QString &text);
    // The latched date and time of a delayed correction plus one second. The second is added
    // to the moment, not to the wall-clock text: the second after the last one of the summer
    // pass through the hour repeated in autumn is the first of the winter pass. A latched
    // time inside that hour stands for its occurrence nearest the clock's reading.
    static std::optional<QDateTime> latchedPlusOneSecond(const QString &date, const QString &time,
                                                         const QDateTime &clockNow);

    // Where a correction that sets only the time of day puts the clock: the given time on the
    // clock's own date, except across midnight. When the clock and the received time of day
    // lie within kMidnightCrossingMs of each other across 00:00, the time belongs to the day
    // before or after, and the date changes with it. Nothing else moves the date: a clock
    // that is hours off has the wrong time, not the wrong day. Empty when the time does not
    // exist on the day it belongs to (the hour skipped in spring on a zone that changes at
    // midnight): such a time cannot be the receiver's.
    static std::optional<QDateTime> timeOfDayTarget(const QDateTime &clockNow, const QTime &time);
    static constexpr qint64 kMidnightCrossingMs = 10 * 60 * 1000;

    // The moment the receiver's date and second stand for in local time (reference, the
    // clock's reading, picks the occurrence of a time repeated in autumn). Empty when the date
    // is not a date, or the local time does not exist on it (the hour skipped in spring): a
    // receiver in this time zone cannot have sent it.
    static std::optional<QDateTime> receivedMoment(const QString &date, const QTime &second,
                                                   const QDateTime &reference);

    // How long the receiver's 12-byte frame takes on the line, from a settings text such as
    // "9600,n,8,1": start bit, data bits, parity bit and stop bits per byte. 0 when the text
    // cannot be read.
    static qint64 frameTransmissionNs(const QString &lineSettings);

    // The time since the frame's first byte left the receiver as a correction counts it: never
    // negative and never a whole second or more, since a frame that old is no better than its
    // own second.
    static qint64 boundedSinceNs(qint64 sinceFrameBeganNs);
    // The received second moved on by the bounded time since the frame began, rounded to the
    // millisecond, and by the receiver's latency: how long after the second began it sends
    // its frame (negative for one that sends ahead). With a latency the result may lie in the
    // next or the previous second, across midnight too.
    static QTime advancedTime(const QTime &receivedSecond, qint64 sinceFrameBeganNs,
                              int latencyMs = 0);
    // The same advance in whole milliseconds, to move a moment rather than a time of day.
    static qint64 advanceMs(qint64 sinceFrameBeganNs, int latencyMs = 0);
    static constexpr qint64 kLargestAdvanceMs = 999;
};
