// chrony's view of the samples of valtora-refclock (the port read on a thread of its own,
// stamped when the read returns) and of the window's (the port read on the user-interface
// thread), side by side in one run: two simulators on pseudo-terminals at the turn of each
// second of this computer's clock, one chronyd (always -x: it never controls the clock) with
// the reference clocks VALT (the service) and WIND (the window). Run it once on a quiet
// machine and once beside a parallel build. Never touches the computer's clock: the window
// runs on a simulated clock with correction off.

#include "benchstatistics.h"
#include "chronyview.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The 99th percentile of the magnitudes, nearest rank.
double percentile99(const QList<double> &values)
{
    QList<double> magnitudes;
    for (const double value : values) {
        magnitudes.append(std::abs(value));
    }
    if (magnitudes.isEmpty()) {
        return 0;
    }
    std::sort(magnitudes.begin(), magnitudes.end());
    return magnitudes.at(std::min<qsizetype>(magnitudes.size() - 1,
                                             qsizetype(std::ceil(0.99 * magnitudes.size())) - 1));
}

bool startSimulator(QProcess &simulator, const QString &binaries, const QString &link)
{
    simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulator.start(binaries + QStringLiteral("/valtora-sim"), { QStringLiteral("--link"), link });
    QDeadlineTimer deadline(5000);
    while (!QFile::exists(link) && !deadline.hasExpired()) {
        QThread::msleep(20);
    }
    return QFile::exists(link);
}

void report(const char *title, const ChronyView::Figures &figures, int seconds)
{
    const QList<double> &offsets = figures.sampleOffsetsMs;
    std::printf("%s: %lld samples in %d s, offset ms (receiver minus this clock): median %+.3f  "
                "standard deviation %.3f  |p99| %.3f; chrony's filtered deviation %.3f ms, "
                "state %s\n",
                title, static_cast<long long>(offsets.size()), seconds, signedMedian(offsets),
                standardDeviation(offsets), percentile99(offsets), figures.estimatedDeviationMs,
                qPrintable(figures.state));
}

void stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("chrony's view of valtora-refclock's samples and of the window's, side "
                       "by side (needs root and Debian's chrony)."));
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Length of the run (default 300)."),
                                           QStringLiteral("s"), QStringLiteral("300"));
    // Which simulator starts first may matter on a busy machine: both wake at each second.
    const QCommandLineOption swapOption(
        QStringLiteral("window-first"),
        QStringLiteral("Start the window's simulator before the service's."));
    parser.addOption(secondsOption);
    parser.addOption(swapOption);
    parser.process(application);
    const int seconds = std::max(10, parser.value(secondsOption).toInt());
    const QString binaries
        = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../bin"));

    ChronyView chrony;
    QTemporaryDir dir;
    const QString windowSocket = dir.filePath(QStringLiteral("window.sock"));
    const QString error = chrony.start(
        QStringLiteral("refclock SOCK %1 refid WIND precision 1e-3 poll 2\n").arg(windowSocket));
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench_refclockview: %s\n", qPrintable(error));
        return 1;
    }
    QProcess serviceReceiver;
    QProcess windowReceiver;
    const QString serviceLink = dir.filePath(QStringLiteral("ttyService"));
    const QString windowLink = dir.filePath(QStringLiteral("ttyWindow"));
    const bool windowFirst = parser.isSet(swapOption);
    if (!startSimulator(windowFirst ? windowReceiver : serviceReceiver, binaries,
                        windowFirst ? windowLink : serviceLink)
        || !startSimulator(windowFirst ? serviceReceiver : windowReceiver, binaries,
                           windowFirst ? serviceLink : windowLink)) {
        std::fprintf(stderr, "bench_refclockview: the simulators did not start\n");
        return 1;
    }

    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(binaries + QStringLiteral("/valtora-refclock"),
                  { QStringLiteral("--device"), serviceLink, QStringLiteral("--socket"),
                    chrony.sampleSocket() });

    // The window in settings of its own, on the offscreen platform and a simulated clock.
    QSettings settings(dir.filePath(QStringLiteral("config/VALTORA/VALTORA.conf")),
                       QSettings::IniFormat);
    settings.setValue(QStringLiteral("Ports/Com1"), windowLink);
    settings.setValue(QStringLiteral("Refclock/socket"), windowSocket);
    settings.sync();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    QDir().mkpath(dir.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("VALTORA_CLOCK"), QStringLiteral("simulated"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess window;
    window.setProcessEnvironment(environment);
    window.setWorkingDirectory(dir.path());
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.start(binaries + QStringLiteral("/valtora"), {});

    std::fprintf(stderr, "bench_refclockview: running %d s\n", seconds);
    QThread::sleep(seconds);
    // Both programs were fed all along: the service's samples and the window's.
    report("valtora-refclock (VALT)", chrony.finish("VALT"), seconds);
    report("valtora window   (WIND)", chrony.finish("WIND"), seconds);
    stop(service);
    stop(window);
    stop(serviceReceiver);
    stop(windowReceiver);
    return 0;
}
