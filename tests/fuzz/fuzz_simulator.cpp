// The receiver simulator's options and the frames they plan. Input: the arguments, separated
// by NUL bytes. Options that are taken plan their first writes, which must come in time
// order and, noise aside, carry each frame's bytes whole.

#include "frames/receiverframe.h"
#include "framescheduler.h"
#include "fuzzcheck.h"
#include "simulatoroptions.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList arguments;
    for (const QByteArray &argument :
         QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0')) {
        arguments.append(QString::fromUtf8(argument));
    }
    const Result<SimulatorOptions> parsed = parseSimulatorOptions(arguments);
    if (!parsed.ok() || parsed.value().help) {
        return 0;
    }
    // The same input plans the same writes: a crash found is a crash replayed.
    SimulatorOptions options = parsed.value();
    options.seed = options.seed.value_or(1);
    const QDateTime start
        = options.start.value_or(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 58, 250)));
    FrameScheduler scheduler(options, start);
    qint64 lastDueNs = 0;
    QByteArray frameBytes;
    for (int write = 0; write < 40; ++write) {
        const FrameScheduler::TimedWrite next = scheduler.next();
        FUZZ_CHECK(next.dueNs >= lastDueNs);
        lastDueNs = next.dueNs;
        if (next.isNoise) {
            FUZZ_CHECK(next.bytes.size() == 1);
            continue;
        }
        frameBytes += next.bytes;
        if (next.endsFrame) {
            FUZZ_CHECK(frameBytes == receiverFrame(scheduler.frameTime(next.frame)));
            frameBytes.clear();
        }
    }
    return 0;
}
