#include "nativebaudrate.h"

#include <atomic>
#include <windows.h>

namespace NativeBaudRate {

namespace {
std::atomic<unsigned long> s_systemCalls { 0 };

bool readBlock(std::intptr_t handle, DCB &block)
{
    block = DCB {};
    block.DCBlength = sizeof(DCB);
    ++s_systemCalls;
    return GetCommState(reinterpret_cast<HANDLE>(handle), &block) != FALSE;
}
} // namespace

Status setBaudRate(bool portOpen, std::intptr_t handle, std::int32_t baud)
{
    if (!portOpen) {
        return NotOpen;
    }
    DCB block;
    if (!readBlock(handle, block)) {
        return ReadFailed;
    }
    if (baud <= 0) {
        // A negative speed would turn into a huge unsigned rate; no driver runs at either.
        return WriteFailed;
    }
    block.BaudRate = static_cast<DWORD>(baud);
    ++s_systemCalls;
    if (SetCommState(reinterpret_cast<HANDLE>(handle), &block) == FALSE) {
        return WriteFailed;
    }
    return Ok;
}

Status getBaudRate(bool portOpen, std::intptr_t handle, std::int32_t &baud)
{
    if (!portOpen) {
        return NotOpen;
    }
    DCB block;
    if (!readBlock(handle, block)) {
        return ReadFailed;
    }
    baud = static_cast<std::int32_t>(block.BaudRate);
    return Ok;
}

Status joinInputToOutput(bool portOpen, std::intptr_t /*handle*/)
{
    // The control block holds one speed for both directions: nothing can be apart.
    return portOpen ? Ok : NotOpen;
}

unsigned long systemCallCount()
{
    return s_systemCalls.load();
}

} // namespace NativeBaudRate
