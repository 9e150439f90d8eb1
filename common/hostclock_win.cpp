#include "hostclocknative.h"

#include <windows.h>

namespace HostClockNative {

namespace {

// 100-nanosecond intervals between 1601-01-01 (Windows) and 1970-01-01 (the epoch).
constexpr std::int64_t kEpochDifference = 116444736000000000LL;
constexpr std::int64_t kIntervalsPerSecond = 10000000LL;

SYSTEMTIME systemTimeOf(const WallTime &local)
{
    SYSTEMTIME time {};
    time.wYear = static_cast<WORD>(local.year);
    time.wMonth = static_cast<WORD>(local.month);
    time.wDay = static_cast<WORD>(local.day);
    time.wHour = static_cast<WORD>(local.hour);
    time.wMinute = static_cast<WORD>(local.minute);
    time.wSecond = static_cast<WORD>(local.second);
    time.wMilliseconds = static_cast<WORD>(local.millisecond);
    return time;
}

// Setting the clock is a privilege that even administrators hold disabled; it has to be
// switched on in the process's own token first. Without it the set call below fails with
// ERROR_PRIVILEGE_NOT_HELD, which the caller turns into its "lacks the right" text.
void enableSystemTimePrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return;
    }
    TOKEN_PRIVILEGES privileges {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValue(nullptr, SE_SYSTEMTIME_NAME, &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}

// Whether daylight-saving time is in force now, as the system converts local times.
DWORD daylightState()
{
    TIME_ZONE_INFORMATION zone {};
    return GetTimeZoneInformation(&zone);
}

} // namespace

bool toInstant(const WallTime &local, std::int64_t /*referenceSeconds*/, std::int64_t &seconds)
{
    // Windows offers one reading of a local time under the rules of its year; the hour
    // repeated in autumn is taken as the system takes it.
    const SYSTEMTIME wall = systemTimeOf(local);
    FILETIME check {};
    if (!SystemTimeToFileTime(&wall, &check)) {
        return false;
    }
    SYSTEMTIME universal {};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &wall, &universal)) {
        return false;
    }
    FILETIME file {};
    if (!SystemTimeToFileTime(&universal, &file)) {
        return false;
    }
    const std::int64_t intervals
        = (static_cast<std::int64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    seconds = (intervals - kEpochDifference) / kIntervalsPerSecond;
    return true;
}

int applyRequest(const Request &request)
{
    enableSystemTimePrivilege();
    const SYSTEMTIME target = systemTimeOf(request.local);
    const DWORD stateBefore = daylightState();
    if (!SetLocalTime(&target)) {
        return static_cast<int>(GetLastError());
    }
    // SetLocalTime converts with the daylight-saving state of the moment before the change.
    // When the change crossed into the other state, the first call landed an hour off; the
    // second converts with the state now in force.
    if (daylightState() != stateBefore && !SetLocalTime(&target)) {
        return static_cast<int>(GetLastError());
    }
    return 0;
}

bool isPermissionError(int error)
{
    return error == ERROR_PRIVILEGE_NOT_HELD || error == ERROR_ACCESS_DENIED;
}

std::string permissionAdvice(const std::string & /*programPath*/)
{
    return "Only a user who holds the right \"Change the system time\" (administrators do) "
           "may set the clock: ask an administrator to grant it, or start VALTORA as an "
           "administrator.";
}

std::string errorText(int error)
{
    char *buffer = nullptr;
    constexpr DWORD kFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
        | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = FormatMessageA(kFlags, nullptr, static_cast<DWORD>(error), 0,
                                        reinterpret_cast<char *>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr) {
        text.assign(buffer, length);
        // The system's texts end in CR LF, which would break a log line.
        while (!text.empty()
               && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
            text.pop_back();
        }
    } else {
        text = "Error " + std::to_string(error);
    }
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    return text;
}

} // namespace HostClockNative
