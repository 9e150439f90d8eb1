#pragma once

#include "refclocksocket.h"

#include <QtGlobal>
#include <optional>

struct ReceivedTimeState;

// The sample chrony gets for the newest frame: the system's time at which the received second
// began (now, less the wait since the frame's end byte, the frame's time on the line and the
// receiver's latency) and how far that second was ahead of it. The received time of day lies
// on the day nearest the system's clock, as a correction of the time of day puts it.
class RefclockSample
{
public:
    // Empty unless the frame completes three consecutive seconds and came at a known moment
    // no longer ago than a correction would still use it. Both "now"s in nanoseconds: the
    // monotonic one the frame was stamped with, and the system's since the epoch.
    static std::optional<RefclockSocket::Sample> of(const ReceivedTimeState &received,
                                                    qint64 monotonicNowNs, qint64 systemNowNs,
                                                    qint64 transmissionNs, int latencyMs);
};
