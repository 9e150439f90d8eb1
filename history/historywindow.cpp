#include "historywindow.h"

#include "common/systemclock.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kSlideMs = 10'000;

QString signedMs(double ms)
{
    return QStringLiteral("%1%2 ms")
        .arg(ms > 0 ? QStringLiteral("+") : QString())
        .arg(ms, 0, 'f', 3);
}

QString driftText(const OffsetHistory::View &view)
{
    if (!view.driftPpm) {
        return QStringLiteral("not enough corrections yet");
    }
    const double ppm = *view.driftPpm;
    const double secondsADay = std::abs(ppm) * 86400.0 / 1e6;
    return QStringLiteral("%1%2 \u00b1 %3 ppm: the clock %4 %5 s a day (fitted over %6 "
                          "intervals between corrections)")
        .arg(ppm > 0 ? QStringLiteral("+") : QString())
        .arg(ppm, 0, 'f', 1)
        .arg(view.driftUncertaintyPpm, 0, 'f', 1)
        .arg(ppm >= 0 ? QStringLiteral("gains") : QStringLiteral("loses"))
        .arg(secondsADay, 0, 'f', 2)
        .arg(view.fittedIntervals);
}

// The points drawn at the axis' edge, with their real values: the largest few.
QString beyondText(const OffsetHistory::View &view)
{
    constexpr int kListed = 3;
    QList<QPointF> points = view.beyondValues;
    std::sort(points.begin(), points.end(),
              [](const QPointF &a, const QPointF &b) { return std::abs(a.y()) > std::abs(b.y()); });
    QStringList listed;
    for (const QPointF &point : points.mid(0, kListed)) {
        listed << QStringLiteral("%1 at %2")
                      .arg(signedMs(point.y()),
                           QDateTime::fromMSecsSinceEpoch(qint64(point.x()))
                               .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    }
    if (points.size() > kListed) {
        listed << QStringLiteral("%1 more").arg(points.size() - kListed);
    }
    return listed.join(QStringLiteral("; "));
}

} // namespace

HistoryWindow::HistoryWindow(const QString &trackingFilePath, SystemClock &clock, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_loader(trackingFilePath)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("VALTORA - offset history"));

    m_spanChoice = new QComboBox(this);
    m_spanChoice->setObjectName(QStringLiteral("spanChoice"));
    m_spanChoice->setAccessibleName(QStringLiteral("Show"));
    m_spanChoice->addItems({ QStringLiteral("Last 10 minutes"), QStringLiteral("Last hour"),
                             QStringLiteral("Last day"), QStringLiteral("Last month") });
    m_spanChoice->setCurrentIndex(1);
    m_lastOffset = new QLabel(this);
    m_lastOffset->setObjectName(QStringLiteral("lastOffset"));
    m_drift = new QLabel(this);
    m_drift->setObjectName(QStringLiteral("drift"));
    m_drift->setWordWrap(true);
    m_beyond = new QLabel(this);
    m_beyond->setObjectName(QStringLiteral("beyond"));
    m_beyond->setWordWrap(true);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_sawTooth = new QLineSeries(this);
    m_sawTooth->setObjectName(QStringLiteral("sawTooth"));
    m_sawTooth->setName(QStringLiteral("offset between corrections"));
    m_measured = new QScatterSeries(this);
    m_measured->setObjectName(QStringLiteral("measured"));
    m_measured->setName(QStringLiteral("measured before a correction"));
    m_measured->setMarkerSize(6);
    m_beyondEdge = new QScatterSeries(this);
    m_beyondEdge->setObjectName(QStringLiteral("beyondEdge"));
    m_beyondEdge->setName(QStringLiteral("beyond the scale, at its edge"));
    m_beyondEdge->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    m_beyondEdge->setMarkerSize(10);
    m_beyondEdge->setColor(QColor(200, 0, 0));
    m_chart = new QChart;
    m_chart->addSeries(m_sawTooth);
    m_chart->addSeries(m_measured);
    m_chart->addSeries(m_beyondEdge);
    m_timeAxis = new QDateTimeAxis(m_chart);
    m_timeAxis->setTitleText(QStringLiteral("local time"));
    m_offsetAxis = new QValueAxis(m_chart);
    m_offsetAxis->setTitleText(QStringLiteral("offset, ms"));
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_chart->addAxis(m_offsetAxis, Qt::AlignLeft);
    for (QAbstractSeries *series : m_chart->series()) {
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_offsetAxis);
    }
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    auto *view = new QChartView(m_chart, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(640, 360);

    auto *figures = new QFormLayout;
    figures->addRow(QStringLiteral("Show:"), m_spanChoice);
    // The offset is the received time minus the clock's: negative while the clock is ahead.
    figures->addRow(QStringLiteral("Last offset:"), m_lastOffset);
    figures->addRow(QStringLiteral("Drift:"), m_drift);
    figures->addRow(QStringLiteral("Beyond the scale:"), m_beyond);
    m_figures = figures;
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(figures);
    layout->addWidget(m_note);
    layout->addWidget(view, 1);

    connect(m_spanChoice, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(&m_loader, &TrackingLoader::loaded, this, [this] {
        if (isVisible()) {
            draw();
        }
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &HistoryWindow::refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &HistoryWindow::refresh);
    connect(&m_slide, &QTimer::timeout, this, &HistoryWindow::refresh);
    m_slide.start(kSlideMs);
    watchFile();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::watchFile()
{
    // The folder tells when the file appears; the file itself when it grows. A file that was
    // replaced has to be watched again.
    const QFileInfo file(m_loader.filePath());
    if (file.dir().exists() && !m_watcher.directories().contains(file.absolutePath())) {
        m_watcher.addPath(file.absolutePath());
    }
    if (file.exists() && !m_watcher.files().contains(file.absoluteFilePath())) {
        m_watcher.addPath(file.absoluteFilePath());
    }
}

void HistoryWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    draw();
    refresh();
}

void HistoryWindow::refresh()
{
    watchFile();
    // Only what the chart shows is read; nothing while the window is hidden.
    if (isVisible()) {
        m_loader.load(m_clock.now().addMSecs(-OffsetHistory::spanMs(span())));
    }
}

OffsetHistory::Span HistoryWindow::span() const
{
    switch (m_spanChoice->currentIndex()) {
    case 0:
        return OffsetHistory::Span::TenMinutes;
    case 1:
        return OffsetHistory::Span::Hour;
    case 2:
        return OffsetHistory::Span::Day;
    default:
        break;
    }
    return OffsetHistory::Span::Month;
}

QString HistoryWindow::fileNote() const
{
    const QString path = QDir::toNativeSeparators(m_loader.filePath());
    if (!m_loader.hasLoaded()) {
        return QStringLiteral("Reading %1...").arg(path);
    }
    if (!m_loader.exists()) {
        return QStringLiteral("No correction has been recorded yet: %1 does not exist. Every "
                              "correction that sets the clock adds a line to it.")
            .arg(path);
    }
    if (!m_loader.error().isEmpty()) {
        return QStringLiteral("%1 cannot be read: %2.").arg(path, m_loader.error());
    }
    if (m_loader.records().isEmpty()) {
        if (m_loader.damagedLines() > 0) {
            return QStringLiteral("%1 holds no readable correction: none of its %2 lines is "
                                  "one. The file may be damaged; new corrections are added "
                                  "to it all the same.")
                .arg(path)
                .arg(m_loader.damagedLines());
        }
        return QStringLiteral("No correction has been recorded yet in %1.").arg(path);
    }
    if (m_loader.damagedLines() > 0) {
        return QStringLiteral("Left out: %1 of the lines in %2 are not corrections.")
            .arg(m_loader.damagedLines())
            .arg(path);
    }
    return QString();
}

void HistoryWindow::draw()
{
    const QDateTime now = m_clock.now();
    const OffsetHistory::View view = OffsetHistory::view(m_loader.records(), now, span());
    m_measured->replace(view.measured);
    m_beyondEdge->replace(view.beyond);
    m_sawTooth->replace(view.sawTooth);

    m_timeAxis->setRange(now.addMSecs(-OffsetHistory::spanMs(span())), now);
    m_timeAxis->setFormat(span() == OffsetHistory::Span::Month ? QStringLiteral("MM-dd")
                              : span() == OffsetHistory::Span::TenMinutes
                              ? QStringLiteral("hh:mm:ss")
                              : QStringLiteral("MM-dd hh:mm"));
    m_offsetAxis->setRange(view.axisLow, view.axisHigh);
    m_beyond->setText(beyondText(view));
    m_figures->setRowVisible(m_beyond, !view.beyond.isEmpty());

    m_lastOffset->setText(view.last ? QStringLiteral("%1 at %2 (%3 path)")
                                          .arg(signedMs(*view.last->offsetMs),
                                               view.last->stamp.toLocalTime().toString(
                                                   QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                               view.last->path)
                                    : QStringLiteral("none in this span"));
    m_drift->setText(driftText(view));

    QString note = fileNote();
    if (note.isEmpty() && view.corrections == 0) {
        note
            = QStringLiteral("No correction in the %1.").arg(m_spanChoice->currentText().toLower());
    }
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}
