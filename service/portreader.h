#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class MSComm1;
class PortReconnector;
class SettingsStore;

// The receiver's port on a thread of its own. The thread waits on the port alone and stamps
// the bytes the moment a read returns, on the monotonic clock and the system's, read together;
// whoever takes the bytes on another thread may come to them late without spoiling their
// time. A receiver that goes away is waited for and taken back by the port's reconnector.
// Lives on the reader thread: start() and stop() are called there.
class PortReader : public QObject
{
    Q_OBJECT
public:
    // The store's [Properties] and [Ports] say which port to open and how, as at the window's
    // start; it is read on the reader thread only.
    explicit PortReader(SettingsStore &store);
    ~PortReader() override;

    // Opens the port and starts reading; opened() tells how that went.
    void start();
    // Closes the port, which removes its lock file.
    void stop();

    // The port's receive event hands over what it read, stamped at readAtNs.
    void receiveBytes(const QByteArray &bytes, qint64 readAtNs);

signals:
    // error is empty when the port is open; device is the one it stands for.
    void opened(const QString &device, const QString &error);
    void bytesRead(const QByteArray &bytes, qint64 monotonicNs, qint64 systemNs);
    void receiverLost();
    void receiverBack();

private:
    SettingsStore &m_store;
    MSComm1 *m_port = nullptr;
    PortReconnector *m_reconnector = nullptr;
};
