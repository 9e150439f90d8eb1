#include "nativebaudrate.h"

// The termios2 structure carries the speed as a number, so any rate the driver takes can be
// set and read back, not only the ones with a B-constant. These headers cannot share a file
// with <termios.h>.
#include <asm/termbits.h>
#include <atomic>
#include <sys/ioctl.h>

namespace NativeBaudRate {

namespace {
std::atomic<unsigned long> s_systemCalls { 0 };

bool readBlock(std::intptr_t handle, termios2 &block)
{
    ++s_systemCalls;
    return ::ioctl(static_cast<int>(handle), TCGETS2, &block) == 0;
}

// The input-speed field is left at B0, which the tty layer reads as "same as output". An
// input speed of its own (BOTHER there) would stay behind when a later ordinary termios
// call, which knows nothing of it, changes only the output field: the port would go on
// receiving at the old rate while it reports the new one.
void followOutput(termios2 &block)
{
    block.c_cflag &= ~(CBAUD << IBSHIFT);
    block.c_ispeed = block.c_ospeed;
}

bool inputFollowsOutput(const termios2 &block)
{
    return ((block.c_cflag >> IBSHIFT) & CBAUD) == B0;
}
} // namespace

Status setBaudRate(bool portOpen, std::intptr_t handle, std::int32_t baud)
{
    if (!portOpen) {
        return NotOpen;
    }
    termios2 block {};
    if (!readBlock(handle, block)) {
        return ReadFailed;
    }
    if (baud <= 0) {
        // No line runs at such a speed; refuse it the way the driver would refuse any other.
        return WriteFailed;
    }
    block.c_cflag &= ~CBAUD;
    block.c_cflag |= BOTHER;
    block.c_ospeed = static_cast<speed_t>(baud);
    followOutput(block);
    ++s_systemCalls;
    if (::ioctl(static_cast<int>(handle), TCSETS2, &block) != 0) {
        return WriteFailed;
    }
    return Ok;
}

Status getBaudRate(bool portOpen, std::intptr_t handle, std::int32_t &baud)
{
    if (!portOpen) {
        return NotOpen;
    }
    termios2 block {};
    if (!readBlock(handle, block)) {
        return ReadFailed;
    }
    baud = static_cast<std::int32_t>(block.c_ospeed);
    return Ok;
}

Status joinInputToOutput(bool portOpen, std::intptr_t handle)
{
    if (!portOpen) {
        return NotOpen;
    }
    termios2 block {};
    if (!readBlock(handle, block)) {
        return ReadFailed;
    }
    if (inputFollowsOutput(block)) {
        return Ok;
    }
    followOutput(block);
    ++s_systemCalls;
    if (::ioctl(static_cast<int>(handle), TCSETS2, &block) != 0) {
        return WriteFailed;
    }
    return Ok;
}

unsigned long systemCallCount()
{
    return s_systemCalls.load();
}

} // namespace NativeBaudRate
