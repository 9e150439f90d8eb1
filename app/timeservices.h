#pragma once

#include "history/trackingfile.h"

#include <QObject>
#include <QPointer>
#include <memory>

class CorrectionCycle;
class CorrectionLog;
class HistoryWindow;
class QWidget;
class MSComm1;
class OtherTimeService;
class ReceptionLogic;
class RefclockFeed;
class SettingsStore;
class SystemClock;

// What the main window does with the time besides setting the clock: the offset of each
// correction into tracking.csv, the receiver's time to chrony, the history window, and the
// word about network time also keeping the clock.
class TimeServices : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        SystemClock &clock;
        SettingsStore &store;
        CorrectionLog &log;
        CorrectionCycle &cycle;
        ReceptionLogic &reception;
        MSComm1 &port;
        QString trackingFilePath; // empty: no tracking file, no history
    };

    explicit TimeServices(const Parts &parts, QObject *parent = nullptr);
    ~TimeServices() override;

    // At start-up, after the correction settings were read: the socket and the receiver's
    // latency; with correction on, the question whether network time keeps the clock too.
    void start(bool correctOn);

    // Opens the history window centred on `over` (the main window), or brings it up.
    void showHistory(const QWidget *over);
    HistoryWindow *historyWindow() const;
    RefclockFeed &feed() { return *m_feed; }

private:
    void recordSet(const TrackingRecord &record);

    Parts m_parts;
    TrackingFile m_tracking;
    std::unique_ptr<RefclockFeed> m_feed;
#ifdef VALTORA_OTHER_TIME_SERVICE
    // Only where systemd's time service can be asked (Linux, with Qt D-Bus).
    std::unique_ptr<OtherTimeService> m_otherTimeService;
#endif
    QPointer<HistoryWindow> m_history;
};
