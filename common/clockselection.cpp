#include "clockselection.h"

#include "hostclock.h"
#include "simulatedclock.h"

#include <QRegularExpression>

namespace {

const QString kSimulated = QStringLiteral("simulated");
const QString kStartSeparator = QStringLiteral("@");

ClockSelection refused(const QString &setting, const QString &reason)
{
    ClockSelection selection;
    selection.error
        = QStringLiteral("VALTORA: VALTORA_CLOCK=\"%1\" is refused: %2. Use \"system\", "
                         "\"simulated\" or \"simulated@YYYY-MM-DDThh:mm:ss\".")
              .arg(setting, reason);
    return selection;
}

ClockSelection simulatedFrom(std::unique_ptr<SimulatedClock> clock)
{
    ClockSelection selection;
    selection.notice = QStringLiteral("VALTORA: using a simulated clock starting at %1; the "
                                      "computer's clock is never changed")
                           .arg(clock->now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    selection.clock = std::move(clock);
    return selection;
}

} // namespace

ClockSelection selectSystemClock(const QString &setting)
{
    if (setting.isEmpty() || setting == QLatin1String("system")) {
        ClockSelection selection;
        selection.clock = std::make_unique<HostClock>();
        return selection;
    }
    if (setting == kSimulated) {
        return simulatedFrom(std::make_unique<SimulatedClock>());
    }
    if (!setting.startsWith(kSimulated + kStartSeparator)) {
        return refused(setting, QStringLiteral("unknown clock"));
    }

    // Read by fixed pattern rather than by QDateTime's lenient parser, so that a start such
    // as 2026-2-30T25:00 is refused instead of silently becoming some other moment.
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})$"));
    const QString startText = setting.mid(kSimulated.size() + kStartSeparator.size());
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
    return simulatedFrom(std::make_unique<SimulatedClock>(start));
}
