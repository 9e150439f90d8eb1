#pragma once

#include "trackingrecord.h"

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <optional>

// What the history window shows of the tracking records over the last ten minutes, hour, day
// or month: the measured offsets, the saw-tooth they make (the offset grows while the clock
// drifts and drops back to zero where a correction set it), the scale of the offset axis, the
// last offset and the drift rate with its uncertainty.
class OffsetHistory
{
public:
    enum class Span { TenMinutes, Hour, Day, Month };
    // The drift is said only from this many intervals between corrections on: from fewer,
    // the noise of single offsets swamps it.
    static constexpr int kFewestDriftIntervals = 5;
    // A point is beyond the scale only when it lies farther outside the 1st to 99th
    // percentile of the offsets than that range is wide, and at least this far.
    static constexpr double kLeastOutlierDistanceMs = 1.0;

    struct View
    {
        // x: milliseconds since the epoch, y: offset in milliseconds.
        // The points on the scale; those beyond it are drawn at its edge, with their values.
        QList<QPointF> measured;
        QList<QPointF> beyond; // y: the edge
        QList<QPointF> beyondValues; // y: the measured offset
        QList<QPointF> sawTooth;
        // The offset axis: round numbers around the 1st to 99th percentile of the offsets.
        double axisLow = -1.0;
        double axisHigh = 1.0;
        std::optional<TrackingRecord> last; // the newest record with an offset, in the span
        // Parts per million by which the clock runs fast (negative: slow), and the standard
        // error of that fit; empty below kFewestDriftIntervals fitted intervals.
        std::optional<double> driftPpm;
        double driftUncertaintyPpm = 0.0;
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
