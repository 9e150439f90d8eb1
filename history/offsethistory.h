#pragma once

#include "trackingrecord.h"

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <optional>

// What the history window shows of the tracking records over the last hour, day or month: the
// measured offsets, the saw-tooth they make (the offset grows while the clock drifts and drops
// back to zero where a correction set it), the last offset and the drift rate.
class OffsetHistory
{
public:
    enum class Span { Hour, Day, Month };

    struct View
    {
        // x: milliseconds since the epoch, y: offset in milliseconds.
        QList<QPointF> measured;
        QList<QPointF> sawTooth;
        std::optional<TrackingRecord> last; // the newest record with an offset, in the span
        // Parts per million by which the clock runs fast (negative: slow); empty when no
        // interval between two corrections could be fitted.
        std::optional<double> driftPpm;
        int fittedIntervals = 0;
        // Corrections in the span, with or without an offset.
        int corrections = 0;
    };

    // records oldest first. More measured points than kLargestPoints are thinned to the
    // largest offset of each stretch of time, so the chart stays quick and the peaks stay.
    static View view(const QList<TrackingRecord> &records, const QDateTime &now, Span span);
    static constexpr qsizetype kLargestPoints = 4000;

    static qint64 spanMs(Span span);
};
