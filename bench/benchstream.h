#pragma once

#include "frames/receiverframe.h"

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>
#include <ctime>

// The bytes both reception benchmarks push through: receiver frames a second apart with
// random noise between them (about a third of the bytes), the same every run.
inline QByteArray benchmarkStream(qsizetype length)
{
    QRandomGenerator random(20261205);
    QByteArray stream;
    stream.reserve(length + 512);
    QDateTime time(QDate(2026, 12, 5), QTime(0, 0));
    while (stream.size() < length) {
        stream += receiverFrame(time);
        time = time.addSecs(1);
        for (int count = random.bounded(12); count > 0; --count) {
            stream.append(char(random.bounded(256)));
        }
    }
    stream.truncate(length);
    return stream;
}

// Processor time of this process (user and system), in seconds.
inline double processorSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A continuous 921600 baud line, 8N1: 92160 bytes a second.
constexpr double kFastLineBytesPerSecond = 921600.0 / 10.0;
