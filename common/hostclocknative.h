#pragma once

#include <cstdint>
#include <string>

// The operating system's half of the host clock. It stays free of Qt so that the Windows
// source builds with the cross compiler on its own; one source per platform implements it.
namespace HostClockNative {

// A local date and time of day as a person reads it off the clock (month and day from 1).
struct WallTime
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Everything the last step needs: the new local date and time (what Windows takes) and the
// same moment counted from the epoch in UTC (what Linux takes).
struct Request
{
    WallTime local;
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;
};

// Finds the moment (whole seconds since the epoch) that a local date and time stands for,
// under the time-zone rules in force on that date. A local time that occurs twice, in the
// hour repeated when daylight-saving time ends, becomes the occurrence nearest to
// referenceSeconds (the clock's current moment), so setting the clock inside that hour never
// throws it an hour away. A local time that never occurs, in the hour skipped when
// daylight-saving time begins, is read with the offset in force before the change (02:30
// becomes 03:30 summer time). Returns false for a date that does not exist.
bool toInstant(const WallTime &local, std::int64_t referenceSeconds, std::int64_t &seconds);

// Hands the request to the operating system and returns 0 or the system's error number.
// This is the only place that really moves the computer's clock.
int applyRequest(const Request &request);

// True when the error number means that the process lacks the right to set the clock.
bool isPermissionError(int error);

// What the user can do about a missing right, in plain words, for the program at
// programPath.
std::string permissionAdvice(const std::string &programPath);

// The operating system's own text for an error number.
std::string errorText(int error);

} // namespace HostClockNative
