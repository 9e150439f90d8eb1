#pragma once

#include <QRect>
#include <QSize>

// Where the clock overlay goes on a desktop without the taskbar windows it could sit in: over
// the notification-area end of the desktop's panel, i.e. the strip of the screen that lies
// outside its available area. A strip at the bottom or the top gets the overlay at its right
// end, a strip at a side at its bottom end; the overlay always fills the strip's thickness.
// Without a strip, a small overlay sits in the screen's bottom-right corner.
namespace OverlayPlacement {

constexpr int kLength = 100; // along a panel, and the width without one
constexpr int kFallbackHeight = 28; // across a side panel, and the height without one

QRect notificationAreaRectangle(const QRect &screen, const QRect &available);

// The outer size that makes a window's inside as large as the clock: each outer side scaled by
// the clock's side over the current inner side. For a borderless window, whose outer and inner
// sizes are equal, this is the clock's size. An empty inside cannot be scaled: then the clock's
// own size is used.
QSize sizeOverClock(const QSize &outer, const QSize &inner, const QSize &clock);

} // namespace OverlayPlacement
