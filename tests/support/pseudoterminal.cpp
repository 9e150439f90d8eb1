#include "pseudoterminal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
    termios tio {};
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

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}
