// Pushes 10 MB of frames and noise through the core receive path (the receive handler over a
// direct byte source, byte texts, dump text, frame assembler, decoding) in reads of several
// sizes, and reports the throughput and the share of one core a 921600 baud line would take.
// Run by hand: build/bench/bench_framesreceive [megabytes]

#include "benchstream.h"
#include "common/simulatedclock.h"
#include "frames/commeventhandler.h"
#include "frames/receptionlogic.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// Hands out the stream in reads of a fixed size, as the port would after each receive event.
struct DirectByteSource
{
    enum : int {
        EventReceive = 2,
        ErrorBreak = 1001,
        ErrorFrame = 1004,
        ErrorOverrun = 1006,
        ErrorRxOver = 1008,
    };

    const QByteArray *stream = nullptr;
    qsizetype position = 0;
    qsizetype readSize = 1;

    int commEvent() const { return EventReceive; }
    bool portOpen() const { return true; }
    Outcome setPortOpen(bool) { return std::nullopt; }
    Outcome setInputLen(int) { return std::nullopt; }
    Outcome setInputMode(int) { return std::nullopt; }
    Outcome clearCommError() { return std::nullopt; }
    QByteArray input()
    {
        const QByteArray bytes = stream->mid(position, readSize);
        position += bytes.size();
        return bytes;
    }
    bool atEnd() const { return position >= stream->size(); }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const double megabytes = argc > 1 ? qMax(0.1, QByteArray(argv[1]).toDouble()) : 10.0;
    const QByteArray stream = benchmarkStream(qsizetype(megabytes * 1024 * 1024));

    std::printf("core receive path, %.1f MB of frames and noise\n", megabytes);
    std::printf("%10s %10s %12s %14s %10s\n", "read size", "MB/s", "CPU s/MB", "921600 baud",
                "frames");
    for (const qsizetype readSize : { 16, 96, 1024, 4096 }) {
        SimulatedClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        int frames = 0;
        QObject::connect(&logic, &ReceptionLogic::label2CaptionChanged, &logic,
                         [&frames] { ++frames; });
        DirectByteSource source { &stream, 0, readSize };

        QElapsedTimer wall;
        wall.start();
        const double processorStart = processorSeconds();
        while (!source.atEnd()) {
            handleCommEvent(source, logic);
            // What the dump's view would fetch after each receive event.
            (void)logic.takeDumpChange();
        }
        const double processor = processorSeconds() - processorStart;
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const double mb = double(stream.size()) / (1024.0 * 1024.0);
        const double share = processor / mb * (kFastLineBytesPerSecond / (1024.0 * 1024.0));
        std::printf("%10lld %10.1f %12.4f %13.2f%% %10d\n", static_cast<long long>(readSize),
                    mb / seconds, processor / mb, share * 100.0, frames);
    }
    return 0;
}
