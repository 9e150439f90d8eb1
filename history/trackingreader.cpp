#include "trackingreader.h"

#include <QFile>
#include <algorithm>

namespace {

// Enough of the file's start to tell it from another file.
constexpr qint64 kHeadBytes = 256;

} // namespace

TrackingReader::TrackingReader(const QString &filePath)
    : m_filePath(filePath)
{
}

void TrackingReader::restart()
{
    m_records.clear();
    m_damagedLines = 0;
    m_readTo = 0;
    m_partialLine.clear();
    m_head.clear();
}

bool TrackingReader::update()
{
    QFile file(m_filePath);
    const bool existed = m_exists;
    const QString previousError = m_error;
    m_exists = file.exists();
    if (!m_exists) {
        const bool changed = existed || !m_records.isEmpty() || m_damagedLines != 0;
        restart();
        m_error.clear();
        return changed;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        restart();
        return m_error != previousError || existed != m_exists;
    }
    m_error.clear();
    bool changed = existed != m_exists || !previousError.isEmpty();
    const QByteArray head = file.read(kHeadBytes);
    if (file.size() < m_readTo || !head.startsWith(m_head)) {
        changed = changed || !m_records.isEmpty() || m_damagedLines != 0;
        restart();
    }
    m_head = head;
    if (!file.seek(m_readTo)) {
        return changed;
    }
    const QByteArray added = file.readAll();
    if (added.isEmpty()) {
        return changed;
    }
    m_readTo += added.size();
    const qsizetype before = m_records.size();
    const qsizetype damagedBefore = m_damagedLines;
    m_partialLine += added;
    qsizetype start = 0;
    for (qsizetype end = m_partialLine.indexOf('\n'); end >= 0;
         end = m_partialLine.indexOf('\n', start)) {
        take(m_partialLine.mid(start, end - start));
        start = end + 1;
    }
    m_partialLine.remove(0, start);
    // Stamps come in order unless the clock was moved back; the records are kept in order.
    if (!std::is_sorted(
            m_records.cbegin() + std::max<qsizetype>(before - 1, 0), m_records.cend(),
            [](const TrackingRecord &a, const TrackingRecord &b) { return a.stamp < b.stamp; })) {
        std::stable_sort(
            m_records.begin(), m_records.end(),
            [](const TrackingRecord &a, const TrackingRecord &b) { return a.stamp < b.stamp; });
    }
    return changed || m_records.size() != before || m_damagedLines != damagedBefore;
}

void TrackingReader::take(const QByteArray &line)
{
    const QString text = QString::fromUtf8(line);
    if (text.trimmed().isEmpty() || text.startsWith(QLatin1String(TrackingRecord::kHeader))) {
        return;
    }
    if (const auto record = TrackingRecord::fromLine(text)) {
        m_records.append(*record);
    } else {
        ++m_damagedLines;
    }
}
