#include "framescheduler.h"

#include "frames/receiverframe.h"

#include <limits>
#include <set>

namespace {

constexpr qint64 kNanosecondsPerMillisecond = 1000000;
constexpr qint64 kNanosecondsPerSecond = 1000000000;
// A start bit, eight data bits and a stop bit.
constexpr qint64 kBitsPerByte = 10;

} // namespace

FrameScheduler::FrameScheduler(const SimulatorOptions &options, const QDateTime &clockStart)
    : m_options(options)
    , m_clockStart(clockStart)
    , m_byteTimeNs(kBitsPerByte * kNanosecondsPerSecond / qMax(1, options.baud))
    , m_random(options.seed ? *options.seed : std::random_device {}())
{
    // Frames start on whole multiples of the interval of the clock's own time, so with the
    // default interval each frame leaves at the turn of a second.
    const qint64 startMs = clockStart.toMSecsSinceEpoch();
    const qint64 interval = qMax(1, m_options.intervalMs);
    const qint64 remainder = ((startMs % interval) + interval) % interval;
    m_firstBoundaryMs = remainder == 0 ? 0 : interval - remainder;
    planFrame(0);
}

qint64 FrameScheduler::frameStartNs(qint64 frame) const
{
    return (m_firstBoundaryMs + frame * m_options.intervalMs) * kNanosecondsPerMillisecond;
}

QDateTime FrameScheduler::frameTime(qint64 frame) const
{
    const qint64 shown = m_options.stale ? 0 : frame;
    const QDateTime boundary
        = m_clockStart.addMSecs(m_firstBoundaryMs + shown * m_options.intervalMs);
    return boundary.addSecs(shown * m_options.skipSeconds);
}

FrameScheduler::TimedWrite FrameScheduler::next()
{
    if (m_pending.isEmpty() && m_options.noiseRate > 0.0) {
        // Noise arrives at random, on average noiseRate bytes a second, never closer than one
        // byte time, and only while the next frame has not started.
        const double meanGapNs = double(kNanosecondsPerSecond) / m_options.noiseRate;
        const double gapNs = std::exponential_distribution<double>(1.0)(m_random) * meanGapNs;
        // Worked out in floating point: at a rate of a byte in centuries the gap does not fit
        // a 64-bit count (or is no number at all), and then no byte comes before the frame.
        const qint64 untilFrameNs = frameStartNs(m_frame + 1) - m_lastDueNs;
        const qint64 dueNs = gapNs <= double(untilFrameNs)
            ? m_lastDueNs + qMax(m_byteTimeNs, qint64(gapNs))
            : std::numeric_limits<qint64>::max();
        if (dueNs <= frameStartNs(m_frame + 1)) {
            m_lastDueNs = dueNs;
            const char byte = char(std::uniform_int_distribution<int>(0, 255)(m_random));
            return TimedWrite { dueNs, QByteArray(1, byte), m_frame, false, true };
        }
    }
    if (m_pending.isEmpty()) {
        planFrame(m_frame + 1);
    }
    const TimedWrite write = m_pending.takeFirst();
    m_lastDueNs = write.dueNs;
    return write;
}

void FrameScheduler::planFrame(qint64 frame)
{
    m_frame = frame;
    m_pending.clear();
    const QByteArray bytes = receiverFrame(frameTime(frame));
    const qint64 startNs = frameStartNs(frame);
    if (bytes.isEmpty()) {
        // A time outside what a frame can carry: nothing is sent for it.
        m_pending.append({ startNs, QByteArray(), frame, true, false });
        return;
    }
    if (!m_options.split) {
        for (qsizetype index = 0; index < bytes.size(); ++index) {
            m_pending.append({ startNs + (index + 1) * m_byteTimeNs, bytes.mid(index, 1), frame,
                               index + 1 == bytes.size(), false });
        }
        return;
    }

    // Two to four pieces, cut at random places, each held back a little as a USB adapter
    // does, so that the program's reads see the frame arrive in parts.
    const int pieces = std::uniform_int_distribution<int>(2, 4)(m_random);
    std::set<qsizetype> cuts;
    while (qsizetype(cuts.size()) < pieces - 1) {
        cuts.insert(std::uniform_int_distribution<qsizetype>(1, bytes.size() - 1)(m_random));
    }
    cuts.insert(bytes.size());
    // The pauses fit in what the interval leaves beside the frame's own bytes: a frame that
    // ran into the next one would send its last piece after the next frame's first.
    const qint64 intervalNs = qint64(m_options.intervalMs) * kNanosecondsPerMillisecond;
    const qint64 spareNs = qMax<qint64>(0, intervalNs - bytes.size() * m_byteTimeNs);
    const qint64 longestPauseNs = qMin<qint64>(60 * kNanosecondsPerMillisecond,
                                               qMin(intervalNs / 4, spareNs) / (pieces - 1));
    qint64 delayNs = 0;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        if (from > 0) {
            delayNs += std::uniform_int_distribution<qint64>(longestPauseNs / 3,
                                                             longestPauseNs)(m_random);
        }
        m_pending.append({ startNs + delayNs + cut * m_byteTimeNs, bytes.mid(from, cut - from),
                           frame, cut == bytes.size(), false });
        from = cut;
    }
}
