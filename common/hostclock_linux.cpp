#include "hostclocknative.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <optional>

namespace HostClockNative {

namespace {

// Seconds east of UTC that the local zone applies at the given moment.
std::optional<long> offsetAt(std::time_t moment)
{
    std::tm parts {};
    if (localtime_r(&moment, &parts) == nullptr) {
        return std::nullopt;
    }
    return parts.tm_gmtoff;
}

std::int64_t distance(std::int64_t a, std::int64_t b)
{
    return a > b ? a - b : b - a;
}

} // namespace

bool toInstant(const WallTime &local, std::int64_t referenceSeconds, std::int64_t &seconds)
{
    // tzset makes a changed TZ take effect; localtime_r alone need not read it again.
    tzset();

    std::tm fields {};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    fields.tm_sec = local.second;
    // The wall clock's reading taken as if it were UTC; the true moment lies within a day.
    errno = 0;
    const std::time_t wall = timegm(&fields);
    if (wall == static_cast<std::time_t>(-1) && errno == EOVERFLOW) {
        return false;
    }
    // timegm quietly turns 30 February into 2 March: such a date does not exist.
    if (fields.tm_year != local.year - 1900 || fields.tm_mon != local.month - 1
        || fields.tm_mday != local.day || fields.tm_hour != local.hour
        || fields.tm_min != local.minute || fields.tm_sec != local.second) {
        return false;
    }

    // The offsets in force around that day. Zones change their offset at most once within
    // a day, so the day before and the day after show both sides of any change.
    constexpr std::time_t kDay = 24 * 60 * 60;
    const std::optional<long> before = offsetAt(wall - kDay);
    const std::optional<long> at = offsetAt(wall);
    const std::optional<long> after = offsetAt(wall + kDay);
    if (!before || !at || !after) {
        return false;
    }

    bool found = false;
    std::int64_t best = 0;
    for (const long offset : { *before, *at, *after }) {
        const std::time_t candidate = wall - offset;
        // The candidate is right when the zone really applies this offset at that moment.
        if (offsetAt(candidate) != offset) {
            continue;
        }
        if (!found || distance(candidate, referenceSeconds) < distance(best, referenceSeconds)) {
            best = candidate;
            found = true;
        }
    }
    if (!found) {
        // Skipped by a change: read with the offset of the time before it, which lands the
        // same distance after the change as the wall clock reading lies after its start.
        best = wall - *before;
    }
    seconds = best;
    return true;
}

int applyRequest(const Request &request)
{
    timespec target {};
    target.tv_sec = static_cast<std::time_t>(request.seconds);
    target.tv_nsec = request.nanoseconds;
    // Needs CAP_SYS_TIME. The README shows how to give the program only that capability
    // (setcap cap_sys_time+ep) instead of running it as root.
    if (clock_settime(CLOCK_REALTIME, &target) != 0) {
        return errno;
    }
    return 0;
}

bool isPermissionError(int error)
{
    return error == EPERM;
}

std::string permissionAdvice(const std::string &programPath)
{
    return "Installed from its package, VALTORA sets the clock for the members of the group "
           "valtora: sudo adduser $USER valtora, then log in again. A program built by hand "
           "needs that right given to it alone: sudo setcap cap_sys_time+ep "
        + programPath;
}

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace HostClockNative
