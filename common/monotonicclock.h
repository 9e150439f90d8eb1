#pragma once

#include <QtGlobal>

#include <chrono>

// Nanoseconds on a clock that never jumps, not even when the program sets the wall clock.
inline qint64 monotonicNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
