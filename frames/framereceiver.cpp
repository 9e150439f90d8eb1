#include "framereceiver.h"

#include "commeventhandler.h"
#include "serial/mscomm1.h"

FrameReceiver::FrameReceiver(MSComm1 &port, ReceptionLogic &logic, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_logic(logic)
{
}

void FrameReceiver::connectPort()
{
    connect(&m_port, &MSComm1::onComm, this, &FrameReceiver::MSComm1_OnComm, Qt::UniqueConnection);
}

void FrameReceiver::MSComm1_OnComm()
{
    handleCommEvent(m_port, m_logic);
}
