#pragma once

#include "trackingrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// What tracking.csv holds, read again as it grows: only the lines added since the last
// reading are read, unless the file was replaced or cut, when it is read from its start.
class TrackingReader
{
public:
    explicit TrackingReader(const QString &filePath);

    // Reads what is new; true when anything changed (records, damaged lines, readability).
    bool update();

    QString filePath() const { return m_filePath; }
    bool exists() const { return m_exists; }
    // Why an existing file could not be read; empty when it could.
    QString error() const { return m_error; }
    // Oldest first.
    const QList<TrackingRecord> &records() const { return m_records; }
    // Lines that are neither a record nor the header.
    qsizetype damagedLines() const { return m_damagedLines; }

private:
    void restart();
    void take(const QByteArray &line);

    QString m_filePath;
    bool m_exists = false;
    QString m_error;
    QList<TrackingRecord> m_records;
    qsizetype m_damagedLines = 0;
    // How far the file was read, the start of its unfinished last line, and what that start
    // held, so that a file replaced by another of the same size is noticed.
    qint64 m_readTo = 0;
    QByteArray m_partialLine;
    QByteArray m_head;
};
