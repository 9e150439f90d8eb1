#pragma once

#include "common/errorvalue.h"
#include "serial/linesettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;
class SettingsStore;

// The serial port component of the main window, over QSerialPort. Its properties and their
// meaning are those of the classic communications control the program was written for:
// a write that fails returns the error (number and text) and the property keeps its old
// value. All of it runs on the user-interface thread.
class MSComm1 : public QObject
{
    Q_OBJECT
public:
    // Event codes delivered through CommEvent.
    enum CommEventCode : int {
        EventSend = 1,
        EventReceive = 2,
        ErrorBreak = 1001,
        ErrorFrame = 1004,
        ErrorOverrun = 1006,
        ErrorRxOver = 1008,
        ErrorRxParity = 1009,
    };

    // The component's own error numbers. The texts of failures that come from the device are
    // the serial layer's own; the rest are fixed.
    static constexpr int kErrorInvalidValue = 380; // "Invalid property value"
    static constexpr int kErrorInvalidPort = 8002; // no such port
    static constexpr int kErrorPortOpen = 8005; // port already open, or held by another program
    static constexpr int kErrorNotAvailable = 8010; // the device would not open
    static constexpr int kErrorNotOpen = 8012; // "The device is not open"
    static constexpr int kErrorSettingsRefused = 8015; // the device refused a line setting

    // The port names are looked up in the "Ports" section of this store (key "Com<n>").
    explicit MSComm1(SettingsStore &portNames, QObject *parent = nullptr);
    ~MSComm1() override;

    qint16 commPort() const;
    Outcome setCommPort(int port);
    // The device that port number n stands for: the "Ports" mapping when present, else
    // /dev/ttyS<n-1> on Linux and COM<n> on Windows.
    QString deviceName(int port) const;

    // "speed,parity,databits,stopbits", parity read back as a lower-case letter. A speed
    // without a standard constant goes in through the control block, so only while open; the
    // text is applied whole or not at all.
    QString settings() const;
    Outcome setSettings(const QString &text);

    qint32 handshaking() const;
    // Virtual so that a device refusing a flow control, which no pseudo-terminal does, can be
    // stood in for.
    virtual Outcome setHandshaking(qint32 mode);

    qint16 inBufferSize() const;
    Outcome setInBufferSize(int bytes);

    bool portOpen() const;
    Outcome setPortOpen(bool open);

    qint16 inputLen() const;
    Outcome setInputLen(int length);

    qint32 inputMode() const;
    Outcome setInputMode(qint32 mode);

    qint16 inBufferCount() const;
    // Writing 0 discards the waiting bytes.
    Outcome setInBufferCount(int count);

    qint16 rThreshold() const;
    Outcome setRThreshold(int threshold);

    // Takes all waiting bytes out, in arrival order (InputLen 0).
    QByteArray input();

    // Code of the event being delivered.
    qint16 commEvent() const;

    // The open port's native handle (file descriptor on Linux, HANDLE on Windows); -1 when closed.
    qintptr commId() const;

    // Clears the port's error state after a line error so that reception goes on.
    Outcome clearCommError();

signals:
    // The receive event (OnComm): raised on the user-interface thread; read commEvent().
    void onComm();
    // The open port's device went away (an unplugged adapter, a closed pseudo-terminal); the
    // port now counts as closed and its handle is released.
    void deviceLost();

private:
    Outcome applyLineSettings(const LineSettings &line);
    Outcome applyHandshaking(qint32 mode);
    ErrorValue deviceError(int number);
    void checkThreshold();
    void onDeviceError(int error);
    void closeLostDevice();
    // The speed the open device really runs at; empty when closed or unreadable.
    std::optional<qint32> deviceSpeed() const;

    SettingsStore &m_portNames;
    QSerialPort *m_port = nullptr;
    LineSettings m_line;
    qint16 m_commPort = 1;
    qint32 m_handshaking = 0;
    qint16 m_inBufferSize = 1024;
    qint16 m_inputLen = 0;
    qint32 m_inputMode = 0;
    qint16 m_rThreshold = 0;
    qint16 m_commEvent = 0;
    // Set when the device vanished while open; the handle is released on the next turn of
    // the event loop, and until then the port already counts as closed.
    bool m_deviceLost = false;
};
