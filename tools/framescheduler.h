#pragma once

#include "simulatoroptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <random>

// When and what the simulated receiver writes. Frame k starts at the k-th boundary of the
// simulator's clock; each byte is due when its last bit would have left a real line, so a
// pseudo-terminal delivers the bytes as a wire would. Noise bytes fall at random moments
// between frames. Writes are made one at a time, so a long run needs no memory.
class FrameScheduler
{
public:
    struct TimedWrite
    {
        // When the bytes are due, in nanoseconds after the clock started.
        qint64 dueNs = 0;
        QByteArray bytes;
        // The frame this write belongs to, or follows when it is noise.
        qint64 frame = 0;
        // The last piece of its frame.
        bool endsFrame = false;
        bool isNoise = false;
    };

    // clockStart: the simulator's clock at its start (the --start time, or now).
    FrameScheduler(const SimulatorOptions &options, const QDateTime &clockStart);

    // The date and time carried by frame k.
    QDateTime frameTime(qint64 frame) const;
    // When frame k starts (its first start bit), in nanoseconds after the clock started.
    qint64 frameStartNs(qint64 frame) const;
    // The next write, in time order.
    TimedWrite next();

    qint64 byteTimeNs() const { return m_byteTimeNs; }

private:
    void planFrame(qint64 frame);

    SimulatorOptions m_options;
    QDateTime m_clockStart;
    // The first boundary, in milliseconds after the clock started.
    qint64 m_firstBoundaryMs = 0;
    qint64 m_byteTimeNs = 0;
    std::mt19937 m_random;
    qint64 m_frame = 0;
    QList<TimedWrite> m_pending;
    // Due time of the last write, from which the next noise byte is counted.
    qint64 m_lastDueNs = 0;
};
