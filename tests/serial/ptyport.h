#pragma once

#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"
#include "ttytermios2.h"

#include <QTemporaryDir>
#include <QTest>

// Show errors and outcomes in failed comparisons.
inline char *toString(const ErrorValue &error)
{
    return QTest::toString(QStringLiteral("%1 %2").arg(error.number).arg(error.text));
}
inline char *toString(const Outcome &outcome)
{
    return outcome ? toString(*outcome) : QTest::toString(QStringLiteral("no error"));
}

// The serial tests' common ground: a port service over a fresh INI store in which port
// kPtyPort is mapped to a real pseudo-terminal. Members go away in reverse order, port first.
struct PtyPort
{
    static constexpr int kPtyPort = 2;

    QTemporaryDir dir;
    SettingsStore store { dir.filePath(QStringLiteral("store.ini")) };
    PseudoTerminal pty;
    MSComm1 port { store };

    PtyPort() { mapPort(kPtyPort, pty.linkPath()); }

    void mapPort(int number, const QString &device)
    {
        store.setValue(QString::fromLatin1(SettingsStore::kPortsSection),
                       QStringLiteral("Com%1").arg(number), device);
    }
    // A device path that does not exist, as an unplugged receiver.
    QString missingDevice() const { return dir.filePath(QStringLiteral("unplugged")); }
    Outcome openPty()
    {
        const Outcome set = port.setCommPort(kPtyPort);
        return set ? set : port.setPortOpen(true);
    }
    int fd() const { return pty.slaveFd(); }
    QString speeds() const { return TtyTermios2::speeds(fd()); }
};
