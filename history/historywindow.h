#pragma once

#include "offsethistory.h"
#include "trackingloader.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

class QChart;
class QComboBox;
class QDateTimeAxis;
class QFormLayout;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class SystemClock;

// The offset history: a chart of the offsets the corrections measured over the last ten
// minutes, hour, day or month, the last offset and the drift rate. It follows tracking.csv as
// lines come, read on a thread of its own: the window answers while a large file loads.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    // clock: the program's clock, which tells where "the last hour" ends.
    HistoryWindow(const QString &trackingFilePath, SystemClock &clock, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Reads what the file gained; the window draws it again once read.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void draw();
    void watchFile();
    QString fileNote() const;
    OffsetHistory::Span span() const;

    TrackingLoader m_loader;
    SystemClock &m_clock;
    QFileSystemWatcher m_watcher;
    // Slides the span on while no line comes.
    QTimer m_slide;

    QComboBox *m_spanChoice = nullptr;
    QLabel *m_lastOffset = nullptr;
    QLabel *m_drift = nullptr;
    QLabel *m_beyond = nullptr;
    QLabel *m_note = nullptr;
    QFormLayout *m_figures = nullptr;
    QChart *m_chart = nullptr;
    QLineSeries *m_sawTooth = nullptr;
    QScatterSeries *m_measured = nullptr;
    QScatterSeries *m_beyondEdge = nullptr;
    QDateTimeAxis *m_timeAxis = nullptr;
    QValueAxis *m_offsetAxis = nullptr;
};
