#include "hostclocknative.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <optional>
#include <sys/capability.h>

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

namespace {

// Puts the held-back right to set the clock in effect, or takes it out again. Where the
// process holds no such right this fails, and the set call below is refused as it should be.
void setClockRightInEffect(bool inEffect)
{
    cap_t capabilities = cap_get_proc();
    if (capabilities == nullptr) {
        return;
    }
    const cap_value_t clockRight[] = { CAP_SYS_TIME };
    if (cap_set_flag(capabilities, CAP_EFFECTIVE, 1, clockRight, inEffect ? CAP_SET : CAP_CLEAR)
        == 0) {
        cap_set_proc(capabilities);
    }
    cap_free(capabilities);
}

} // namespace

int applyRequest(const Request &request)
{
    timespec target {};
    target.tv_sec = static_cast<std::time_t>(request.seconds);
    target.tv_nsec = request.nanoseconds;
    // Needs CAP_SYS_TIME, held in the permitted set only and put in effect for this call
    // alone. The README shows how to give the program only that capability instead of
    // running it as root.
    setClockRightInEffect(true);
    const int result = clock_settime(CLOCK_REALTIME, &target) == 0 ? 0 : errno;
    setClockRightInEffect(false);
    return result;
}

bool isPermissionError(int error)
{
    return error == EPERM;
}

std::string permissionAdvice(const std::string &programPath)
{
    return "Installed from its package, VALTORA sets the clock for the members of the group "
           "valtora: sudo adduser $USER valtora, then log in again. A program built by hand "
           "needs that right given to it alone: sudo setcap cap_sys_time+p "
        + programPath;
}

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace HostClockNative
