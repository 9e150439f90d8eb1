// The taskbar-clock chain under wine: a taskbar built here from the three window classes the
// overlay looks for, an overlay window laid over its clock, parented to it and put on top.
#include "overlay/trayclock.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
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
#define CHECK(condition) check((condition), #condition)

void registerClass(const char *name)
{
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

HWND child(const char *className, HWND parent, int left, int top, int width, int height)
{
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, left, top, width, height,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND handle(std::uintptr_t value)
{
    return reinterpret_cast<HWND>(value);
}

} // namespace

int main()
{
    for (const char *name : { "Shell_TrayWnd", "TrayNotifyWnd", "TrayClockWClass", "Plain" }) {
        registerClass(name);
    }
    // Without a taskbar the chain finds nothing, and nothing has a rectangle.
    TrayClock::Rectangle rectangle { 1, 2, 3, 4 };
    CHECK(TrayClock::findClockWindow() == 0);
    CHECK(!TrayClock::windowRectangle(0, rectangle));
    CHECK(rectangle.left == 0 && rectangle.top == 0 && rectangle.right == 0
          && rectangle.bottom == 0);

    // A taskbar at (0, 560) whose clock sits at (130, 4) in a notification area at (600, 2).
    const HWND taskbar = CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 560, 800,
                                         40, nullptr, nullptr, nullptr, nullptr);
    // A notification area without a clock first: the chain must look inside the one it found.
    const HWND decoy = child("Plain", taskbar, 0, 0, 100, 40);
    child("TrayClockWClass", decoy, 0, 0, 50, 40);
    const HWND notificationArea = child("TrayNotifyWnd", taskbar, 600, 2, 200, 36);
    CHECK(TrayClock::findClockWindow() == 0);
    const HWND clock = child("TrayClockWClass", notificationArea, 130, 4, 64, 28);
    CHECK(taskbar && notificationArea && clock);

    const std::uintptr_t found = TrayClock::findClockWindow();
    CHECK(handle(found) == clock);
    CHECK(TrayClock::windowRectangle(found, rectangle));
    CHECK(rectangle.left == 730 && rectangle.top == 566 && rectangle.right == 794
          && rectangle.bottom == 594);

    // The overlay as the program makes it: at (0, 0), as large as the clock.
    const HWND overlay = CreateWindowExA(0, "Plain", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 28,
                                         nullptr, nullptr, nullptr, nullptr);
    TrayClock::coverClock(reinterpret_cast<std::uintptr_t>(overlay), found);
    CHECK(GetAncestor(overlay, GA_PARENT) == clock);
    RECT covered {};
    GetWindowRect(overlay, &covered);
    CHECK(covered.left == 730 && covered.top == 566 && covered.right == 794
          && covered.bottom == 594);
    // Raised to the topmost band, so the clock's own drawing stays under it.
    CHECK((GetWindowLongA(overlay, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);

    if (failures == 0) {
        std::printf("wine_trayclock: all checks passed\n");
    }
    return failures == 0 ? 0 : 1;
}
