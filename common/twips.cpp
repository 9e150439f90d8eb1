#include "twips.h"

#include <cmath>

int twipsToPixels(int twips, double dotsPerInch)
{
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

QRect twipsToPixels(const QRect &twips, double dotsPerInch)
{
    return QRect(twipsToPixels(twips.x(), dotsPerInch), twipsToPixels(twips.y(), dotsPerInch),
                 twipsToPixels(twips.width(), dotsPerInch),
                 twipsToPixels(twips.height(), dotsPerInch));
}
