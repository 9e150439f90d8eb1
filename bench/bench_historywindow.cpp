// The history window over a large tracking.csv: how long until the chart shows the last
// month, the longest pause of the window's event loop meanwhile, and the process's peak
// memory; and how long one more record takes when it trims a file far past the limit.
// Run by hand: build/bench/bench_historywindow [megabytes of records] [megabytes to trim]
// (defaults 16.7 and 0: no trim run).

#include "common/simulatedclock.h"
#include "history/historywindow.h"
#include "history/trackingfile.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Records every 10 s up to now, written a megabyte at a time; the number of records.
qint64 writeRecords(const QString &path, double megabytes, const QDateTime &now)
{
    const qint64 bytes = qint64(megabytes * 1024 * 1024);
    QByteArray sample = now.toString(Qt::ISODateWithMs).toLatin1()
        + ",immediate,-1.234,250,"
          "/dev/ttyUSB0\n";
    const qint64 count = (bytes - 41) / sample.size();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return 0;
    }
    QByteArray chunk = QByteArray(TrackingRecord::kHeader) + '\n';
    for (qint64 index = count - 1; index >= 0; --index) {
        const QDateTime stamp = now.addSecs(-10 * index);
        chunk += stamp.toString(Qt::ISODateWithMs).toLatin1() + ",immediate,"
            + QByteArray::number(-1.0 - double(index % 50) / 10, 'f', 3) + ",250,/dev/ttyUSB0\n";
        if (chunk.size() > 1024 * 1024) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return count;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 16.7;
    const double trimMegabytes = argc > 2 ? std::atof(argv[2]) : 0;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("tracking.csv"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 records = writeRecords(path, megabytes, now);
    SimulatedClock clock(now.toLocalTime());
    const long before = peakKilobytes();

    HistoryWindow window(path, clock);
    window.findChild<QComboBox *>(QStringLiteral("spanChoice"))->setCurrentIndex(2);
    auto *points = window.findChild<QChartView *>()->chart()->findChild<QScatterSeries *>();
    QElapsedTimer sinceShown;
    QElapsedTimer sinceTick;
    qint64 longestPauseMs = 0;
    qint64 firstChartMs = -1;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestPauseMs = std::max(longestPauseMs, sinceTick.restart());
        if (firstChartMs < 0 && points->count() > 0) {
            firstChartMs = sinceShown.elapsed();
            QTimer::singleShot(200, &application, &QCoreApplication::quit);
        }
    });
    sinceShown.start();
    sinceTick.start();
    window.show();
    tick.start(5);
    QTimer::singleShot(60000, &application, &QCoreApplication::quit);
    application.exec();
    std::printf("%.1f MB, %lld records every 10 s, last month shown: first chart after %lld ms, "
                "%d points; longest event-loop pause %lld ms; peak memory %ld kB (%ld kB "
                "before the window)\n",
                megabytes, records, firstChartMs, int(points->count()), longestPauseMs,
                peakKilobytes(), before);

    if (trimMegabytes > 0) {
        const QString large = folder.filePath(QStringLiteral("large.csv"));
        writeRecords(large, trimMegabytes, now);
        TrackingRecord record;
        record.stamp = now;
        record.path = QString::fromLatin1(TrackingRecord::kImmediatePath);
        record.offsetMs = 1.0;
        QElapsedTimer timer;
        timer.start();
        const Outcome outcome = TrackingFile(large).append(record);
        std::printf("one record onto %.0f MB, trimmed to %lld bytes: %lld ms%s\n", trimMegabytes,
                    QFileInfo(large).size(), timer.elapsed(), outcome ? " (failed)" : "");
    }
    return 0;
}
