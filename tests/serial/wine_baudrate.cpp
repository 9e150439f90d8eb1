// The Windows control-block layer on its own: a closed port is refused before the system is
// asked anything, and a port that does not exist fails at reading the block. Given a COM
// port that wine maps to a pseudo-terminal (wine_baudrate.sh) and the speed that tty shows,
// it reads that speed, sets another one and checks that the rest of the block stayed.
#include "serial/nativebaudrate.h"
#include "serial/nativecommerror.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

int failures = 0;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}
#define CHECK(condition) check((condition), #condition)

std::intptr_t handleValue(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

// The speed a test sets on the port: a standard one that the tty did not have before.
constexpr std::int32_t kNewSpeed = 57600;

void checkRealPort(const char *port, std::int32_t ttySpeed)
{
    const std::string path = std::string("\\\\.\\") + port;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    CHECK(handle != INVALID_HANDLE_VALUE);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    using namespace NativeBaudRate;
    std::int32_t baud = 0;
    CHECK(getBaudRate(true, handleValue(handle), baud) == Ok);
    CHECK(baud == ttySpeed);
    CHECK(ttySpeed != kNewSpeed);
    DCB before {};
    before.DCBlength = sizeof(DCB);
    GetCommState(handle, &before);

    CHECK(setBaudRate(true, handleValue(handle), kNewSpeed) == Ok);
    CHECK(getBaudRate(true, handleValue(handle), baud) == Ok);
    CHECK(baud == kNewSpeed);
    DCB after {};
    after.DCBlength = sizeof(DCB);
    GetCommState(handle, &after);
    // Only the speed changed: compare the blocks with the old speed put back.
    after.BaudRate = before.BaudRate;
    CHECK(std::memcmp(&before, &after, sizeof(DCB)) == 0);
    CloseHandle(handle);
    // The shell side reads the tty's speed after this line.
    std::printf("set %d\n", int(kNewSpeed));
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace NativeBaudRate;
    // A closed port: 8018, and no system call at all.
    const std::intptr_t invalid = handleValue(INVALID_HANDLE_VALUE);
    const unsigned long callsBefore = systemCallCount();
    std::int32_t baud = 1234;
    CHECK(setBaudRate(false, invalid, 9600) == NotOpen);
    CHECK(getBaudRate(false, invalid, baud) == NotOpen);
    CHECK(joinInputToOutput(false, invalid) == NotOpen);
    CHECK(systemCallCount() == callsBefore);
    CHECK(baud == 1234);
    CHECK(NotOpen == 8018 && ReadFailed == 8021 && WriteFailed == 8015);

    // A port that does not exist: opening gives no handle, and reading its block fails.
    HANDLE missing = CreateFileA("\\\\.\\COM199", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    CHECK(missing == INVALID_HANDLE_VALUE);
    const unsigned long callsBeforeRead = systemCallCount();
    CHECK(getBaudRate(true, handleValue(missing), baud) == ReadFailed);
    CHECK(setBaudRate(true, handleValue(missing), 76800) == ReadFailed);
    // One read each; the set stopped before writing.
    CHECK(systemCallCount() == callsBeforeRead + 2);
    CHECK(baud == 1234);
    CHECK(!NativeCommError::clearCommError(handleValue(missing)));

    // A handle that is not a serial port has no control block either.
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "vlt", 0, path);
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    if (file != INVALID_HANDLE_VALUE) {
        CHECK(getBaudRate(true, handleValue(file), baud) == ReadFailed);
        CloseHandle(file);
    }

    if (argc == 3) {
        checkRealPort(argv[1], static_cast<std::int32_t>(std::atoi(argv[2])));
    }

    if (failures == 0) {
        std::printf("all passed\n");
    }
    return failures == 0 ? 0 : 1;
}
