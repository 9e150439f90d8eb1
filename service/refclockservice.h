#pragma once

#include "common/settingsstore.h"
#include "frames/receptionlogic.h"
#include "refclock/refclockfeed.h"
#include "refclockoptions.h"

#include <QObject>
#include <QThread>
#include <QTimer>
#include <memory>

class PortReader;
class SystemClock;

// valtora-refclock's life: the port read on a thread of its own, the same frame logic and
// samples as the window, the journal told only what changes (start, the receiver lost and
// back, chrony refusing for a reason other than not running), and systemd told when the port
// is open and, through its watchdog, that frames still come.
class RefclockService : public QObject
{
    Q_OBJECT
public:
    // clock only gives the date where a frame is shown with the computer's date: never set.
    RefclockService(const RefclockOptions &options, SystemClock &clock, QObject *parent = nullptr);
    ~RefclockService() override;

    void start();
    // Closes the port (its lock file goes) and ends the reader thread.
    void stop();

signals:
    // The port could not be opened: the program ends with exit code 1.
    void failed();

private:
    void portOpened(const QString &device, const QString &error);
    void bytesRead(const QByteArray &bytes, qint64 monotonicNs, qint64 systemNs);
    void frameEnded();
    void receiverLost();
    void receiverBack();
    void watchdogTick();
    QString printLine(const RefclockFeed::Report &report) const;

    RefclockOptions m_options;
    SettingsStore m_store;
    ReceptionLogic m_logic;
    RefclockFeed m_feed;
    QThread m_thread;
    PortReader *m_reader = nullptr;
    QTimer m_watchdog;
    QString m_device;
    // The stamp of the bytes being handed to the logic.
    qint64 m_monotonicNs = 0;
    qint64 m_systemNs = 0;
    bool m_receiverLost = false;
    int m_framesSinceBeat = 0;
    // A refusal is told once until a sample gets through again.
    bool m_refusalTold = false;
};
