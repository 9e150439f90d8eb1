#include "portreconnector.h"

#include "serial/mscomm1.h"
#include "serial/portrestore.h"

PortReconnector::PortReconnector(MSComm1 &port, const SettingsStore &store, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_store(store)
{
    m_timer.setInterval(kRetryMs);
    connect(&m_port, &MSComm1::deviceLost, this, &PortReconnector::startWaiting);
    connect(&m_timer, &QTimer::timeout, this, &PortReconnector::tryReopen);
}

void PortReconnector::startWaiting()
{
    m_device = m_port.deviceName(m_port.commPort());
    m_timer.start();
}

void PortReconnector::tryReopen()
{
    // Someone opened it meanwhile (the port panel), or chose another port: nothing to do.
    if (m_port.portOpen() || m_port.deviceName(m_port.commPort()) != m_device) {
        m_timer.stop();
        return;
    }
    if (m_port.setPortOpen(true)) {
        return; // still gone; the next try comes in two seconds, without a word
    }
    m_timer.stop();
    restoreStoredSpeed(m_port, m_store);
    emit reconnected();
}
