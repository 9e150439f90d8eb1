#include "numbertext.h"

#include <cmath>
#include <limits>

double leadingNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t'))) {
        ++i;
    }
    QString number;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        number += text.at(i);
        ++i;
    }
    bool anyDigit = false;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        number += text.at(i);
        anyDigit = true;
        ++i;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        number += QLatin1Char('.');
        ++i;
        while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            number += text.at(i);
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit) {
        return 0.0;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

double roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default
    // and never changed by this program.
    return std::nearbyint(value);
}

namespace {
template<typename Int>
std::optional<Int> toInteger(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = roundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min())
        || rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}
} // namespace

std::optional<qint16> toInt16(double value)
{
    return toInteger<qint16>(value);
}

std::optional<qint32> toInt32(double value)
{
    return toInteger<qint32>(value);
}

std::optional<bool> booleanFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return value != 0.0;
}
