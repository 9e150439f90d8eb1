#include "readablecolour.h"

#include <algorithm>
#include <cmath>

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour)
{
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

QColor mixed(const QColor &from, const QColor &to, double share)
{
    const auto channel = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

} // namespace

namespace ReadableColour {

double contrastRatio(const QColor &first, const QColor &second)
{
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor on(const QColor &wanted, const QColor &background)
{
    if (contrastRatio(wanted, background) >= kMinimumContrast) {
        return wanted;
    }
    // Towards whichever end contrasts more with the background, in small steps, so the
    // colour keeps as much of its hue as it can.
    const QColor end = contrastRatio(Qt::white, background) >= contrastRatio(Qt::black, background)
        ? QColor(Qt::white)
        : QColor(Qt::black);
    constexpr int kSteps = 100;
    for (int step = 1; step <= kSteps; ++step) {
        const QColor candidate = mixed(wanted, end, double(step) / kSteps);
        if (contrastRatio(candidate, background) >= kMinimumContrast) {
            return candidate;
        }
    }
    return end;
}

} // namespace ReadableColour
