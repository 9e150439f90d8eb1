#pragma once

#include "common/errorvalue.h"
#include "serial/serialdevicelist.h"

#include <QList>
#include <QString>

class SettingsStore;

// Which device each port number stands for: the "[Ports]" section of the settings
// ("Com3=/dev/serial/by-id/usb-..."), or the system's own name for the port where it holds
// none (/dev/ttyS2 on Linux, COM3 on Windows).
class PortMapping
{
public:
    explicit PortMapping(SettingsStore &store);

    QString deviceName(int port) const;
    // The port numbers of the port list (Com1 ... Com16) that stand for this device now.
    QList<int> portsOf(const SerialDevice &device) const;
    // Stores the device for the port; it is in effect at once even when the file cannot be
    // written, as every stored choice is.
    Outcome map(int port, const QString &device);

    static QString deviceName(const SettingsStore &store, int port);

private:
    SettingsStore &m_store;
};
