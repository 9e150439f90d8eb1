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
    // A name that holds the signs themselves is quoted too, so that a record read back is
    // written out the same.
    const bool lineEnd = device.contains(QLatin1Char('\r')) || device.contains(QLatin1Char('\n'))
        || device.contains(QChar(0x240D)) || device.contains(QChar(0x240A));
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

// The stamp as written, "2026-12-05T10:00:05.123Z", read without the general date parser,
// which takes most of the time of reading a large file; anything else goes to that parser.
QDateTime stampOf(QStringView field)
{
    const auto number = [field](qsizetype from, qsizetype length) {
        int value = 0;
        for (qsizetype index = from; index < from + length; ++index) {
            const char16_t digit = field[index].unicode();
            if (digit < u'0' || digit > u'9') {
                return -1;
            }
            value = value * 10 + (digit - u'0');
        }
        return value;
    };
    if (field.size() == 24 && field[4] == u'-' && field[7] == u'-' && field[10] == u'T'
        && field[13] == u':' && field[16] == u':' && field[19] == u'.' && field[23] == u'Z') {
        // Not a digit gives -1, which as a year would be one before the common era: a date
        // that reads, but that no stamp written here can hold.
        const int year = number(0, 4);
        if (year < 1) {
            return QDateTime();
        }
        const QDate date(year, number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2), number(20, 3));
        return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
    }
    return QDateTime::fromString(field.toString(), Qt::ISODateWithMs);
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
    record.stamp = stampOf(fields[0]);
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
