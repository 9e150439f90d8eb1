#pragma once

#include <QByteArray>
#include <QString>

// A real pseudo-terminal pair for serial tests: the program opens the slave side (through a
// symbolic link, as a user's mapped device), the test writes and reads on the master side.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    // The slave device (/dev/pts/N) and a symbolic link to it in a temporary folder.
    QString slavePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }

    bool write(const QByteArray &bytes);
    // Closes the master side, as when a USB receiver is unplugged.
    void closeMaster();

    int slaveFd() const { return m_slave; }

private:
    int m_master = -1;
    int m_slave = -1; // kept open so the slave's settings survive between the program's opens
    QString m_slavePath;
    QString m_linkPath;
    QString m_linkDir;
};
