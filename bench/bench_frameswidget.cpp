// Feeds the frames and noise of the core benchmark through the real widget path: the
// reception logic, the panel, a shown QPlainTextEdit and the two large labels on the
// offscreen platform, with a turn of the event loop (layout and painting) after every read.
// Two runs: flat out (processor time per MB of the path itself), and paced like a continuous
// 921600 baud line in reads of 96 bytes (about one receive event a millisecond), which gives
// the share of one core the window takes on such a line.
// Run by hand: build/bench/bench_frameswidget [flat-out megabytes] [paced seconds]

#include "benchstream.h"
#include "common/simulatedclock.h"
#include "frames/receptionlogic.h"
#include "frames/receptionpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>

namespace {

constexpr qsizetype kReadSize = 96;

struct Window
{
    QWidget widget;
    QLabel *label2 = nullptr;
    QLabel *label7 = nullptr;
    QPlainTextEdit *term = nullptr;

    Window()
    {
        auto *layout = new QVBoxLayout(&widget);
        label2 = new QLabel(&widget);
        label7 = new QLabel(&widget);
        const QFont large(QStringLiteral("Tahoma"), 24, QFont::Bold);
        label2->setFont(large);
        label7->setFont(large);
        term = new QPlainTextEdit(&widget);
        term->setMinimumSize(529, 129);
        layout->addWidget(label2);
        layout->addWidget(label7);
        layout->addWidget(term);
        widget.resize(529, 400);
        widget.show();
    }
};

void report(const char *run, qsizetype bytes, double seconds, double processor)
{
    const double mb = double(bytes) / (1024.0 * 1024.0);
    std::printf("%-28s %8.2f MB %8.2f s %10.4f CPU s/MB %8.2f%% of a core\n", run, mb, seconds,
                processor / mb, processor / seconds * 100.0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const double megabytes = argc > 1 ? qMax(0.1, QByteArray(argv[1]).toDouble()) : 10.0;
    const double pacedSeconds = argc > 2 ? qMax(1.0, QByteArray(argv[2]).toDouble()) : 30.0;
    const QByteArray stream = benchmarkStream(qsizetype(megabytes * 1024 * 1024));
    std::printf("widget receive path, %s platform, reads of %lld bytes\n",
                qPrintable(QApplication::platformName()), static_cast<long long>(kReadSize));

    {
        Window window;
        SimulatedClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        ReceptionPanel panel(ReceptionControls { window.term, window.label2, window.label7 },
                             logic);
        QApplication::processEvents();
        QElapsedTimer wall;
        wall.start();
        const double processorStart = processorSeconds();
        for (qsizetype position = 0; position < stream.size(); position += kReadSize) {
            logic.receiveBytes(stream.mid(position, kReadSize), 0);
            QApplication::processEvents();
        }
        panel.refresh();
        QApplication::processEvents();
        report("flat out", stream.size(), double(wall.nsecsElapsed()) / 1e9,
               processorSeconds() - processorStart);
    }

    {
        Window window;
        SimulatedClock clock;
        ReceptionLogic logic(clock, [] { return false; });
        ReceptionPanel panel(ReceptionControls { window.term, window.label2, window.label7 },
                             logic);
        QApplication::processEvents();
        QElapsedTimer wall;
        wall.start();
        const double processorStart = processorSeconds();
        qsizetype position = 0;
        const qint64 endNs = qint64(pacedSeconds * 1e9);
        while (wall.nsecsElapsed() < endNs) {
            // The next read is handed over once the line has delivered all of its bytes.
            const qint64 dueNs
                = qint64(double(position + kReadSize) / kFastLineBytesPerSecond * 1e9);
            const qint64 waitNs = dueNs - wall.nsecsElapsed();
            if (waitNs > 0) {
                QThread::usleep(unsigned(waitNs / 1000));
                continue;
            }
            const qsizetype from = position % (stream.size() - kReadSize);
            logic.receiveBytes(stream.mid(from, kReadSize), 0);
            position += kReadSize;
            QApplication::processEvents();
        }
        report("paced at 921600 baud", position, double(wall.nsecsElapsed()) / 1e9,
               processorSeconds() - processorStart);
    }
    return 0;
}
