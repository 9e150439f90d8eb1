#include "overlayplacement.h"

#include <algorithm>
#include <cmath>

namespace OverlayPlacement {

QRect notificationAreaRectangle(const QRect &screen, const QRect &available)
{
    if (screen.isEmpty()) {
        return {};
    }
    const int length = std::min(kLength, screen.width());
    const int height = std::min(kFallbackHeight, screen.height());
    // An available area that does not lie on the screen says nothing about a panel.
    const QRect usable = available.intersected(screen);
    if (!usable.isEmpty()) {
        // QRect's right() and bottom() are the last pixel inside, hence the + 1.
        const int bottomStrip = screen.bottom() - usable.bottom();
        const int topStrip = usable.top() - screen.top();
        const int rightStrip = screen.right() - usable.right();
        const int leftStrip = usable.left() - screen.left();
        if (bottomStrip > 0) {
            return QRect(screen.right() + 1 - length, usable.bottom() + 1, length, bottomStrip);
        }
        if (topStrip > 0) {
            return QRect(screen.right() + 1 - length, screen.top(), length, topStrip);
        }
        if (rightStrip > 0) {
            return QRect(usable.right() + 1, screen.bottom() + 1 - height, rightStrip, height);
        }
        if (leftStrip > 0) {
            return QRect(screen.left(), screen.bottom() + 1 - height, leftStrip, height);
        }
    }
    return QRect(screen.right() + 1 - length, screen.bottom() + 1 - height, length, height);
}

QSize sizeOverClock(const QSize &outer, const QSize &inner, const QSize &clock)
{
    const auto scaled = [](int outerSide, int innerSide, int clockSide) {
        if (innerSide <= 0) {
            return std::max(clockSide, 0);
        }
        return std::max(
            0,
            static_cast<int>(std::lround(static_cast<double>(outerSide) * clockSide / innerSide)));
    };
    return QSize(scaled(outer.width(), inner.width(), clock.width()),
                 scaled(outer.height(), inner.height(), clock.height()));
}

} // namespace OverlayPlacement
