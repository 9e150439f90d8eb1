// The taskbar-clock chain under wine: a taskbar built here from the window classes the
// overlay looks for, and an overlay window laid over its clock, parented to it, on top.
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

// The clock's place on the screen below.
template<typename Rectangle> static bool onClock(const Rectangle &r)
{
    return r.left == 730 && r.top == 566 && r.right == 794 && r.bottom == 594;
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
    // Without a taskbar nothing is found, and nothing has a rectangle.
    TrayClock::Rectangle rectangle { 1, 2, 3, 4 };
    CHECK(TrayClock::findClockWindow() == 0);
    CHECK(!TrayClock::windowRectangle(0, rectangle) && rectangle.left == 0 && rectangle.top == 0
          && rectangle.right == 0 && rectangle.bottom == 0);

    // A taskbar at (0, 560) whose clock sits at (130, 4) in a notification area at (600, 2).
    // A clock under another child comes first: the chain must look inside the area it found.
    const HWND taskbar = window("Shell_TrayWnd", nullptr, 0, 560, 800, 40);
    window("TrayClockWClass", window("Plain", taskbar, 0, 0, 100, 40), 0, 0, 50, 40);
    const HWND area = window("TrayNotifyWnd", taskbar, 600, 2, 200, 36);
    CHECK(TrayClock::findClockWindow() == 0);
    const HWND clock = window("TrayClockWClass", area, 130, 4, 64, 28);
    const std::uintptr_t found = TrayClock::findClockWindow();
    CHECK(reinterpret_cast<HWND>(found) == clock);
    CHECK(TrayClock::windowRectangle(found, rectangle) && onClock(rectangle));

    // The overlay as the program makes it: at (0, 0), as large as the clock; then in the
    // topmost band, so the clock's own drawing stays under it.
    const HWND overlay = window("Plain", nullptr, 0, 0, 64, 28);
    TrayClock::coverClock(reinterpret_cast<std::uintptr_t>(overlay), found);
    RECT covered {};
    GetWindowRect(overlay, &covered);
    CHECK(GetAncestor(overlay, GA_PARENT) == clock);
    CHECK(onClock(covered));
    CHECK((GetWindowLongA(overlay, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    return failures == 0 ? 0 : 1;
}
