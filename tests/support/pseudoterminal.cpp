#include "pseudoterminal.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw mode on the slave so the line discipline passes every byte unchanged.
    termios tio{};
    if (tcgetattr(m_slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(m_slave, TCSANOW, &tio);
    }
    m_slavePath = QString::fromLocal8Bit(name);
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/valtora-pty-XXXXXX"));
    dir.setAutoRemove(false);
    m_linkDir = dir.path();
    m_linkPath = m_linkDir + QStringLiteral("/ttyVALTORA");
    QFile::link(m_slavePath, m_linkPath);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (m_slave >= 0) {
        ::close(m_slave);
    }
    if (!m_linkDir.isEmpty()) {
        QDir(m_linkDir).removeRecursively();
    }
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray PseudoTerminal::read(int timeoutMs)
{
    QByteArray result;
    pollfd pfd{m_master, POLLIN, 0};
    int wait = timeoutMs;
    while (::poll(&pfd, 1, wait) > 0 && (pfd.revents & POLLIN)) {
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.append(buffer, n);
        wait = 20;
    }
    return result;
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}
