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

std::intptr_t handleValue(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

} // namespace

int main()
{
    // A closed port: 8018, and no system call at all.
    const unsigned long callsBefore = NativeBaudRate::systemCallCount();
    std::int32_t baud = 1234;
    check(NativeBaudRate::setBaudRate(false, handleValue(INVALID_HANDLE_VALUE), 9600)
              == NativeBaudRate::NotOpen,
          "set on a closed port gives 8018");
    check(NativeBaudRate::getBaudRate(false, handleValue(INVALID_HANDLE_VALUE), baud)
              == NativeBaudRate::NotOpen,
          "get on a closed port gives 8018");
    check(NativeBaudRate::joinInputToOutput(false, handleValue(INVALID_HANDLE_VALUE))
              == NativeBaudRate::NotOpen,
          "joining speeds on a closed port gives 8018");
    check(NativeBaudRate::systemCallCount() == callsBefore, "closed port made no system call");
    check(baud == 1234, "closed port left the speed untouched");
    check(NativeBaudRate::NotOpen == 8018 && NativeBaudRate::ReadFailed == 8021
              && NativeBaudRate::WriteFailed == 8015,
          "error numbers");

    // A port that does not exist: opening gives no handle, and reading its block fails.
    HANDLE missing = CreateFileA("\\\\.\\COM199", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    check(missing == INVALID_HANDLE_VALUE, "COM199 does not open");
    const unsigned long callsBeforeRead = NativeBaudRate::systemCallCount();
    check(NativeBaudRate::getBaudRate(true, handleValue(missing), baud)
              == NativeBaudRate::ReadFailed,
          "get on a missing port gives 8021");
    check(NativeBaudRate::setBaudRate(true, handleValue(missing), 76800)
              == NativeBaudRate::ReadFailed,
          "set on a missing port gives 8021");
    // One read each; the set stopped before writing.
    check(NativeBaudRate::systemCallCount() == callsBeforeRead + 2, "only the reads were tried");
    check(baud == 1234, "failed read left the speed untouched");
    check(!NativeCommError::clearCommError(handleValue(missing)),
          "clearing errors of a missing port fails");

    // A handle that is not a serial port has no control block either.
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "vlt", 0, path);
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    check(file != INVALID_HANDLE_VALUE, "temporary file opens");
    if (file != INVALID_HANDLE_VALUE) {
        check(NativeBaudRate::getBaudRate(true, handleValue(file), baud)
                  == NativeBaudRate::ReadFailed,
              "get on a plain file gives 8021");
        CloseHandle(file);
    }

    if (failures == 0) {
        std::printf("all passed\n");
    }
    return failures == 0 ? 0 : 1;
}
