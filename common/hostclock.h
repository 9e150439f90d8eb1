#pragma once

#include "hostclocknative.h"
#include "systemclock.h"

#include <functional>
#include <optional>

// The computer's own clock. Setting it needs a right the program normally lacks; a refusal
// comes back as a failure value with a text that says so.
class HostClock : public SystemClock
{
public:
    // The last step, which hands the finished request to the operating system and returns 0
    // or the system's error number.
    using SetCall = std::function<int(const HostClockNative::Request &)>;
    // Reads the current moment in milliseconds since the epoch.
    using ReadCall = std::function<qint64()>;

    // The real clock, read and set through the operating system.
    HostClock();
    // The same with the last step (and, if given, the reading) replaced, so that a test can
    // see what would reach the kernel without the clock ever moving.
    explicit HostClock(SetCall setCall, ReadCall readCall = {});

    QDateTime now() const override;
    Outcome setDate(const QDate &date) override;
    Outcome setTime(const QTime &time) override;
    Outcome setDateTime(const QDateTime &moment) override;

    // Milliseconds since the epoch that a local date and time stands for, with the rules the
    // host clock uses for the hours skipped and repeated by daylight-saving changes
    // (reference, a moment in milliseconds, picks between the two occurrences of a repeated
    // time). Empty for a date or time that does not exist.
    static std::optional<qint64> instantOf(const QDate &date, const QTime &time, qint64 reference);

    // True for the failure this clock reports when the program lacks the right to set it.
    static bool lacksRight(const ErrorValue &failure);

private:
    Outcome setLocal(const QDate &date, const QTime &time);
    Outcome setInstant(qint64 instantMs, const HostClockNative::WallTime &local);
    qint64 currentMs() const;

    SetCall m_setCall;
    ReadCall m_readCall;
};
