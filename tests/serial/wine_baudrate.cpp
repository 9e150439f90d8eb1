// The Windows control-block layer on its own: a closed port is refused before the system is
// asked anything, and a port that does not exist fails at reading the block.
#include "serial/nativebaudrate.h"
#include "serial/nativecommerror.h"

#include <cstdint>
#include <cstdio>
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

} // namespace

int main()
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

    if (failures == 0) {
        std::printf("all passed\n");
    }
    return failures == 0 ? 0 : 1;
}
