#include "dialogplacement.h"

#include <cmath>

QPoint centredWindowPosition(const QRect &screen, const QSize &outerSize)
{
    const double left = (screen.width() - outerSize.width()) / 2.0;
    const double top = (screen.height() - outerSize.height()) / 2.0;
    return screen.topLeft()
        + QPoint(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)));
}

std::optional<QPoint> recentredOnceFramed(const QRect &screen, const QPoint &placedAt,
                                          const QRect &geometry, const QRect &frameGeometry)
{
    if (frameGeometry.size() == geometry.size() || geometry.topLeft() != placedAt) {
        return std::nullopt;
    }
    return centredWindowPosition(screen, frameGeometry.size());
}
