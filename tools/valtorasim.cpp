// valtora-sim: a time receiver on a pseudo-terminal (or a real serial port), for running and
// testing VALTORA on a computer without a receiver.

#include "framescheduler.h"
#include "serialline.h"
#include "simulatoroptions.h"

#include <QDateTime>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void requestStop(int)
{
    g_stopRequested = 1;
}

qint64 monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Stop signals are blocked except while waiting, so one that arrives between a check and
// the wait still ends the wait at once.
void installStopSignals(sigset_t &waitMask)
{
    struct sigaction action
    {
    };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGHUP);
}

// Waits until the monotonic time untilNs, dropping what the program sends meanwhile.
// Returns false when a stop signal came.
bool waitUntil(SerialLine &line, qint64 untilNs, const sigset_t &waitMask)
{
    for (;;) {
        if (g_stopRequested) {
            return false;
        }
        const qint64 leftNs = untilNs - monotonicNs();
        if (leftNs <= 0) {
            return true;
        }
        timespec timeout { time_t(leftNs / 1000000000LL), long(leftNs % 1000000000LL) };
        pollfd input { line.descriptor(), POLLIN, 0 };
        const int ready = ppoll(&input, 1, &timeout, &waitMask);
        if (ready > 0) {
            if (input.revents & POLLIN) {
                line.drainInput();
            } else {
                // Hang-up or error on our side: nothing to read, so wait without it.
                ppoll(nullptr, 0, &timeout, &waitMask);
            }
        }
    }
}

void printError(const QString &text)
{
    std::fprintf(stderr, "valtora-sim: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int index = 1; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    const Result<SimulatorOptions> parsed = parseSimulatorOptions(arguments);
    if (!parsed.ok()) {
        printError(parsed.error().text);
        std::fprintf(stderr, "Try 'valtora-sim --help'.\n");
        return 2;
    }
    const SimulatorOptions &options = parsed.value();
    if (options.help) {
        std::fputs(qPrintable(simulatorUsage()), stdout);
        return 0;
    }

    if (!options.devicePath.isEmpty() && !SerialLine::isStandardSpeed(options.baud)) {
        const QString speed = QString::number(options.baud);
        printError(speed + QStringLiteral(" baud is not a standard speed of a serial device"));
        std::fprintf(stderr, "Try 'valtora-sim --help'.\n");
        return 2;
    }

    sigset_t waitMask;
    installStopSignals(waitMask);

    SerialLine line;
    const Outcome opened = options.devicePath.isEmpty()
        ? line.openPseudoTerminal()
        : line.openDevice(options.devicePath, options.baud);
    if (opened) {
        printError(opened->text);
        return 1;
    }
    if (!options.linkPath.isEmpty()) {
        if (const Outcome linked = line.makeLink(options.linkPath)) {
            printError(linked->text);
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(line.devicePath()));
    std::fflush(stdout);

    const qint64 originNs = monotonicNs();
    const QDateTime clockStart = options.start ? *options.start : QDateTime::currentDateTime();
    FrameScheduler scheduler(options, clockStart);

    qint64 lost = 0;
    qint64 writtenThisFrame = 0;
    qint64 writtenLastFrame = 0;
    qint64 currentFrame = -1;
    bool finished = false;
    while (!finished) {
        const FrameScheduler::TimedWrite write = scheduler.next();
        if (!waitUntil(line, originNs + write.dueNs, waitMask)) {
            break;
        }
        if (write.frame != currentFrame && !write.isNoise) {
            // More waiting than the whole last frame's time brought: nothing was read for
            // longer than that, so nobody is listening right now.
            writtenLastFrame = writtenThisFrame;
            writtenThisFrame = 0;
            if (line.unreadBytes() > writtenLastFrame) {
                line.discardUnread();
            }
            currentFrame = write.frame;
        }
        lost += line.write(write.bytes);
        writtenThisFrame += write.bytes.size();
        finished = options.count > 0 && write.endsFrame && write.frame + 1 >= options.count;
    }

    if (finished) {
        // Give the program up to a second to read the last frame before the line goes away.
        // A pseudo-terminal hands written bytes on a moment later, so a first short wait
        // comes before the count of unread bytes can be trusted.
        const qint64 deadlineNs = monotonicNs() + 1000000000LL;
        bool waiting = waitUntil(line, monotonicNs() + 100000000LL, waitMask);
        while (waiting && line.unreadBytes() > 0 && monotonicNs() < deadlineNs) {
            waiting = waitUntil(line, monotonicNs() + 10000000LL, waitMask);
        }
    }
    if (lost > 0) {
        std::fprintf(stderr, "valtora-sim: %lld bytes were lost because nobody read them\n",
                     static_cast<long long>(lost));
    }
    line.removeLink();
    line.close();
    return 0;
}
