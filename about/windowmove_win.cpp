#include "about/windowmove.h"

#include <windows.h>

void startNativeWindowMove(std::uintptr_t window)
{
    // The press gave us the mouse capture; the system's move loop needs it back.
    ReleaseCapture();
    // "Move" combined with the title bar's hit-test code: the system treats the press as a
    // press on the caption. Only the low 16 bits of the command count.
    constexpr WPARAM kMoveByCaption = 0xF012;
    SendMessageA(reinterpret_cast<HWND>(window), WM_SYSCOMMAND, kMoveByCaption, 0);
}
