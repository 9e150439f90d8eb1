#include "timeofday.h"

#include "common/numbertext.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int kOverflowNumber = 6;

ErrorValue overflow()
{
    return ErrorValue { kOverflowNumber, QStringLiteral("Overflow") };
}

// Only spaces are blanks here; a tab stays and ends up in a field.
QString withoutSpacesAround(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text.at(last - 1) == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

// A whole count below 10 gets a leading zero; larger ones are written in full.
QString twoDigits(qint32 value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

// The integer part of a real division, as a signed 32-bit integer if it fits.
std::optional<qint32> floorToInt32(double value)
{
    const double whole = std::floor(value);
    if (!std::isfinite(whole) || whole < double(std::numeric_limits<qint32>::min())
        || whole > double(std::numeric_limits<qint32>::max())) {
        return std::nullopt;
    }
    return static_cast<qint32>(whole);
}

} // namespace

qint32 timetosecond(const QString &time1)
{
    const QString text = withoutSpacesAround(time1);
    // By position, not by the colons: "8:5:3" has no minutes or seconds where they belong.
    const double hours = leadingNumber(text.left(2));
    const double minutes = leadingNumber(text.mid(3, 2));
    const double seconds = leadingNumber(text.right(2));
    // Each field holds at most two characters, so the total always fits.
    return toInt32(hours * 3600 + minutes * 60 + seconds).value_or(0);
}

Result<QString> secondtotime(double secom)
{
    if (!(secom > 0)) {
        return QStringLiteral("00:00:00");
    }
    const std::optional<qint32> hours = floorToInt32(secom / 3600);
    if (!hours) {
        return overflow();
    }
    // The hours are multiplied back in 32-bit arithmetic; past that range it is an overflow.
    const qint64 hourSeconds = qint64(*hours) * 3600;
    if (hourSeconds > std::numeric_limits<qint32>::max()) {
        return overflow();
    }
    const std::optional<qint32> minutes = floorToInt32((secom - double(hourSeconds)) / 60);
    if (!minutes) {
        return overflow();
    }
    // The seconds are rounded only after the minutes were taken whole, so 59.5 becomes
    // "00:00:60" rather than "00:01:00".
    const std::optional<qint32> seconds
        = toInt32(secom - double(hourSeconds) - double(*minutes) * 60);
    if (!seconds) {
        return overflow();
    }
    return twoDigits(*hours) + QLatin1Char(':') + twoDigits(*minutes) + QLatin1Char(':')
        + twoDigits(*seconds);
}
