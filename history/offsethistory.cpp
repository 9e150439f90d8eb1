#include "offsethistory.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kHourMs = 3600 * 1000;

// One interval between two corrections: its length and the offset measured at its end.
struct Interval
{
    double seconds = 0;
    double offsetMs = 0;
};

std::optional<Interval> intervalBetween(const TrackingRecord &previous,
                                        const TrackingRecord &record)
{
    // The delayed path sets the clock to a second latched earlier, off by up to a second in
    // a way that depends on the timer: its interval tells nothing of the drift.
    if (!record.offsetMs || previous.path != QLatin1String(TrackingRecord::kImmediatePath)) {
        return std::nullopt;
    }
    const double seconds = double(previous.stamp.msecsTo(record.stamp)) / 1000.0;
    if (seconds <= 0) {
        return std::nullopt;
    }
    return Interval { seconds, *record.offsetMs };
}

// The drift from the intervals between corrections: a correction of the immediate path leaves
// the clock on the received time, so the offset measured at the next correction is what the
// clock drifted in between. A least-squares line through zero over all such intervals.
struct DriftFit
{
    double offsetTimesSeconds = 0;
    double squaredSeconds = 0;
    double squaredOffsets = 0;
    int intervals = 0;

    void add(const Interval &interval)
    {
        offsetTimesSeconds += interval.offsetMs * interval.seconds;
        squaredSeconds += interval.seconds * interval.seconds;
        squaredOffsets += interval.offsetMs * interval.offsetMs;
        ++intervals;
    }
    // Milliseconds of offset a second.
    double slope() const { return offsetTimesSeconds / squaredSeconds; }
    std::optional<double> ppm() const
    {
        if (intervals < OffsetHistory::kFewestDriftIntervals) {
            return std::nullopt;
        }
        // The offset is the received time minus the clock's: a clock that runs fast falls
        // behind the received time by a negative offset. Milliseconds a second are 1000 ppm.
        return -slope() * 1000.0;
    }
    // The standard error of the slope of a line through zero, from the scatter of the offsets
    // about it.
    double uncertaintyPpm() const
    {
        const double residuals = std::max(squaredOffsets - slope() * offsetTimesSeconds, 0.0);
        return std::sqrt(residuals / (intervals - 1) / squaredSeconds) * 1000.0;
    }
};

// A round step for about five ticks over the span: 1, 2 or 5 times a power of ten.
double roundStep(double span)
{
    const double rough = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : { 1.0, 2.0, 5.0 }) {
        if (factor * power >= rough) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

// The offset axis and the points beyond it. The 1st and 99th percentiles are taken inwards
// (of 60 points the second lowest and second highest), so a single wild point never sets the
// scale; points just outside them stay on it, so that a handful of points is never cut.
void scale(OffsetHistory::View &view, const QList<QPointF> &points)
{
    if (points.isEmpty()) {
        return;
    }
    QList<double> offsets;
    offsets.reserve(points.size());
    for (const QPointF &point : points) {
        offsets.append(point.y());
    }
    std::sort(offsets.begin(), offsets.end());
    const auto last = double(offsets.size() - 1);
    const double low = offsets.at(qsizetype(std::ceil(0.01 * last)));
    const double high = offsets.at(qsizetype(std::floor(0.99 * last)));
    const double reach = std::max(high - low, OffsetHistory::kLeastOutlierDistanceMs);
    double lowest = std::min(low, 0.0); // the saw-tooth comes back to zero
    double highest = std::max(high, 0.0);
    for (const double offset : std::as_const(offsets)) {
        if (offset >= low - reach && offset <= high + reach) {
            lowest = std::min(lowest, offset);
            highest = std::max(highest, offset);
        }
    }
    const double margin = std::max((highest - lowest) * 0.1, 0.5);
    const double step = roundStep(highest - lowest + 2 * margin);
    view.axisLow = std::floor((lowest - margin) / step) * step;
    view.axisHigh = std::ceil((highest + margin) / step) * step;
    for (const QPointF &point : points) {
        if (point.y() < view.axisLow || point.y() > view.axisHigh) {
            view.beyondValues.append(point);
            view.beyond.append(
                QPointF(point.x(), point.y() < view.axisLow ? view.axisLow : view.axisHigh));
        } else {
            view.measured.append(point);
        }
    }
}

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
    case Span::TenMinutes:
        return kHourMs / 6;
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
    QList<Interval> intervals;
    QList<QPointF> measured;
    const TrackingRecord *previous = nullptr;
    for (auto record = first; record != records.cend(); ++record) {
        const qint64 stampMs = record->stamp.toMSecsSinceEpoch();
        if (stampMs > toMs) {
            break;
        }
        ++view.corrections;
        if (previous) {
            if (const std::optional<Interval> interval = intervalBetween(*previous, *record)) {
                intervals.append(*interval);
            }
        }
        previous = &*record;
        if (!record->offsetMs) {
            continue;
        }
        measured.append(QPointF(double(stampMs), *record->offsetMs));
        view.last = *record;
    }
    const QList<QPointF> shown = thinned(measured, fromMs, toMs - fromMs);
    for (const QPointF &point : shown) {
        // Just before the correction the offset was measured; right after it, it is gone.
        view.sawTooth << point << QPointF(point.x(), 0.0);
    }
    scale(view, shown);
    // A wild offset (a clock a day off) is no drift: what lies beyond the scale stays out.
    DriftFit fit;
    for (const Interval &interval : std::as_const(intervals)) {
        if (interval.offsetMs >= view.axisLow && interval.offsetMs <= view.axisHigh) {
            fit.add(interval);
        }
    }
    view.driftPpm = fit.ppm();
    if (view.driftPpm) {
        view.driftUncertaintyPpm = fit.uncertaintyPpm();
    }
    view.fittedIntervals = fit.intervals;
    return view;
}
