#pragma once

#include <cstdint>

// The clock in the notification area of the Windows taskbar, found through the chain of
// window classes the taskbar is built from. Free of Qt: the Windows side is plain Win32.
namespace TrayClock {

struct Rectangle
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The native handle of the clock window, or 0 when a link of the chain is missing.
std::uintptr_t findClockWindow();
// The window's rectangle in screen pixels; false (and all zeros) when it cannot be read.
bool windowRectangle(std::uintptr_t window, Rectangle &rectangle);
// Makes `overlay` a child of the clock window, so that its position (0, 0) is the clock's
// top-left corner, and raises it to the top without moving or resizing it.
void coverClock(std::uintptr_t overlay, std::uintptr_t clock);

} // namespace TrayClock
