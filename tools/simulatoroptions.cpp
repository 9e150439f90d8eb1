#include "simulatoroptions.h"

#include <cmath>

namespace {

constexpr int kMinimumBaud = 50;
constexpr int kMaximumBaud = 4000000;
constexpr int kMinimumIntervalMs = 20;
constexpr int kMaximumIntervalMs = 3600000;
constexpr int kMaximumSkipSeconds = 86400;

ErrorValue badOption(const QString &text)
{
    return ErrorValue { 2, text };
}

std::optional<qint64> wholeNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok || text.startsWith(QLatin1Char('+')) || text.contains(QLatin1Char(' '))) {
        return std::nullopt;
    }
    return value;
}

// Strictly YYYY-MM-DDThh:mm:ss, read as local time.
std::optional<QDateTime> startTime(const QString &text)
{
    static const QString kFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");
    if (text.size() != kFormat.size()) {
        return std::nullopt;
    }
    const QDateTime value = QDateTime::fromString(text, kFormat);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

QString simulatorUsage()
{
    return QStringLiteral(
        "Usage: valtora-sim [options]\n"
        "Sends the frames of a serial time receiver, one at each second of its clock:\n"
        "0xAA 0xA1 0xA2, century, year, month, day, day of week, hour, minute, second (BCD),\n"
        "0x03. Each byte is written when its last bit would have left a real line.\n"
        "By default it opens a pseudo-terminal and prints the device to open on the\n"
        "first line of its output.\n"
        "\n"
        "Options:\n"
        "  --link PATH            make PATH a symbolic link to that device (removed at exit)\n"
        "  --device PATH          write to this serial device instead of a pseudo-terminal\n"
        "  --baud N               line speed, 50 to 4000000 (default 9600, 8N1)\n"
        "  --start YYYY-MM-DDThh:mm:ss\n"
        "                         start the clock there (local time); it runs at the real rate\n"
        "  --stale                repeat the first frame's time in every frame\n"
        "  --skip N               skip N seconds between frames' times (0 to 86400)\n"
        "  --noise RATE           send about RATE random bytes a second between frames\n"
        "  --split                send each frame in several pieces with short pauses\n"
        "  --count N              end after N frames (default: run until stopped)\n"
        "  --interval-ms N        time between frames, 20 to 3600000 ms (default 1000)\n"
        "  --seed N               seed of the random noise and pieces, for a repeatable run\n"
        "  --help                 show this text\n"
        "\n"
        "Ctrl+C (SIGINT) or SIGTERM end it and remove its link.\n"
        "Exit codes: 0 done, 1 the device or link could not be set up, 2 bad options.\n");
}

Result<SimulatorOptions> parseSimulatorOptions(const QStringList &arguments)
{
    SimulatorOptions options;
    bool seenLink = false;

    for (qsizetype index = 0; index < arguments.size(); ++index) {
        QString name = arguments[index];
        std::optional<QString> inlineValue;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && equals > 0) {
            inlineValue = name.mid(equals + 1);
            name = name.left(equals);
        }

        const auto takesNoValue = [&]() -> std::optional<ErrorValue> {
            if (inlineValue) {
                return badOption(QStringLiteral("option %1 takes no value").arg(name));
            }
            return std::nullopt;
        };
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue) {
                return inlineValue;
            }
            if (index + 1 < arguments.size()) {
                return arguments[++index];
            }
            return std::nullopt;
        };
        const auto missing
            = [&]() { return badOption(QStringLiteral("option %1 needs a value").arg(name)); };
        const auto wholeIn
            = [&](qint64 low, qint64 high, const QString &meaning) -> Result<qint64> {
            const std::optional<QString> text = value();
            if (!text) {
                return missing();
            }
            const std::optional<qint64> number = wholeNumber(*text);
            if (!number || *number < low || *number > high) {
                return badOption(QStringLiteral("%1 wants %2 from %3 to %4, not \"%5\"")
                                     .arg(name, meaning)
                                     .arg(low)
                                     .arg(high)
                                     .arg(*text));
            }
            return *number;
        };

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            if (auto error = takesNoValue()) {
                return *error;
            }
            options.help = true;
        } else if (name == QLatin1String("--stale")) {
            if (auto error = takesNoValue()) {
                return *error;
            }
            options.stale = true;
        } else if (name == QLatin1String("--split")) {
            if (auto error = takesNoValue()) {
                return *error;
            }
            options.split = true;
        } else if (name == QLatin1String("--link") || name == QLatin1String("--device")) {
            const std::optional<QString> text = value();
            if (!text) {
                return missing();
            }
            if (text->isEmpty()) {
                return badOption(QStringLiteral("%1 wants a path").arg(name));
            }
            if (name == QLatin1String("--link")) {
                options.linkPath = *text;
                seenLink = true;
            } else {
                options.devicePath = *text;
            }
        } else if (name == QLatin1String("--baud")) {
            const Result<qint64> number
                = wholeIn(kMinimumBaud, kMaximumBaud, QStringLiteral("a speed"));
            if (!number.ok()) {
                return number.error();
            }
            options.baud = int(number.value());
        } else if (name == QLatin1String("--skip")) {
            const Result<qint64> number
                = wholeIn(0, kMaximumSkipSeconds, QStringLiteral("seconds"));
            if (!number.ok()) {
                return number.error();
            }
            options.skipSeconds = int(number.value());
        } else if (name == QLatin1String("--count")) {
            const Result<qint64> number = wholeIn(1, 1000000000, QStringLiteral("a count"));
            if (!number.ok()) {
                return number.error();
            }
            options.count = number.value();
        } else if (name == QLatin1String("--interval-ms")) {
            const Result<qint64> number
                = wholeIn(kMinimumIntervalMs, kMaximumIntervalMs, QStringLiteral("milliseconds"));
            if (!number.ok()) {
                return number.error();
            }
            options.intervalMs = int(number.value());
        } else if (name == QLatin1String("--seed")) {
            const Result<qint64> number = wholeIn(0, 4294967295LL, QStringLiteral("a seed"));
            if (!number.ok()) {
                return number.error();
            }
            options.seed = quint32(number.value());
        } else if (name == QLatin1String("--noise")) {
            const std::optional<QString> text = value();
            if (!text) {
                return missing();
            }
            bool ok = false;
            const double rate = text->toDouble(&ok);
            if (!ok || !std::isfinite(rate) || rate < 0.0) {
                return badOption(
                    QStringLiteral("--noise wants a rate of bytes a second, 0 or more, not \"%1\"")
                        .arg(*text));
            }
            options.noiseRate = rate;
        } else if (name == QLatin1String("--start")) {
            const std::optional<QString> text = value();
            if (!text) {
                return missing();
            }
            const std::optional<QDateTime> time = startTime(*text);
            if (!time) {
                return badOption(
                    QStringLiteral("--start wants a local time YYYY-MM-DDThh:mm:ss, not \"%1\"")
                        .arg(*text));
            }
            options.start = *time;
        } else if (name.startsWith(QLatin1Char('-'))) {
            return badOption(QStringLiteral("unknown option %1").arg(name));
        } else {
            return badOption(QStringLiteral("unexpected argument \"%1\"").arg(name));
        }
    }

    if (seenLink && !options.devicePath.isEmpty()) {
        return badOption(QStringLiteral("--link makes a link to a pseudo-terminal; it cannot "
                                        "be used with --device"));
    }
    // The line cannot carry more than it carries: a frame plus the noise must fit between
    // two frames.
    const double bytesPerInterval = double(options.baud) / 10.0 * options.intervalMs / 1000.0;
    if (bytesPerInterval < 12.0) {
        return badOption(QStringLiteral("a frame does not fit into %1 ms at %2 baud")
                             .arg(options.intervalMs)
                             .arg(options.baud));
    }
    const double noisePerInterval = options.noiseRate * options.intervalMs / 1000.0;
    if (noisePerInterval > bytesPerInterval - 12.0) {
        return badOption(QStringLiteral("--noise %1 is more than the line can carry at %2 baud")
                             .arg(options.noiseRate)
                             .arg(options.baud));
    }
    return options;
}
