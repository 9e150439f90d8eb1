// The Windows control-block layer under wine; wine_baudrate.sh gives it a real COM port.
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

static std::intptr_t openPort(const std::string &name)
{
    return reinterpret_cast<std::intptr_t>(CreateFileA(("\\\\.\\" + name).c_str(),
                                                       GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                       OPEN_EXISTING, 0, nullptr));
}

int main(int argc, char *argv[])
{
    const unsigned long calls = systemCallCount();
    const std::intptr_t missing = openPort("COM199");
    std::int32_t baud = 1234;
    CHECK(missing == reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE));
    CHECK(setBaudRate(false, missing, 9600) == NotOpen);
    CHECK(getBaudRate(false, missing, baud) == NotOpen);
    CHECK(joinInputToOutput(false, missing) == NotOpen);
    CHECK(systemCallCount() == calls);
    // One read each, and the set stops before writing.
    CHECK(getBaudRate(true, missing, baud) == ReadFailed);
    CHECK(setBaudRate(true, missing, 76800) == ReadFailed);
    CHECK(systemCallCount() == calls + 2 && baud == 1234);
    CHECK(!NativeCommError::clearCommError(missing));

    if (argc == 3) {
        const std::intptr_t port = openPort(argv[1]);
        const HANDLE handle = reinterpret_cast<HANDLE>(port);
        DCB before {};
        before.DCBlength = sizeof(DCB);
        DCB after = before;
        CHECK(GetCommState(handle, &before) && getBaudRate(true, port, baud) == Ok);
        CHECK(baud == std::atoi(argv[2]) && baud != 57600);
        CHECK(setBaudRate(true, port, 57600) == Ok && GetCommState(handle, &after));
        CHECK(getBaudRate(true, port, baud) == Ok && baud == 57600);
        after.BaudRate = before.BaudRate; // all else as it was
        CHECK(std::memcmp(&before, &after, sizeof(DCB)) == 0);
        CloseHandle(handle);
        std::printf("set 57600\n"); // the shell side then reads the tty's speed
    }
    if (failures == 0) {
        std::printf("all passed\n");
    }
    return failures == 0 ? 0 : 1;
}
