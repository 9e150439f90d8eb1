// The About box's window move under wine: the press's mouse capture is given back, and the
// window gets the system command "move by the caption" at once, as a title-bar drag would.
#include "about/windowmove.h"

#include <cstdint>
#include <cstdio>
#include <windows.h>

namespace {

int failures = 0;
int systemCommands = 0;
WPARAM command = 0;
LPARAM position = -1;
HWND captureDuringCommand = nullptr;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}
#define CHECK(condition) check((condition), #condition)

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND) {
        // Recorded, not passed on: the system's move loop would wait for the mouse.
        ++systemCommands;
        command = wParam;
        position = lParam;
        captureDuringCommand = GetCapture();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main()
{
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "AboutBox";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, "AboutBox", "About", WS_POPUP | WS_VISIBLE, 100, 100,
                                        300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    CHECK(window != nullptr);
    // The press on the surface gave the window the mouse capture.
    SetCapture(window);
    CHECK(GetCapture() == window);

    startNativeWindowMove(reinterpret_cast<std::uintptr_t>(window));
    CHECK(systemCommands == 1);
    CHECK(command == 0xF012);
    CHECK(position == 0);
    CHECK(captureDuringCommand == nullptr);

    if (failures == 0) {
        std::printf("wine_windowmove: all checks passed\n");
    }
    return failures == 0 ? 0 : 1;
}
