#pragma once

#include "trackingrecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace LogFileNative {
class ReadableFile;
}

// What tracking.csv holds, read again as it grows. A first reading goes from the file's end
// back to the oldest record wanted, so a large file costs only the span asked for; later
// readings take only the lines added since, unless the file was replaced or cut, when it is
// read again from its end. Memory stays bounded: at most kLargestRecords records, read in
// pieces of a fixed size. The file is opened the way it is written: never through a link,
// never waiting on a pipe.
class TrackingReader
{
public:
    explicit TrackingReader(const QString &filePath);

    // Records stamped before since are neither read nor kept (an invalid time: all are). A
    // time earlier than the last one makes the next update read the file again.
    void setSince(const QDateTime &since);

    // Reads what is new; true when anything changed (records, damaged lines, readability).
    bool update();

    QString filePath() const { return m_filePath; }
    bool exists() const { return m_exists; }
    // Why an existing file could not be read; empty when it could.
    QString error() const { return m_error; }
    // Oldest first.
    const QList<TrackingRecord> &records() const { return m_records; }
    // Lines that are neither a record nor the header, among those read.
    qsizetype damagedLines() const { return m_damagedLines; }

    // Three months of corrections every 30 s, a month of them every 10 s: more than the
    // largest file holds.
    static constexpr qsizetype kLargestRecords = 300'000;

private:
    enum class Taken { Record, Older, Other };

    void restart();
    void readBackwards(LogFileNative::ReadableFile &file);
    void readForwards(LogFileNative::ReadableFile &file);
    // Reads one line into record; a line that is neither a record nor the header is counted.
    Taken take(QByteArrayView line, TrackingRecord &record);
    void keepInBounds();

    QString m_filePath;
    QDateTime m_since;
    bool m_exists = false;
    QString m_error;
    QList<TrackingRecord> m_records;
    qsizetype m_damagedLines = 0;
    // How far the file was read (the end of its last whole line), and what its start held,
    // so that a file replaced by another of the same size is noticed.
    qint64 m_readTo = 0;
    QByteArray m_head;
    // The device of the record read last: records of one device share its text.
    QString m_lastDevice;
};
