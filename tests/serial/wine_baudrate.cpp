// The Windows control-block layer under wine: a closed port is refused before the system is
// asked, a port that does not exist fails at reading its block, and on a real COM port
// (wine_baudrate.sh maps it to a pseudo-terminal and passes the tty's speed) only the speed
// changes.
#include "serial/nativebaudrate.h"
#include "serial/nativecommerror.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

using namespace NativeBaudRate;

static int failures = 0;
#define CHECK(condition)                                                                           \
    ((condition) ? void() : (std::printf("FAILED: %s\n", #condition), void(++failures)))

static HANDLE openFile(const std::string &path, DWORD flags = 0)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags,
                       nullptr);
}

static std::intptr_t id(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

int main(int argc, char *argv[])
{
    const unsigned long calls = systemCallCount();
    std::int32_t baud = 1234;
    CHECK(setBaudRate(false, id(INVALID_HANDLE_VALUE), 9600) == NotOpen);
    CHECK(getBaudRate(false, id(INVALID_HANDLE_VALUE), baud) == NotOpen);
    CHECK(joinInputToOutput(false, id(INVALID_HANDLE_VALUE)) == NotOpen);
    CHECK(systemCallCount() == calls);

    // A port that does not exist: one read each, and the set stops before writing.
    const HANDLE missing = openFile("\\\\.\\COM199");
    CHECK(missing == INVALID_HANDLE_VALUE);
    CHECK(getBaudRate(true, id(missing), baud) == ReadFailed);
    CHECK(setBaudRate(true, id(missing), 76800) == ReadFailed);
    CHECK(systemCallCount() == calls + 2 && baud == 1234);
    CHECK(!NativeCommError::clearCommError(id(missing)));

    if (argc == 3) {
        const HANDLE port = openFile(std::string("\\\\.\\") + argv[1]);
        DCB before {};
        before.DCBlength = sizeof(DCB);
        DCB after = before;
        CHECK(GetCommState(port, &before) && getBaudRate(true, id(port), baud) == Ok);
        CHECK(baud == std::atoi(argv[2]) && baud != 57600);
        CHECK(setBaudRate(true, id(port), 57600) == Ok && GetCommState(port, &after));
        CHECK(getBaudRate(true, id(port), baud) == Ok && baud == 57600);
        after.BaudRate = before.BaudRate; // all else as it was
        CHECK(std::memcmp(&before, &after, sizeof(DCB)) == 0);
        CloseHandle(port);
        std::printf("set 57600\n"); // the shell side then reads the tty's speed
    }
    if (failures == 0) {
        std::printf("all passed\n");
    }
    return failures == 0 ? 0 : 1;
}
