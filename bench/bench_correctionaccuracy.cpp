// Accuracy of the correction cycle over the real receive path: valtora-sim sends frames on a
// pseudo-terminal at the turn of each second of the computer's clock, the port service and
// the frame receiver decode them, and the cycle corrects a simulated clock that is thrown
// tens of seconds off before every correction. Prints the residual offset after each
// correction for the immediate path and for the delayed path (300 ms), and the jitter of
// Timer3's ticks. With --chrony the same frames of the immediate run also go to a chronyd
// (started with -x), and chrony's view of those samples is printed beside the residuals.
// Never touches the computer's clock.

#include "benchstatistics.h"
#include "chronyview.h"
#include "common/intervaltimer.h"
#include "common/monotonicclock.h"
#include "common/settingsstore.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/framereceiver.h"
#include "frames/receptionlogic.h"
#include "refclock/refclockfeed.h"
#include "residualrecordingclock.h"
#include "serial/mscomm1.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

struct RunResult
{
    QList<double> residualsMs;
    QList<double> tickIntervalsMs;
    int failureLines = 0;
    QString error;
    std::optional<ChronyView::Figures> chrony;
    QString chronyError;
};

struct Summary
{
    double median = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest-rank percentiles of the magnitudes.
Summary summarise(const QList<double> &values)
{
    if (values.isEmpty()) {
        return {};
    }
    QList<double> sorted;
    for (const double value : values) {
        sorted.append(std::abs(value));
    }
    std::sort(sorted.begin(), sorted.end());
    const auto rank = [&sorted](double fraction) {
        const qsizetype index = qsizetype(std::ceil(fraction * double(sorted.size()))) - 1;
        return sorted.at(std::clamp<qsizetype>(index, 0, sorted.size() - 1));
    };
    return { rank(0.5), rank(0.99), sorted.constLast() };
}

RunResult runCycle(const QString &simulatorPath, bool delayed, int corrections, bool chrony)
{
    RunResult result;
    ChronyView chronyView;
    if (chrony) {
        result.chronyError = chronyView.start();
    }
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("receiver"));

    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(simulatorPath, { QStringLiteral("--link"), link });
    if (!simulator.waitForReadyRead(5000) || !QFileInfo::exists(link)) {
        result.error = QStringLiteral("valtora-sim did not start: ") + simulator.errorString();
        return result;
    }

    SettingsStore portNames(folder.filePath(QStringLiteral("ports.ini")));
    portNames.setValue(QLatin1String(SettingsStore::kPortsSection), QStringLiteral("Com1"), link);
    MSComm1 port(portNames);
    Outcome opened = port.setCommPort(1);
    if (!opened) {
        opened = port.setSettings(QStringLiteral("9600,n,8,1"));
    }
    if (!opened) {
        opened = port.setRThreshold(1);
    }
    if (!opened) {
        opened = port.setPortOpen(true);
    }
    if (opened) {
        result.error = QStringLiteral("port: ") + opened->text;
        return result;
    }

    const int startOffsetSeconds = -37;
    ResidualRecordingClock clock(QDateTime::currentDateTime().addSecs(startOffsetSeconds));
    ReceptionLogic reception(clock, [] { return false; });
    FrameReceiver receiver(port, reception);
    receiver.connectPort();
    QTimer watchdog;
    watchdog.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watchdog, &QTimer::timeout, &reception, &ReceptionLogic::Timer5_Timer);
    watchdog.start(2000);

    CorrectionOptions options;
    options.correctOn = true;
    options.correctPeriod = 1;
    options.delayOn = delayed;
    options.delayMs = 300;
    IntervalTimer timer3;
    IntervalTimer timer4;
    CorrectionLog log(clock, folder.filePath(QStringLiteral("logfile.txt")));
    CorrectionCycle cycle(options, reception.receivedTime(), reception.freshness(), timer3, timer4,
                          clock, log, [&port] { return port.settings(); });

    // Noted before the cycle handles the tick, so the handler's own time is not in it.
    qint64 lastTickNs = 0;
    QObject::connect(&timer3, &IntervalTimer::tick, &cycle, [&] {
        const qint64 nowNs = monotonicNowNs();
        if (lastTickNs != 0) {
            result.tickIntervalsMs.append(double(nowNs - lastTickNs) / 1e6);
        }
        lastTickNs = nowNs;
    });
    cycle.connectTimers();
    // The frames' own samples for chrony, as the program sends them.
    RefclockFeed feed(reception.receivedTime(), [&port] { return port.settings(); });
    if (chrony && result.chronyError.isEmpty()) {
        feed.setSocketPath(chronyView.sampleSocket());
        QObject::connect(&reception, &ReceptionLogic::frameEnded, &feed, &RefclockFeed::frameEnded);
    }
    (void)timer3.setInterval(1000);
    (void)timer4.setInterval(options.delayMs);
    timer3.setEnabled(true);
    timer4.setEnabled(options.delayOn);

    QEventLoop loop;
    qsizetype seen = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (clock.residualsMs().size() == seen) {
            return;
        }
        seen = clock.residualsMs().size();
        if (seen >= corrections) {
            loop.quit();
            return;
        }
        // Every correction starts from a clock tens of seconds off, either way.
        const int seconds = QRandomGenerator::global()->bounded(20, 61);
        clock.throwOff(QRandomGenerator::global()->bounded(2) == 0 ? seconds : -seconds);
    });
    poll.start(50);
    QTimer::singleShot((corrections * 3 / 2 + 15) * 1000, &loop, &QEventLoop::quit);
    loop.exec();

    result.residualsMs = clock.residualsMs();
    if (chrony && result.chronyError.isEmpty()) {
        result.chrony = chronyView.finish();
    }
    result.failureLines = int(log.boxText().count(QStringLiteral("ERROR")));
    timer3.setEnabled(false);
    timer4.setEnabled(false);
    (void)port.setPortOpen(false);
    simulator.terminate();
    simulator.waitForFinished(3000);
    return result;
}

void report(const char *title, const RunResult &result)
{
    std::printf("%s\n", title);
    if (!result.error.isEmpty()) {
        std::printf("  not run: %s\n", qPrintable(result.error));
        return;
    }
    const Summary residual = summarise(result.residualsMs);
    std::printf("  corrections %lld, failure lines %d\n",
                static_cast<long long>(result.residualsMs.size()), result.failureLines);
    const auto [lowest, highest]
        = std::minmax_element(result.residualsMs.cbegin(), result.residualsMs.cend());
    std::printf("  residual |ms|: median %.2f  p99 %.2f  max %.2f\n", residual.median, residual.p99,
                residual.max);
    if (!result.residualsMs.isEmpty()) {
        std::printf("  residual signed ms (clock minus reference): median %+.2f  from %+.2f"
                    " to %+.2f\n",
                    signedMedian(result.residualsMs), *lowest, *highest);
    }
    QList<double> deviations;
    for (const double interval : result.tickIntervalsMs) {
        deviations.append(interval - 1000.0);
    }
    const Summary jitter = summarise(deviations);
    std::printf("  Timer3 tick interval - 1000 ms, |ms|: median %.3f  p99 %.3f  max %.3f"
                "  over %lld intervals\n",
                jitter.median, jitter.p99, jitter.max, static_cast<long long>(deviations.size()));
    if (!result.chronyError.isEmpty()) {
        std::printf("  chrony: not run: %s\n", qPrintable(result.chronyError));
    }
    if (result.chrony) {
        const QList<double> &offsets = result.chrony->sampleOffsetsMs;
        const Summary magnitude = summarise(offsets);
        std::printf("  chrony, %lld samples, offset ms (receiver minus this clock): median %+.3f"
                    "  standard deviation %.3f  |median| %.3f  |p99| %.3f\n",
                    static_cast<long long>(offsets.size()), signedMedian(offsets),
                    standardDeviation(offsets), magnitude.median, magnitude.p99);
        std::printf("  chrony's estimate: receiver ahead of this clock by %+.3f ms, standard "
                    "deviation %.3f ms, source state %s\n",
                    result.chrony->estimatedOffsetMs, result.chrony->estimatedDeviationMs,
                    qPrintable(result.chrony->state));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Residual clock offset after each correction, over a pseudo-terminal fed by valtora-sim."));
    parser.addHelpOption();
    const QCommandLineOption simulatorOption(
        QStringLiteral("sim"), QStringLiteral("Path of valtora-sim."), QStringLiteral("path"));
    const QCommandLineOption countOption(QStringLiteral("corrections"),
                                         QStringLiteral("Corrections per path (default 60)."),
                                         QStringLiteral("n"), QStringLiteral("60"));
    const QCommandLineOption chronyOption(
        QStringLiteral("chrony"),
        QStringLiteral("Also feed the immediate run's samples to a chronyd started with -x "
                       "(needs root and Debian's chrony)."));
    parser.addOption(simulatorOption);
    parser.addOption(countOption);
    parser.addOption(chronyOption);
    parser.process(application);

    QString simulatorPath = parser.value(simulatorOption);
    if (simulatorPath.isEmpty()) {
        simulatorPath = QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral("../bin/valtora-sim"));
    }
    const int corrections = std::max(1, parser.value(countOption).toInt());

    const bool chrony = parser.isSet(chronyOption);
    report("immediate path", runCycle(simulatorPath, false, corrections, chrony));
    report("delayed path, 300 ms", runCycle(simulatorPath, true, corrections, false));
    return 0;
}
