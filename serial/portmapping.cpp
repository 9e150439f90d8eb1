#include "portmapping.h"

#include "common/settingsstore.h"
#include "serial/portchoicelists.h"

namespace {

QString key(int port)
{
    return QStringLiteral("Com%1").arg(port);
}

} // namespace

PortMapping::PortMapping(SettingsStore &store)
    : m_store(store)
{
}

QString PortMapping::deviceName(const SettingsStore &store, int port)
{
    const QString mapped
        = store.value(QLatin1String(SettingsStore::kPortsSection), key(port)).trimmed();
    if (!mapped.isEmpty()) {
        return mapped;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

QString PortMapping::deviceName(int port) const
{
    return deviceName(m_store, port);
}

QList<int> PortMapping::portsOf(const SerialDevice &device) const
{
    QList<int> ports;
    for (int port = 1; port <= PortChoiceLists::kPortCount; ++port) {
        if (SerialDeviceList::sameDevice(deviceName(port), device.device)) {
            ports.append(port);
        }
    }
    return ports;
}

Outcome PortMapping::map(int port, const QString &device)
{
    return m_store.setValue(QLatin1String(SettingsStore::kPortsSection), key(port), device);
}
