#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class MSComm1;
class SettingsStore;

// Brings a receiver back that was unplugged while the program ran: once the open port's
// device is gone, the same device is tried again every two seconds, quietly, until it opens;
// then the stored settings are applied again (a speed set through the control block
// included) and reception goes on. A port that never opened is not its business.
class PortReconnector : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRetryMs = 2000;

    PortReconnector(MSComm1 &port, const SettingsStore &store, QObject *parent = nullptr);

    bool isWaiting() const { return m_timer.isActive(); }

signals:
    void reconnected();

private:
    void startWaiting();
    void tryReopen();

    MSComm1 &m_port;
    const SettingsStore &m_store;
    QTimer m_timer;
    // The device that went away; a port changed to another one meanwhile is left alone.
    QString m_device;
};
