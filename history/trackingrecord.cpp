#include "trackingrecord.h"

#include <cmath>

namespace {

const QLatin1Char kComma(',');
const QLatin1Char kQuote('"');

// A device name is the last field and may hold anything; a comma or quote in it is quoted the
// usual CSV way, so that spreadsheets read it as one field too. A line end in it would split
// the record: it is quoted and written as the visible sign for that line end instead.
QString deviceField(const QString &device)
{
    const bool lineEnd = device.contains(QLatin1Char('\r')) || device.contains(QLatin1Char('\n'));
    if (!lineEnd && !device.contains(kComma) && !device.contains(kQuote)) {
        return device;
    }
    QString quoted = device;
    quoted.replace(kQuote, QStringLiteral("\"\""));
    quoted.replace(QLatin1Char('\r'), QChar(0x240D));
    quoted.replace(QLatin1Char('\n'), QChar(0x240A));
    return kQuote + quoted + kQuote;
}

std::optional<QString> deviceOf(QStringView field)
{
    if (!field.startsWith(kQuote)) {
        if (field.contains(kQuote)) {
            return std::nullopt;
        }
        return field.toString();
    }
    if (field.size() < 2 || !field.endsWith(kQuote)) {
        return std::nullopt;
    }
    QString inner = field.mid(1, field.size() - 2).toString();
    inner.replace(QStringLiteral("\"\""), QString(kQuote));
    return inner;
}

} // namespace

QString TrackingRecord::toLine() const
{
    const QString offset = offsetMs ? QString::number(*offsetMs, 'f', 3) : QString();
    const QString age = frameAgeMs ? QString::number(*frameAgeMs) : QString();
    return stamp.toUTC().toString(Qt::ISODateWithMs) + kComma + path + kComma + offset + kComma
        + age + kComma + deviceField(device);
}

std::optional<TrackingRecord> TrackingRecord::fromLine(QStringView line)
{
    if (line.endsWith(QLatin1Char('\r'))) {
        line.chop(1);
    }
    // Four commas end the first four fields; the rest of the line is the device.
    QStringView fields[4];
    for (QStringView &field : fields) {
        const qsizetype comma = line.indexOf(kComma);
        if (comma < 0) {
            return std::nullopt;
        }
        field = line.left(comma);
        line = line.mid(comma + 1);
    }
    TrackingRecord record;
    record.stamp = QDateTime::fromString(fields[0].toString(), Qt::ISODateWithMs);
    if (!record.stamp.isValid() || record.stamp.timeSpec() != Qt::UTC) {
        return std::nullopt;
    }
    // One shared text for each path: a history holds many records.
    static const QString immediate = QString::fromLatin1(kImmediatePath);
    static const QString delayed = QString::fromLatin1(kDelayedPath);
    if (fields[1] == immediate) {
        record.path = immediate;
    } else if (fields[1] == delayed) {
        record.path = delayed;
    } else {
        return std::nullopt;
    }
    if (!fields[2].isEmpty()) {
        bool ok = false;
        const double offset = fields[2].toDouble(&ok);
        if (!ok || !std::isfinite(offset)) {
            return std::nullopt;
        }
        record.offsetMs = offset;
    }
    if (!fields[3].isEmpty()) {
        bool ok = false;
        const qint64 age = fields[3].toLongLong(&ok);
        if (!ok || age < 0) {
            return std::nullopt;
        }
        record.frameAgeMs = age;
    }
    const auto device = deviceOf(line);
    if (!device) {
        return std::nullopt;
    }
    record.device = *device;
    return record;
}
