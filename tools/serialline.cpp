#include "serialline.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

ErrorValue systemError(const QString &what)
{
    const int number = errno;
    return ErrorValue { number,
                        what + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(number)) };
}

std::optional<speed_t> speedConstant(int baud)
{
    switch (baud) {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 500000:
        return B500000;
    case 576000:
        return B576000;
    case 921600:
        return B921600;
    case 1000000:
        return B1000000;
    case 1152000:
        return B1152000;
    case 1500000:
        return B1500000;
    case 2000000:
        return B2000000;
    case 2500000:
        return B2500000;
    case 3000000:
        return B3000000;
    case 3500000:
        return B3500000;
    case 4000000:
        return B4000000;
    default:
        return std::nullopt;
    }
}

bool makeRaw(int descriptor, std::optional<speed_t> speed)
{
    termios settings {};
    if (tcgetattr(descriptor, &settings) != 0) {
        return false;
    }
    // Raw: no echo, no signal characters (0x03 is a frame's end byte, not an interrupt), 8N1.
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    if (speed && (cfsetispeed(&settings, *speed) != 0 || cfsetospeed(&settings, *speed) != 0)) {
        return false;
    }
    return tcsetattr(descriptor, TCSANOW, &settings) == 0;
}

} // namespace

SerialLine::~SerialLine()
{
    removeLink();
    close();
}

Outcome SerialLine::openPseudoTerminal()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        return systemError(QStringLiteral("cannot open a pseudo-terminal"));
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        const ErrorValue error = systemError(QStringLiteral("cannot unlock the pseudo-terminal"));
        ::close(master);
        return error;
    }
    const char *name = ptsname(master);
    const int slave = name ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (slave < 0) {
        const ErrorValue error
            = systemError(QStringLiteral("cannot open the pseudo-terminal's slave"));
        ::close(master);
        return error;
    }
    if (!makeRaw(slave, std::nullopt)) {
        const ErrorValue error = systemError(QStringLiteral("cannot set the terminal raw"));
        ::close(slave);
        ::close(master);
        return error;
    }
    m_descriptor = master;
    m_slaveDescriptor = slave;
    m_devicePath = QString::fromLocal8Bit(name);
    return std::nullopt;
}

bool SerialLine::isStandardSpeed(int baud)
{
    return speedConstant(baud).has_value();
}

Outcome SerialLine::openDevice(const QString &path, int baud)
{
    const std::optional<speed_t> speed = speedConstant(baud);
    if (!speed) {
        return ErrorValue { EINVAL,
                            QStringLiteral("%1 baud is not a standard speed of a serial "
                                           "device")
                                .arg(baud) };
    }
    const QByteArray name = QFile::encodeName(path);
    const int descriptor = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return systemError(QStringLiteral("cannot open %1").arg(path));
    }
    if (!makeRaw(descriptor, speed)) {
        const ErrorValue error = systemError(QStringLiteral("cannot set up %1").arg(path));
        ::close(descriptor);
        return error;
    }
    m_descriptor = descriptor;
    m_devicePath = path;
    return std::nullopt;
}

Outcome SerialLine::makeLink(const QString &path)
{
    const QByteArray linkName = QFile::encodeName(path);
    const QByteArray target = QFile::encodeName(m_devicePath);
    const QFileInfo existing(path);
    if (existing.isSymLink()) {
        // A link left behind by a simulator that was killed: take its place.
        if (::unlink(linkName.constData()) != 0) {
            return systemError(QStringLiteral("cannot replace the link %1").arg(path));
        }
    } else if (existing.exists()) {
        return ErrorValue { EEXIST,
                            QStringLiteral("%1 exists and is not a symbolic link; it is "
                                           "left alone")
                                .arg(path) };
    }
    if (::symlink(target.constData(), linkName.constData()) != 0) {
        return systemError(QStringLiteral("cannot make the link %1").arg(path));
    }
    m_linkPath = path;
    return std::nullopt;
}

void SerialLine::removeLink()
{
    if (m_linkPath.isEmpty()) {
        return;
    }
    // Only our own link goes: another simulator may have taken the name since.
    if (QFileInfo(m_linkPath).symLinkTarget() == QFileInfo(m_devicePath).absoluteFilePath()) {
        ::unlink(QFile::encodeName(m_linkPath).constData());
    }
    m_linkPath.clear();
}

qsizetype SerialLine::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written
            = ::write(m_descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        if (written > 0) {
            done += written;
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            break; // full, or nobody at the other end: the rest is lost
        }
    }
    return bytes.size() - done;
}

void SerialLine::drainInput()
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_descriptor, buffer, sizeof buffer);
        if (got > 0) {
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return;
    }
}

int SerialLine::unreadBytes() const
{
    if (m_slaveDescriptor < 0) {
        return 0;
    }
    int waiting = 0;
    if (ioctl(m_slaveDescriptor, FIONREAD, &waiting) != 0) {
        return 0;
    }
    return waiting;
}

void SerialLine::discardUnread()
{
    if (m_slaveDescriptor >= 0) {
        tcflush(m_slaveDescriptor, TCIFLUSH);
    }
}

void SerialLine::close()
{
    if (m_slaveDescriptor >= 0) {
        ::close(m_slaveDescriptor);
        m_slaveDescriptor = -1;
    }
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}
