#include "portreader.h"

#include "frames/commeventhandler.h"
#include "refclock/refclockfeed.h"
#include "serial/mscomm1.h"
#include "serial/portmessage.h"
#include "serial/portreconnector.h"
#include "serial/portrestore.h"

PortReader::PortReader(SettingsStore &store)
    : m_store(store)
{
}

PortReader::~PortReader() = default;

void PortReader::start()
{
    // Made here, so that the port and the reconnector's timer belong to this thread.
    m_port = new MSComm1(m_store, this);
    m_reconnector = new PortReconnector(*m_port, m_store, this);
    connect(m_port, &MSComm1::onComm, this, [this] { handleCommEvent(*m_port, *this); });
    connect(m_port, &MSComm1::deviceLost, this, &PortReader::receiverLost);
    connect(m_reconnector, &PortReconnector::reconnected, this, &PortReader::receiverBack);

    // The window's own start-up of the port, step for step.
    bool echo = false;
    restorePortSettings(*m_port, m_store, echo);
    const Outcome failure = OPENCOMM2(*m_port);
    restoreStoredSpeed(*m_port, m_store);
    const QString device = m_port->deviceName(m_port->commPort());
    QString error;
    if (failure) {
        error = portMessage(*m_port, m_port->commPort(), *failure).text.simplified();
    }
    emit opened(device, error);
}

void PortReader::stop()
{
    if (m_port != nullptr) {
        (void)m_port->setPortOpen(false);
    }
}

void PortReader::receiveBytes(const QByteArray &bytes, qint64 readAtNs)
{
    if (bytes.isEmpty()) {
        return;
    }
    emit bytesRead(bytes, readAtNs, RefclockFeed::systemNowNs());
}
