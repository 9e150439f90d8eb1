#include "mscomm1.h"

#include "common/settingsstore.h"
#include "serial/nativebaudrate.h"
#include "serial/portmapping.h"
#include "serial/serialportvalues.h"

#ifdef Q_OS_WIN
#include "serial/nativecommerror.h"
#endif

#include <QSerialPort>
#include <limits>

namespace {

constexpr int kMaximum16 = std::numeric_limits<qint16>::max();

ErrorValue invalidValue()
{
    return ErrorValue { MSComm1::kErrorInvalidValue, QStringLiteral("Invalid property value") };
}

} // namespace

MSComm1::MSComm1(SettingsStore &portNames, QObject *parent)
    : QObject(parent)
    , m_portNames(portNames)
    , m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &MSComm1::checkThreshold);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onDeviceError(error); });
}

MSComm1::~MSComm1() = default;

qint16 MSComm1::commPort() const
{
    return m_commPort;
}

Outcome MSComm1::setCommPort(int port)
{
    if (port < 1 || port > kMaximum16) {
        return ErrorValue { kErrorInvalidPort, QStringLiteral("Invalid port number") };
    }
    if (portOpen()) {
        return ErrorValue { kErrorPortOpen, QStringLiteral("Port already open") };
    }
    closeLostDevice();
    m_commPort = static_cast<qint16>(port);
    return std::nullopt;
}

QString MSComm1::deviceName(int port) const
{
    return PortMapping::deviceName(m_portNames, port);
}

QString MSComm1::settings() const
{
    LineSettings reported = m_line;
    // After a speed went in through the native control block the device runs at a rate the
    // serial layer does not know about; report what the device really uses.
    qint32 deviceSpeed = 0;
    if (portOpen() && NativeBaudRate::getBaudRate(true, commId(), deviceSpeed) == NativeBaudRate::Ok
        && deviceSpeed > 0) {
        reported.speed = deviceSpeed;
    }
    return reported.toText();
}

Outcome MSComm1::setSettings(const QString &text)
{
    const std::optional<LineSettings> line = LineSettings::fromText(text);
    if (!line) {
        return invalidValue();
    }
    // A rate without a standard constant is the control block's to accept or refuse, and a
    // closed port has no control block to ask: such a text is taken only while open.
    if (!portOpen() && !LineSettings::isStandardSpeed(line->speed)) {
        return invalidValue();
    }
    if (!portOpen()) {
        m_line = *line;
        return std::nullopt;
    }
    LineSettings before = m_line;
    before.speed = deviceSpeed().value_or(m_line.speed);
    const Outcome refused = applyLineSettings(*line);
    if (refused) {
        // The device must not be left half changed: put back what it ran with.
        applyLineSettings(before);
        m_port->clearError();
        return refused;
    }
    m_line = *line;
    return std::nullopt;
}

qint32 MSComm1::handshaking() const
{
    return m_handshaking;
}

Outcome MSComm1::setHandshaking(qint32 mode)
{
    if (mode < 0 || mode > 3) {
        return invalidValue();
    }
    if (portOpen()) {
        const Outcome refused = applyHandshaking(mode);
        if (refused) {
            applyHandshaking(m_handshaking);
            m_port->clearError();
            return refused;
        }
    }
    m_handshaking = mode;
    return std::nullopt;
}

qint16 MSComm1::inBufferSize() const
{
    return m_inBufferSize;
}

Outcome MSComm1::setInBufferSize(int bytes)
{
    if (bytes < 1 || bytes > kMaximum16) {
        return invalidValue();
    }
    m_inBufferSize = static_cast<qint16>(bytes);
    // Bytes beyond this wait in the driver until the program takes some out.
    m_port->setReadBufferSize(m_inBufferSize);
    return std::nullopt;
}

bool MSComm1::portOpen() const
{
    return m_port->isOpen() && !m_deviceLost;
}

Outcome MSComm1::setPortOpen(bool open)
{
    if (!open) {
        if (m_port->isOpen()) {
            // Keep the speed the device ran at, also one set through the control block, so
            // that opening again restores it.
            m_line.speed = deviceSpeed().value_or(m_line.speed);
            m_port->close();
            m_port->clearError();
        }
        m_deviceLost = false;
        return std::nullopt;
    }
    if (portOpen()) {
        return std::nullopt;
    }
    closeLostDevice();

    m_port->setPortName(deviceName(m_commPort));
    // A speed without a standard constant is given to the device after opening, through the
    // control block; the serial layer opens at a standard one first.
    const bool standardSpeed = LineSettings::isStandardSpeed(m_line.speed);
    m_port->setBaudRate(standardSpeed ? m_line.speed : 9600);
    m_port->setDataBits(static_cast<QSerialPort::DataBits>(m_line.dataBits));
    m_port->setParity(SerialPortValues::parity(m_line.parity));
    m_port->setStopBits(SerialPortValues::stopBits(m_line.stopBits));
    m_port->setFlowControl(SerialPortValues::flowControl(m_handshaking));
    m_port->setReadBufferSize(m_inBufferSize);
    if (!m_port->open(QIODevice::ReadWrite)) {
        int number = kErrorNotAvailable;
        if (m_port->error() == QSerialPort::DeviceNotFoundError) {
            number = kErrorInvalidPort;
        } else if (m_port->error() == QSerialPort::PermissionError) {
            number = kErrorPortOpen;
        }
        return deviceError(number);
    }
    // The tty may have been left receiving at a speed of its own by another program; the
    // serial layer only sets the sending speed over it.
    const NativeBaudRate::Status speedSet = standardSpeed
        ? NativeBaudRate::joinInputToOutput(true, commId())
        : NativeBaudRate::setBaudRate(true, commId(), m_line.speed);
    if (speedSet != NativeBaudRate::Ok) {
        m_port->close();
        m_port->clearError();
        return ErrorValue { NativeBaudRate::WriteFailed,
                            QString::fromLatin1(NativeBaudRate::kWriteFailedText) };
    }
    return std::nullopt;
}

qint16 MSComm1::inputLen() const
{
    return m_inputLen;
}

Outcome MSComm1::setInputLen(int length)
{
    if (length < 0 || length > kMaximum16) {
        return invalidValue();
    }
    m_inputLen = static_cast<qint16>(length);
    return std::nullopt;
}

qint32 MSComm1::inputMode() const
{
    return m_inputMode;
}

Outcome MSComm1::setInputMode(qint32 mode)
{
    if (mode != 0 && mode != 1) {
        return invalidValue();
    }
    m_inputMode = mode;
    return std::nullopt;
}

qint16 MSComm1::inBufferCount() const
{
    if (!portOpen()) {
        return 0;
    }
    return static_cast<qint16>(qMin<qint64>(m_port->bytesAvailable(), kMaximum16));
}

Outcome MSComm1::setInBufferCount(int count)
{
    if (count != 0) {
        return invalidValue();
    }
    if (portOpen()) {
        // Both what the serial layer holds and what still waits in the driver go.
        m_port->clear(QSerialPort::Input);
        m_port->readAll();
    }
    return std::nullopt;
}

qint16 MSComm1::rThreshold() const
{
    return m_rThreshold;
}

Outcome MSComm1::setRThreshold(int threshold)
{
    if (threshold < 0 || threshold > kMaximum16) {
        return invalidValue();
    }
    m_rThreshold = static_cast<qint16>(threshold);
    // Bytes that arrived before the threshold was set would otherwise wait for the next
    // byte; look at them once the current handler has returned.
    if (m_rThreshold > 0 && portOpen() && m_port->bytesAvailable() >= m_rThreshold) {
        QMetaObject::invokeMethod(this, &MSComm1::checkThreshold, Qt::QueuedConnection);
    }
    return std::nullopt;
}

QByteArray MSComm1::input()
{
    if (!portOpen()) {
        return {};
    }
    if (m_inputLen == 0) {
        return m_port->readAll();
    }
    return m_port->read(m_inputLen);
}

qint16 MSComm1::commEvent() const
{
    return m_commEvent;
}

qintptr MSComm1::commId() const
{
    if (!portOpen()) {
        return -1;
    }
#ifdef Q_OS_WIN
    return reinterpret_cast<qintptr>(m_port->handle());
#else
    return static_cast<qintptr>(m_port->handle());
#endif
}

Outcome MSComm1::clearCommError()
{
    if (!portOpen()) {
        return ErrorValue { kErrorNotOpen, QStringLiteral("The device is not open") };
    }
#ifdef Q_OS_WIN
    if (!NativeCommError::clearCommError(commId())) {
        return deviceError(kErrorNotAvailable);
    }
#endif
    // A Linux tty keeps no error state that stops reception; only the serial layer's
    // last error is forgotten.
    m_port->clearError();
    return std::nullopt;
}

Outcome MSComm1::applyLineSettings(const LineSettings &line)
{
    bool applied = true;
    if (LineSettings::isStandardSpeed(line.speed)) {
        // The serial layer moves the sending speed; receiving must follow it.
        applied = m_port->setBaudRate(line.speed)
            && NativeBaudRate::joinInputToOutput(true, commId()) == NativeBaudRate::Ok;
    } else {
        applied = NativeBaudRate::setBaudRate(true, commId(), line.speed) == NativeBaudRate::Ok;
    }
    applied = applied && m_port->setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
    applied = applied && m_port->setParity(SerialPortValues::parity(line.parity));
    applied = applied && m_port->setStopBits(SerialPortValues::stopBits(line.stopBits));
    if (!applied) {
        return deviceError(kErrorSettingsRefused);
    }
    return std::nullopt;
}

Outcome MSComm1::applyHandshaking(qint32 mode)
{
    if (!m_port->setFlowControl(SerialPortValues::flowControl(mode))) {
        return deviceError(kErrorSettingsRefused);
    }
    return std::nullopt;
}

ErrorValue MSComm1::deviceError(int number)
{
    ErrorValue error { number, m_port->errorString() };
    if (m_port->error() == QSerialPort::NoError || error.text.isEmpty()) {
        error.text = QStringLiteral("The device refused the setting");
    }
    m_port->clearError();
    return error;
}

void MSComm1::checkThreshold()
{
    if (m_rThreshold <= 0 || !portOpen() || m_port->bytesAvailable() < m_rThreshold) {
        return;
    }
    m_commEvent = EventReceive;
    emit onComm();
}

void MSComm1::onDeviceError(int error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) {
        return;
    }
    if (!m_port->isOpen() || m_deviceLost) {
        return;
    }
    // The device is gone (a closed pseudo-terminal, an unplugged adapter). The serial layer
    // would go on reporting the dead descriptor as readable and keep the processor busy, and
    // it cannot be closed from inside its own read: release it on the next turn. The speed it
    // ran at, also one set through the control block, is kept for opening it again.
    m_line.speed = deviceSpeed().value_or(m_line.speed);
    m_deviceLost = true;
    QMetaObject::invokeMethod(this, &MSComm1::closeLostDevice, Qt::QueuedConnection);
    emit deviceLost();
}

void MSComm1::closeLostDevice()
{
    if (!m_deviceLost) {
        return;
    }
    m_deviceLost = false;
    if (m_port->isOpen()) {
        m_port->close();
    }
    m_port->clearError();
}

std::optional<qint32> MSComm1::deviceSpeed() const
{
    // After a speed went in through the native control block the device runs at a rate the
    // serial layer does not know about; the block says what the device really uses.
    qint32 speed = 0;
    if (!portOpen() || NativeBaudRate::getBaudRate(true, commId(), speed) != NativeBaudRate::Ok
        || speed <= 0) {
        return std::nullopt;
    }
    return speed;
}
