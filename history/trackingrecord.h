#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// One correction that set the clock, as a line of tracking.csv:
//   2026-12-05T10:00:05.123Z,immediate,-0.412,250,/dev/ttyUSB0
// The offset is the received time minus the clock's just before the clock was set; a
// correction whose frame came at an unknown moment has none, and neither has its frame an age.
struct TrackingRecord
{
    QDateTime stamp; // UTC, the clock's reading right after it was set
    QString path; // kImmediatePath or kDelayedPath
    std::optional<double> offsetMs;
    std::optional<qint64> frameAgeMs; // since the frame's end byte was read
    QString device;

    static constexpr const char *kImmediatePath = "immediate";
    static constexpr const char *kDelayedPath = "delayed";
    // The first line of a new file, for whoever opens it in a spreadsheet.
    static constexpr const char *kHeader = "stamp,path,offset_ms,frame_age_ms,device";

    // The line without its line end.
    QString toLine() const;
    // Empty for a line that is not a record (the header included).
    static std::optional<TrackingRecord> fromLine(QStringView line);
};
