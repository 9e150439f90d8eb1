// The About box's window move: the press's capture is given back, then "move by the caption".
#include "about/windowmove.h"

#include <cstdint>
#include <cstdio>
#include <windows.h>

namespace {

int systemCommands = 0;
WPARAM command = 0;
LPARAM position = -1;
HWND captureDuringCommand = nullptr;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Recorded, not passed on: the system's move loop would wait for the mouse.
    if (message != WM_SYSCOMMAND) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ++systemCommands;
    command = wParam;
    position = lParam;
    captureDuringCommand = GetCapture();
    return 0;
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
    SetCapture(window); // as the press on the surface did
    const bool captured = window != nullptr && GetCapture() == window;
    startNativeWindowMove(reinterpret_cast<std::uintptr_t>(window));
    if (!captured || systemCommands != 1 || command != 0xF012 || position != 0
        || captureDuringCommand != nullptr) {
        std::printf("FAILED: no single move command with the capture given back\n");
        return 1;
    }
    std::printf("wine_windowmove: all checks passed\n");
    return 0;
}
