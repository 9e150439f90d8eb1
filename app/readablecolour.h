#pragma once

#include <QColor>

// Text colours that stay readable on the background they are drawn on, whatever the theme.
namespace ReadableColour {

// The least contrast of body text to its background that reads well: 4.5 to 1.
constexpr double kMinimumContrast = 4.5;

// The contrast ratio of two colours by their relative luminance, from 1 (equal) to 21
// (black on white), the same whichever comes first.
double contrastRatio(const QColor &first, const QColor &second);

// `wanted` itself where it reads well on `background`; otherwise the nearest colour of its
// mix with white (on a dark background) or black (on a light one) that does.
QColor on(const QColor &wanted, const QColor &background);

} // namespace ReadableColour
