#include "clockselection.h"

#include "hostclock.h"
#include "simulatedclock.h"

#include <QRegularExpression>
#include <cmath>
#include <optional>

namespace {

const QString kSimulated = QStringLiteral("simulated");
const QString kStartSeparator = QStringLiteral("@");
const QString kRateSeparator = QStringLiteral("~");
// A real clock's crystal is off by tens of parts per million; a thousand shows a saw-tooth
// within minutes and is still a clock.
constexpr double kLargestRatePpm = 1000;

ClockSelection refused(const QString &setting, const QString &reason)
{
    ClockSelection selection;
    selection.error
        = QStringLiteral("VALTORA: VALTORA_CLOCK=\"%1\" is refused: %2. Use \"system\", "
                         "\"simulated\" or \"simulated@YYYY-MM-DDThh:mm:ss\", either with a rate "
                         "such as \"~+50ppm\" after it.")
              .arg(setting, reason);
    return selection;
}

ClockSelection simulatedFrom(std::unique_ptr<SimulatedClock> clock)
{
    ClockSelection selection;
    const QString rate = clock->ratePpm() == 0
        ? QString()
        : QStringLiteral(", running %1 ppm %2")
              .arg(std::abs(clock->ratePpm()))
              .arg(clock->ratePpm() > 0 ? QStringLiteral("fast") : QStringLiteral("slow"));
    selection.notice = QStringLiteral("VALTORA: using a simulated clock starting at %1%2; the "
                                      "computer's clock is never changed")
                           .arg(clock->now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), rate);
    selection.clock = std::move(clock);
    return selection;
}

// "+50ppm", "-12.5ppm": parts per million; empty when it is not such a rate.
std::optional<double> rateOf(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^([+-]?[0-9]+(\\.[0-9]+)?)ppm$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1).toDouble();
}

} // namespace

ClockSelection selectSystemClock(const QString &setting)
{
    if (setting.isEmpty() || setting == QLatin1String("system")) {
        ClockSelection selection;
        selection.clock = std::make_unique<HostClock>();
        return selection;
    }
    const qsizetype rateAt = setting.indexOf(kRateSeparator);
    const QString clockText = setting.left(rateAt);
    double ratePpm = 0;
    if (rateAt >= 0) {
        const auto rate = rateOf(setting.mid(rateAt + kRateSeparator.size()));
        if (!rate || std::abs(*rate) > kLargestRatePpm) {
            return refused(setting,
                           QStringLiteral("the rate is not written like +50ppm, within "
                                          "1000 ppm either way"));
        }
        ratePpm = *rate;
    }
    if (clockText == kSimulated) {
        return simulatedFrom(std::make_unique<SimulatedClock>(QDateTime(), ratePpm));
    }
    if (!clockText.startsWith(kSimulated + kStartSeparator)) {
        return refused(setting, QStringLiteral("unknown clock"));
    }

    // Read by fixed pattern rather than by QDateTime's lenient parser, so that a start such
    // as 2026-2-30T25:00 is refused instead of silently becoming some other moment.
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})$"));
    const QString startText = clockText.mid(kSimulated.size() + kStartSeparator.size());
    const QRegularExpressionMatch match = pattern.match(startText);
    if (!match.hasMatch()) {
        return refused(setting, QStringLiteral("the start is not written YYYY-MM-DDThh:mm:ss"));
    }
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.captured(6).toInt());
    if (!date.isValid() || !time.isValid()) {
        return refused(setting, QStringLiteral("the start is not a real date and time"));
    }
    // A start in the hour skipped by a daylight-saving change does not exist on this
    // computer's clock.
    const QDateTime start(date, time);
    if (!start.isValid()) {
        return refused(setting, QStringLiteral("the start does not exist in the local time zone"));
    }
    return simulatedFrom(std::make_unique<SimulatedClock>(start, ratePpm));
}
