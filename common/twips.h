#pragma once

#include <QRect>

// Layout sizes are kept in twips (1/1440 inch): 15 twips are one pixel at 96 dots per inch.
constexpr int kTwipsPerPixelAt96Dpi = 15;

int twipsToPixels(int twips, double dotsPerInch = 96.0);
QRect twipsToPixels(const QRect &twips, double dotsPerInch = 96.0);
