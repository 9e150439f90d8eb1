#pragma once

// Clearing a port's line-error state after a framing, parity, overrun or break error. On
// Windows the driver stops reading until the error is cleared; a Linux tty has no such
// state, so only the Windows layer exists. Plain C++ with no Qt.

#include <cstdint>

namespace NativeCommError {

// The handle is the open port's HANDLE. False when the system refuses.
bool clearCommError(std::intptr_t handle);

} // namespace NativeCommError
