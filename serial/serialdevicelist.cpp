#include "serialdevicelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace {

QString resolved(const QString &name)
{
    const QString canonical = QFileInfo(name).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(name) : canonical;
}

} // namespace

QList<SerialDevice> SerialDeviceList::systemDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        devices.append(SerialDevice { info.systemLocation(), info.description(),
                                      info.manufacturer(), info.serialNumber(), QString() });
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice &a, const SerialDevice &b) { return a.device < b.device; });
    addStableNames(devices, QLatin1String(kStableNameFolder));
    return devices;
}

void SerialDeviceList::addStableNames(QList<SerialDevice> &devices, const QString &folder)
{
    const QFileInfoList links = QDir(folder).entryInfoList(QDir::System | QDir::Files, QDir::Name);
    for (SerialDevice &device : devices) {
        const QString target = resolved(device.device);
        for (const QFileInfo &link : links) {
            if (link.isSymLink() && link.canonicalFilePath() == target) {
                device.stableName = link.absoluteFilePath();
                break;
            }
        }
    }
}

bool SerialDeviceList::sameDevice(const QString &one, const QString &other)
{
    return !one.isEmpty() && !other.isEmpty() && resolved(one) == resolved(other);
}
