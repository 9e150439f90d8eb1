#include "timeservices.h"

#include "about/dialogplacement.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "frames/receptionlogic.h"
#include "history/historywindow.h"
#ifdef VALTORA_OTHER_TIME_SERVICE
#include "othertimeservice.h"
#endif
#include "refclock/refclockfeed.h"
#include "refclock/refclocksettings.h"
#include "serial/mscomm1.h"

#include <QScreen>
#include <QWidget>

TimeServices::TimeServices(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_tracking(parts.trackingFilePath)
    , m_feed(std::make_unique<RefclockFeed>(parts.reception.receivedTime(),
                                            [this] { return m_parts.port.settings(); }))
{
    connect(&parts.reception, &ReceptionLogic::frameEnded, m_feed.get(), &RefclockFeed::frameEnded);
    connect(m_feed.get(), &RefclockFeed::sendFailed, &parts.log, &CorrectionLog::addNoticeOnce);
    connect(&parts.cycle, &CorrectionCycle::clockSet, this, &TimeServices::recordSet);
#ifdef VALTORA_OTHER_TIME_SERVICE
    m_otherTimeService = std::make_unique<OtherTimeService>();
    connect(m_otherTimeService.get(), &OtherTimeService::answered, &parts.log,
            [this](bool networkTimeActive) {
                if (networkTimeActive) {
                    m_parts.log.addNoticeOnce(OtherTimeService::notice());
                }
            });
#endif
}

TimeServices::~TimeServices()
{
    delete m_history;
}

void TimeServices::start(bool correctOn)
{
    const RefclockSettings settings = RefclockSettings::load(m_parts.store);
    if (!settings.refusal.isEmpty()) {
        m_parts.log.addNoticeOnce(settings.refusal);
    }
    m_feed->setSocketPath(settings.socketPath);
    m_feed->setLatencyMs(settings.receiverLatencyMs);
    m_parts.cycle.setReceiverLatencyMs(settings.receiverLatencyMs);
#ifdef VALTORA_OTHER_TIME_SERVICE
    if (correctOn) {
        m_otherTimeService->ask();
    }
#else
    Q_UNUSED(correctOn)
#endif
}

void TimeServices::recordSet(const TrackingRecord &record)
{
    if (m_tracking.filePath().isEmpty()) {
        return;
    }
    TrackingRecord withDevice = record;
    withDevice.device = m_parts.port.deviceName(m_parts.port.commPort());
    // A lost line costs the history a point, never the correction.
    if (const Outcome failure = m_tracking.append(withDevice)) {
        m_parts.log.addNoticeOnce(failure->text);
    }
}

HistoryWindow *TimeServices::historyWindow() const
{
    return m_history;
}

void TimeServices::showHistory(const QWidget *over)
{
    if (!m_history) {
        m_history = new HistoryWindow(m_tracking.filePath(), m_parts.clock);
    }
    if (!m_history->isVisible() && over) {
        // Where the user looks, not at the screen's corner; kept on the screen.
        m_history->adjustSize();
        QPoint place
            = centredWindowPosition(over->frameGeometry(), m_history->frameGeometry().size());
        if (const QScreen *screen = over->screen()) {
            const QRect available = screen->availableGeometry();
            place.setX(qBound(available.left(), place.x(),
                              qMax(available.left(), available.right() - m_history->width())));
            place.setY(qBound(available.top(), place.y(),
                              qMax(available.top(), available.bottom() - m_history->height())));
        }
        m_history->move(place);
    }
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}
