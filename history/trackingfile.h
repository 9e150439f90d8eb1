#pragma once

#include "common/errorvalue.h"
#include "trackingrecord.h"

#include <QString>
#include <QtGlobal>

// tracking.csv: one line per correction that set the clock, appended as it happens. The file
// is opened for each line, as the log file is. It is kept to a size a history window can read
// at once: past kLargestBytes its older half is dropped.
class TrackingFile
{
public:
    explicit TrackingFile(const QString &filePath, qint64 largestBytes = kLargestBytes);

    // "tracking.csv" in the per-user data folder, which is created when missing.
    static QString defaultFilePath();
    QString filePath() const { return m_filePath; }

    // Appends the record's line, after the header when the file is new or empty.
    Outcome append(const TrackingRecord &record);

    // A month of corrections every ten seconds, or three days of them every second.
    static constexpr qint64 kLargestBytes = 16 * 1024 * 1024;

private:
    Outcome dropOlderHalf();

    QString m_filePath;
    qint64 m_largestBytes;
};
