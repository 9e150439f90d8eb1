#pragma once

#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"

#include <QTemporaryDir>
#include <QTest>
// termios2 holds the speeds as numbers, also those without a B-constant. Its header cannot
// share a file with <termios.h>, so the serial tests use it alone.
#include <asm/termbits.h>
#include <sys/ioctl.h>

inline char *toString(const ErrorValue &error)
{
    return QTest::toString(QStringLiteral("%1 %2").arg(error.number).arg(error.text));
}
inline char *toString(const Outcome &outcome)
{
    return outcome ? toString(*outcome) : QTest::toString("no error");
}

// A port service over a fresh INI store in which port kPtyPort is mapped to a real
// pseudo-terminal. Members go away in reverse order, port first.
struct PtyPort
{
    static constexpr int kPtyPort = 2;
    static constexpr const char *kKeys[] = { "portSettings", "CommPort", "Handshaking", "Echo" };
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
    // The port's stored keys, "portSettings|CommPort|Handshaking|Echo" ("" = no key).
    QString stored() const
    {
        QStringList values;
        for (const char *key : kKeys) {
            values << store.value(QString::fromLatin1(SettingsStore::kPropertiesSection),
                                  QLatin1String(key));
        }
        return values.join(u'|');
    }
    // The tty's line as the kernel holds it: what really reached the device.
    termios2 line() const
    {
        termios2 block {};
        ::ioctl(pty.slaveFd(), TCGETS2, &block);
        return block;
    }
    QString speeds() const // "out/in"
    {
        return QStringLiteral("%1/%2").arg(line().c_ospeed).arg(line().c_ispeed);
    }
    // Leaves the tty receiving at a speed of its own, as another program may.
    bool setSpeeds(long input, long output)
    {
        termios2 block = line();
        block.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
        block.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
        block.c_ospeed = static_cast<speed_t>(output);
        block.c_ispeed = static_cast<speed_t>(input);
        return ::ioctl(pty.slaveFd(), TCSETS2, &block) == 0;
    }
};
