// The window move: the press's capture is given back, then one "move by the caption".
#include "about/windowmove.h"

#include <cstdint>
#include <cstdio>
#include <windows.h>

static int moveCommands = 0;

static LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Recorded, not passed on: the system's move loop would wait for the mouse.
    if (message != WM_SYSCOMMAND) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    moveCommands += wParam == 0xF012 && lParam == 0 && GetCapture() == nullptr ? 1 : 100;
    return 0;
}

int main()
{
    WNDCLASSA windowClass {};
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = "AboutBox";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, "AboutBox", "About", WS_POPUP | WS_VISIBLE, 100, 100,
                                        300, 200, nullptr, nullptr, nullptr, nullptr);
    SetCapture(window); // as the press on the surface did
    const bool captured = window != nullptr && GetCapture() == window;
    startNativeWindowMove(reinterpret_cast<std::uintptr_t>(window));
    if (!captured || moveCommands != 1) {
        std::printf("FAILED: no single move command with the capture given back\n");
        return 1;
    }
    std::printf("wine_windowmove: all checks passed\n");
    return 0;
}
