#include "offsethistory.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kHourMs = 3600 * 1000;

// The drift from the intervals between corrections: a correction of the immediate path leaves
// the clock on the received time, so the offset measured at the next correction is what the
// clock drifted in between. A least-squares line through zero over all such intervals.
struct DriftFit
{
    double offsetTimesSeconds = 0;
    double squaredSeconds = 0;
    int intervals = 0;

    void add(const TrackingRecord &previous, const TrackingRecord &record)
    {
        // The delayed path sets the clock to a second latched earlier, off by up to a second
        // in a way that depends on the timer: its interval tells nothing of the drift.
        if (!record.offsetMs || previous.path != QLatin1String(TrackingRecord::kImmediatePath)) {
            return;
        }
        const double seconds = double(previous.stamp.msecsTo(record.stamp)) / 1000.0;
        if (seconds <= 0) {
            return;
        }
        offsetTimesSeconds += *record.offsetMs * seconds;
        squaredSeconds += seconds * seconds;
        ++intervals;
    }
    std::optional<double> ppm() const
    {
        if (intervals == 0) {
            return std::nullopt;
        }
        // The offset is the received time minus the clock's: a clock that runs fast falls
        // behind the received time by a negative offset. Milliseconds a second are 1000 ppm.
        return -offsetTimesSeconds / squaredSeconds * 1000.0;
    }
};

// Keeps at most kLargestPoints points: from each stretch of time the one farthest from zero.
QList<QPointF> thinned(const QList<QPointF> &points, qint64 fromMs, qint64 spanMs)
{
    if (points.size() <= OffsetHistory::kLargestPoints) {
        return points;
    }
    QList<QPointF> kept;
    const double stretchMs = double(spanMs) / double(OffsetHistory::kLargestPoints);
    qsizetype stretch = -1;
    for (const QPointF &point : points) {
        const auto pointStretch = std::min(qsizetype((point.x() - double(fromMs)) / stretchMs),
                                           OffsetHistory::kLargestPoints - 1);
        if (pointStretch != stretch) {
            kept.append(point);
            stretch = pointStretch;
        } else if (std::abs(point.y()) > std::abs(kept.constLast().y())) {
            kept.last() = point;
        }
    }
    return kept;
}

} // namespace

qint64 OffsetHistory::spanMs(Span span)
{
    switch (span) {
    case Span::Hour:
        return kHourMs;
    case Span::Day:
        return 24 * kHourMs;
    case Span::Month:
        break;
    }
    return 30 * 24 * kHourMs;
}

OffsetHistory::View OffsetHistory::view(const QList<TrackingRecord> &records, const QDateTime &now,
                                        Span span)
{
    View view;
    const qint64 toMs = now.toMSecsSinceEpoch();
    const qint64 fromMs = toMs - spanMs(span);
    const auto first = std::lower_bound(records.cbegin(), records.cend(), fromMs,
                                        [](const TrackingRecord &record, qint64 ms) {
                                            return record.stamp.toMSecsSinceEpoch() < ms;
                                        });
    DriftFit fit;
    QList<QPointF> measured;
    const TrackingRecord *previous = nullptr;
    for (auto record = first; record != records.cend(); ++record) {
        const qint64 stampMs = record->stamp.toMSecsSinceEpoch();
        if (stampMs > toMs) {
            break;
        }
        ++view.corrections;
        if (previous) {
            fit.add(*previous, *record);
        }
        previous = &*record;
        if (!record->offsetMs) {
            continue;
        }
        measured.append(QPointF(double(stampMs), *record->offsetMs));
        view.last = *record;
    }
    view.measured = thinned(measured, fromMs, toMs - fromMs);
    for (const QPointF &point : std::as_const(view.measured)) {
        // Just before the correction the offset was measured; right after it, it is gone.
        view.sawTooth << point << QPointF(point.x(), 0.0);
    }
    view.driftPpm = fit.ppm();
    view.fittedIntervals = fit.intervals;
    return view;
}
