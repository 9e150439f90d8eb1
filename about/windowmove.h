#pragma once

#include <cstdint>

// Hands a window over to the window system, which then moves it with the mouse exactly as a
// drag of its title bar does, until the button is released. `window` is the native handle.
void startNativeWindowMove(std::uintptr_t window);
