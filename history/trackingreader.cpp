#include "trackingreader.h"

#include "common/logfilenative.h"
#include "common/nativepath.h"

#include <algorithm>

namespace {

// Enough of the file's start to tell it from another file.
constexpr qint64 kHeadBytes = 256;
// The piece read at a time.
constexpr qint64 kPieceBytes = 256 * 1024;
// A line longer than this is no record; it is counted as damaged without being kept whole.
constexpr qsizetype kLongestLine = 4096;

bool isOlder(const TrackingRecord &a, const TrackingRecord &b)
{
    return a.stamp < b.stamp;
}

// The line end before index before in block, or -1.
qsizetype lineEndBefore(const QByteArray &block, qsizetype before)
{
    return before <= 0 ? -1 : block.lastIndexOf('\n', before - 1);
}

} // namespace

TrackingReader::TrackingReader(const QString &filePath)
    : m_filePath(filePath)
{
}

void TrackingReader::setSince(const QDateTime &givenSince)
{
    // In UTC like the stamps: comparing a local time looks up the time zone every time.
    const QDateTime since = givenSince.isValid() ? givenSince.toUTC() : QDateTime();
    if (since.isValid() && m_since.isValid() && since >= m_since) {
        m_since = since;
        keepInBounds();
        return;
    }
    if (since != m_since) {
        m_since = since;
        // Older records were never read, or were dropped: the next update reads them.
        m_readTo = 0;
        m_head.clear();
    }
}

void TrackingReader::restart()
{
    m_records.clear();
    m_damagedLines = 0;
    m_readTo = 0;
    m_head.clear();
}

bool TrackingReader::update()
{
    const bool existed = m_exists;
    const QString previousError = m_error;
    const qsizetype recordsBefore = m_records.size();
    const qsizetype damagedBefore = m_damagedLines;
    LogFileNative::ReadableFile file;
    const int error = file.open(nativeFilePath(m_filePath));
    m_exists = !file.isMissing(error);
    if (error != 0) {
        m_error = m_exists ? QString::fromLocal8Bit(LogFileNative::errorText(error)) : QString();
        const bool hadSome = !m_records.isEmpty() || m_damagedLines != 0;
        restart();
        return hadSome || existed != m_exists || m_error != previousError;
    }
    m_error.clear();
    bool changed = existed != m_exists || !previousError.isEmpty();
    QByteArray head(std::min<qint64>(kHeadBytes, file.size()), Qt::Uninitialized);
    std::size_t done = 0;
    file.read(0, head.data(), std::size_t(head.size()), done);
    head.truncate(qsizetype(done));
    if (m_readTo == 0 || file.size() < m_readTo || !head.startsWith(m_head)) {
        changed = changed || !m_records.isEmpty() || m_damagedLines != 0;
        restart();
        m_head = head;
        readBackwards(file);
    } else {
        m_head = head;
        readForwards(file);
    }
    return changed || m_records.size() != recordsBefore || m_damagedLines != damagedBefore;
}

TrackingReader::Taken TrackingReader::take(QByteArrayView line, TrackingRecord &record)
{
    const QString text = QString::fromUtf8(line);
    if (text.trimmed().isEmpty() || text.startsWith(QLatin1String(TrackingRecord::kHeader))) {
        return Taken::Other;
    }
    auto parsed = TrackingRecord::fromLine(text);
    if (!parsed) {
        ++m_damagedLines;
        return Taken::Other;
    }
    if (m_since.isValid() && parsed->stamp < m_since) {
        return Taken::Older;
    }
    record = std::move(*parsed);
    if (record.device == m_lastDevice) {
        record.device = m_lastDevice;
    } else {
        m_lastDevice = record.device;
    }
    return Taken::Record;
}

void TrackingReader::readBackwards(LogFileNative::ReadableFile &file)
{
    // The file is read up to its last line end: an unfinished last line waits for its end.
    qint64 end = 0;
    QByteArray piece;
    for (qint64 position = file.size(); position > 0 && end == 0;) {
        const qint64 size = std::min<qint64>(kPieceBytes, position);
        position -= size;
        piece.resize(size);
        std::size_t done = 0;
        if (file.read(position, piece.data(), std::size_t(size), done) != 0
            || qint64(done) != size) {
            return;
        }
        end = position + piece.lastIndexOf('\n') + 1;
        end = end == position ? 0 : end;
    }
    m_readTo = end;

    // From the newest line back: each piece with the start of the line that the piece after
    // it began with, and a line end after that.
    QList<TrackingRecord> newestFirst;
    QByteArray carried;
    bool carriedTooLong = false;
    bool done = false;
    for (qint64 position = end; position > 0 && !done;) {
        const qint64 size = std::min<qint64>(kPieceBytes, position);
        position -= size;
        QByteArray block(size, Qt::Uninitialized);
        std::size_t got = 0;
        if (file.read(position, block.data(), std::size_t(size), got) != 0 || qint64(got) != size) {
            break;
        }
        if (position + size < end) {
            block += carried;
            block += '\n';
        }
        for (qsizetype lineEnd = block.size() - 1; !done;) {
            const qsizetype start = lineEndBefore(block, lineEnd);
            if (start < 0 && position > 0) {
                carried = block.left(lineEnd);
                if (carried.size() > kLongestLine) {
                    carried.clear();
                    carriedTooLong = true;
                }
                break;
            }
            const QByteArrayView line
                = QByteArrayView(block).sliced(start + 1, lineEnd - start - 1);
            TrackingRecord record;
            if (carriedTooLong) {
                carriedTooLong = false;
                ++m_damagedLines;
            } else if (const Taken taken = take(line, record); taken == Taken::Older) {
                done = true;
            } else if (taken == Taken::Record) {
                newestFirst.append(std::move(record));
                done = newestFirst.size() >= kLargestRecords;
            }
            if (start < 0) {
                break;
            }
            lineEnd = start;
        }
    }
    std::reverse(newestFirst.begin(), newestFirst.end());
    m_records = std::move(newestFirst);
    // Stamps come in order unless the clock was moved back; the records are kept in order.
    if (!std::is_sorted(m_records.cbegin(), m_records.cend(), isOlder)) {
        std::stable_sort(m_records.begin(), m_records.end(), isOlder);
    }
}

void TrackingReader::readForwards(LogFileNative::ReadableFile &file)
{
    const qsizetype before = m_records.size();
    QByteArray block;
    qint64 blockStart = m_readTo;
    bool carriedTooLong = false;
    for (qint64 position = m_readTo; position < file.size();) {
        const qint64 size = std::min<qint64>(kPieceBytes, file.size() - position);
        const qsizetype carried = block.size();
        block.resize(carried + size);
        std::size_t got = 0;
        if (file.read(position, block.data() + carried, std::size_t(size), got) != 0 || got == 0) {
            break;
        }
        block.truncate(carried + qsizetype(got));
        position += qint64(got);
        qsizetype start = 0;
        for (qsizetype lineEnd = block.indexOf('\n'); lineEnd >= 0;
             lineEnd = block.indexOf('\n', start)) {
            TrackingRecord record;
            if (carriedTooLong) {
                carriedTooLong = false;
                ++m_damagedLines;
            } else if (take(QByteArrayView(block).sliced(start, lineEnd - start), record)
                       == Taken::Record) {
                m_records.append(std::move(record));
            }
            start = lineEnd + 1;
            m_readTo = blockStart + start;
        }
        block.remove(0, start);
        blockStart += start;
        if (block.size() > kLongestLine) {
            blockStart += block.size();
            block.clear();
            carriedTooLong = true;
        }
    }
    if (!std::is_sorted(m_records.cbegin() + std::max<qsizetype>(before - 1, 0), m_records.cend(),
                        isOlder)) {
        std::stable_sort(m_records.begin(), m_records.end(), isOlder);
    }
    keepInBounds();
}

void TrackingReader::keepInBounds()
{
    qsizetype dropped = 0;
    if (m_since.isValid()) {
        TrackingRecord since;
        since.stamp = m_since;
        dropped = std::lower_bound(m_records.cbegin(), m_records.cend(), since, isOlder)
            - m_records.cbegin();
    }
    dropped = std::max(dropped, m_records.size() - kLargestRecords);
    if (dropped > 0) {
        m_records.remove(0, dropped);
    }
}
