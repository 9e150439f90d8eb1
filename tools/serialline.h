#pragma once

#include "common/errorvalue.h"

#include <QByteArray>
#include <QString>

// The simulator's end of the line: the master side of a pseudo-terminal, or a real serial
// device. Writes never block: a byte the other side has no room for is lost, as on a wire.
class SerialLine
{
public:
    SerialLine() = default;
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Opens a pseudo-terminal pair in raw mode; devicePath() is then the side to open.
    Outcome openPseudoTerminal();
    // Opens a serial device raw, 8N1, at a standard speed.
    Outcome openDevice(const QString &path, int baud);
    // True for the speeds a serial device can be set to here.
    static bool isStandardSpeed(int baud);
    // Makes path a symbolic link to devicePath(). An old link there is replaced; anything
    // else there is left alone and refused.
    Outcome makeLink(const QString &path);
    // Removes the link made by makeLink() if it still points to this line's device.
    void removeLink();

    QString devicePath() const { return m_devicePath; }
    int descriptor() const { return m_descriptor; }

    // Writes what the line takes now; returns the bytes lost.
    qsizetype write(const QByteArray &bytes);
    // Reads and drops whatever the program sent, so that its writes never stall.
    void drainInput();
    // Bytes written but not yet read by the other side of a pseudo-terminal (0 for a device).
    int unreadBytes() const;
    // Drops what the other side of a pseudo-terminal has not read: a line nobody listens to
    // does not keep old frames for later.
    void discardUnread();

    void close();

private:
    int m_descriptor = -1;
    // The slave side stays open so that its raw settings last between the program's opens.
    int m_slaveDescriptor = -1;
    QString m_devicePath;
    QString m_linkPath;
};
