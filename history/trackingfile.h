#pragma once

#include "common/errorvalue.h"
#include "trackingrecord.h"

#include <QString>
#include <QtGlobal>

// tracking.csv: one line per correction that set the clock, appended as it happens. The file
// is opened for each line, the way the log file is: each line whole or absent, on a line of
// its own, never through a link or into a pipe. It is kept to a size a history window can
// read at once: past kLargestBytes only the newest whole lines, half of that, are kept.
class TrackingFile
{
public:
    explicit TrackingFile(const QString &filePath, qint64 largestBytes = kLargestBytes);

    // "tracking.csv" in the per-user data folder, which is created when missing.
    static QString defaultFilePath();
    QString filePath() const { return m_filePath; }

    // Appends the record's line, after the header when the file is new or empty.
    Outcome append(const TrackingRecord &record);
    // Keeps the newest whole lines that fit in half of largestBytes, under the header.
    Outcome keepNewestLines();

    // A month of corrections every ten seconds, or three days of them every second.
    static constexpr qint64 kLargestBytes = 16 * 1024 * 1024;

private:
    QString m_filePath;
    qint64 m_largestBytes;
};
