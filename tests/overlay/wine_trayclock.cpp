// Under wine: the overlay finds a taskbar clock built here and lies over it, on top.
#include "overlay/trayclock.h"

#include <cstdio>
#include <initializer_list>
#include <windows.h>

static int failures = 0;
#define CHECK(condition)                                                                           \
    ((condition) ? void() : (std::printf("FAILED: %s\n", #condition), void(++failures)))

static HWND window(const char *className, HWND parent, int left, int top, int width, int height)
{
    return CreateWindowExA(0, className, "", (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, left, top,
                           width, height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

int main()
{
    for (const char *name : { "Shell_TrayWnd", "TrayNotifyWnd", "TrayClockWClass", "Plain" }) {
        WNDCLASSA windowClass {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = name;
        RegisterClassA(&windowClass);
    }
    // A taskbar at (0, 560) whose clock sits at (130, 4) in a notification area at (600, 2).
    // A clock under another child comes first: the chain must look inside the area it found.
    const HWND taskbar = window("Shell_TrayWnd", nullptr, 0, 560, 800, 40);
    window("TrayClockWClass", window("Plain", taskbar, 0, 0, 100, 40), 0, 0, 50, 40);
    const HWND area = window("TrayNotifyWnd", taskbar, 600, 2, 200, 36);
    CHECK(TrayClock::findClockWindow() == 0);
    const HWND clock = window("TrayClockWClass", area, 130, 4, 64, 28);
    const std::uintptr_t found = TrayClock::findClockWindow();
    TrayClock::Rectangle r {};
    CHECK(reinterpret_cast<HWND>(found) == clock && TrayClock::windowRectangle(found, r));
    CHECK(r.left == 730 && r.top == 566 && r.right == 794 && r.bottom == 594);

    // The overlay as the program makes it, as large as the clock; it must land on the clock, in
    // the topmost band, so the clock's own drawing stays under it.
    const HWND overlay = window("Plain", nullptr, 0, 0, 64, 28);
    TrayClock::coverClock(reinterpret_cast<std::uintptr_t>(overlay), found);
    RECT covered {};
    GetWindowRect(overlay, &covered);
    CHECK(GetAncestor(overlay, GA_PARENT) == clock);
    CHECK(covered.left == r.left && covered.top == r.top && covered.right == r.right
          && covered.bottom == r.bottom);
    CHECK((GetWindowLongA(overlay, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    return failures == 0 ? 0 : 1;
}
