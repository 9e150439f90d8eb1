#include "overlay/trayclock.h"

#include <windows.h>

namespace TrayClock {

std::uintptr_t findClockWindow()
{
    // Each class is searched among the children of the one before; the first window of the
    // class wins, whatever its title. A missing link ends the search: searching "no parent"
    // would look among all top-level windows instead.
    const HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar == nullptr) {
        return 0;
    }
    const HWND notificationArea = FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr);
    if (notificationArea == nullptr) {
        return 0;
    }
    const HWND clock = FindWindowExA(notificationArea, nullptr, "TrayClockWClass", nullptr);
    return reinterpret_cast<std::uintptr_t>(clock);
}

bool windowRectangle(std::uintptr_t window, Rectangle &rectangle)
{
    rectangle = Rectangle {};
    RECT bounds {};
    if (window == 0 || !GetWindowRect(reinterpret_cast<HWND>(window), &bounds)) {
        return false;
    }
    rectangle = Rectangle { bounds.left, bounds.top, bounds.right, bounds.bottom };
    return true;
}

void coverClock(std::uintptr_t overlay, std::uintptr_t clock)
{
    const auto overlayWindow = reinterpret_cast<HWND>(overlay);
    SetParent(overlayWindow, reinterpret_cast<HWND>(clock));
    // Keep size and position (flags 3): only the z-order changes.
    SetWindowPos(overlayWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace TrayClock
