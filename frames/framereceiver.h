#pragma once

#include <QObject>

class MSComm1;
class ReceptionLogic;

// Binds the serial port's receive event to the reception logic. The main window forwards
// the port's onComm() here (or lets connectPort() do it).
class FrameReceiver : public QObject
{
    Q_OBJECT
public:
    FrameReceiver(MSComm1 &port, ReceptionLogic &logic, QObject *parent = nullptr);

    // Delivers every receive event of the port to MSComm1_OnComm().
    void connectPort();

    // The port's receive event: reads the event code and handles it.
    void MSComm1_OnComm();

private:
    MSComm1 &m_port;
    ReceptionLogic &m_logic;
};
