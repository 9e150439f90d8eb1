#include "serialportvalues.h"

namespace SerialPortValues {

QSerialPort::Parity parity(QChar letter)
{
    switch (letter.unicode()) {
    case 'e':
        return QSerialPort::EvenParity;
    case 'o':
        return QSerialPort::OddParity;
    case 'm':
        return QSerialPort::MarkParity;
    case 's':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits stopBits(const QString &text)
{
    if (text == QLatin1String("2")) {
        return QSerialPort::TwoStop;
    }
    if (text == QLatin1String("1.5")) {
        return QSerialPort::OneAndHalfStop;
    }
    return QSerialPort::OneStop;
}

// Qt knows no combined RTS and XON/XOFF mode. Of the two, RTS/CTS is the one that never
// takes bytes out of the data: with XON/XOFF the receiver's BCD values 11 and 13 (the
// control characters 0x11 and 0x13) would be swallowed. The code 3 is kept and reported.
QSerialPort::FlowControl flowControl(qint32 mode)
{
    switch (mode) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

} // namespace SerialPortValues
