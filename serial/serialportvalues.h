#pragma once

#include <QSerialPort>
#include <QString>

// The port component's values in the serial layer's terms.
namespace SerialPortValues {

// A parity letter e, o, n, m or s.
QSerialPort::Parity parity(QChar letter);
// Stop bits "1", "1.5" or "2".
QSerialPort::StopBits stopBits(const QString &text);
// A handshaking code 0 to 3.
QSerialPort::FlowControl flowControl(qint32 mode);

} // namespace SerialPortValues
