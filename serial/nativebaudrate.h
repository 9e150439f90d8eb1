#pragma once

// The port's speed through its native control block: the whole block is read, only its
// speed is changed, and the whole block is written back, so every other line setting keeps
// the value the driver holds. Plain C++ with no Qt, so the Windows layer builds and runs on
// its own.

#include <cstdint>

namespace NativeBaudRate {

// Results, numbered as the port errors the program reports.
enum Status : int {
    Ok = 0,
    NotOpen = 8018,
    ReadFailed = 8021,
    WriteFailed = 8015,
};

inline constexpr const char *kNotOpenText = "Operation valid only when the port is open";
inline constexpr const char *kReadFailedText = "Could not read current state of the port";
inline constexpr const char *kWriteFailedText = "Could not set port to specified baud rate";

// The handle is the open port's file descriptor on Linux and its HANDLE on Windows. A closed
// port gives NotOpen before the operating system is asked anything.
Status setBaudRate(bool portOpen, std::intptr_t handle, std::int32_t baud);
Status getBaudRate(bool portOpen, std::intptr_t handle, std::int32_t &baud);

// Makes the port receive at the speed it sends at. A Linux tty keeps the two apart when
// something set a receive speed of its own, and later speed changes through the ordinary
// termios calls then move only the sending side; Windows has a single speed, so there it
// only checks that the port is open.
Status joinInputToOutput(bool portOpen, std::intptr_t handle);

// How many times these functions have asked the operating system, so that a caller can
// tell that a refused call never reached the device.
unsigned long systemCallCount();

} // namespace NativeBaudRate
