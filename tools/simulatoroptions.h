#pragma once

#include "common/errorvalue.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// What the receiver simulator was asked to do on its command line.
struct SimulatorOptions
{
    bool help = false;
    // A symbolic link to the pseudo-terminal's slave side, made at start, removed at the end.
    QString linkPath;
    // A real serial device to write to instead of a pseudo-terminal.
    QString devicePath;
    // Line speed: every byte leaves the line 10 bit times (8N1) after the one before.
    int baud = 9600;
    // Where the simulator's clock starts (local time); empty: the computer's time.
    std::optional<QDateTime> start;
    // Every frame repeats the first frame's time.
    bool stale = false;
    // Seconds skipped between two frames' times (0: frames one second apart).
    int skipSeconds = 0;
    // Random bytes per second sent between frames, on average.
    double noiseRate = 0.0;
    // Frames leave in a few pieces with pauses between them.
    bool split = false;
    // Frames to send before ending (0: until stopped).
    qint64 count = 0;
    // Time between frames, on the simulator's clock.
    int intervalMs = 1000;
    // Seed of the random noise and split points (empty: a different run every time).
    std::optional<quint32> seed;
};

// Reads the options (without the program name). A bad option gives an error whose text says
// what is wrong, for the message before exit code 2.
Result<SimulatorOptions> parseSimulatorOptions(const QStringList &arguments);

// The usage text printed by --help.
QString simulatorUsage();
