#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

// Where a window of the given outer size sits when centred on the screen: half the
// difference of the sizes from the screen's top-left corner, rounded down. A window larger
// than the screen gets negative coordinates and hangs over the screen's edges on both sides.
QPoint centredWindowPosition(const QRect &screen, const QSize &outerSize);

// A window centred on its inner size before the window manager framed it (X11 window managers
// add the frame only after the window is mapped): where it goes once the frame is known, so
// that its outer size is centred. Nothing while the frame is not known yet (outer and inner
// sizes equal) or once the window's inside has left `placedAt`, where it was put: then the
// user has moved it.
std::optional<QPoint> recentredOnceFramed(const QRect &screen, const QPoint &placedAt,
                                          const QRect &geometry, const QRect &frameGeometry);
