#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of the given outer size sits when centred on the screen: half the
// difference of the sizes from the screen's top-left corner, rounded down. A window larger
// than the screen gets negative coordinates and hangs over the screen's edges on both sides.
QPoint centredWindowPosition(const QRect &screen, const QSize &outerSize);
