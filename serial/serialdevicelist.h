#pragma once

#include <QList>
#include <QString>

// A serial device of the system as a user recognises it: where it is, what it says it is,
// and the name that stays the same when the receiver is plugged into another socket.
struct SerialDevice
{
    QString device; // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    // "/dev/serial/by-id/usb-..." when the system gives the device one; empty otherwise.
    QString stableName;

    // What a port is best mapped to: the stable name, or the device where there is none.
    QString mappingName() const { return stableName.isEmpty() ? device : stableName; }

    friend bool operator==(const SerialDevice &, const SerialDevice &) = default;
};

class SerialDeviceList
{
public:
    // Where udev puts its links named after the maker, the product and the serial number.
    static constexpr const char *kStableNameFolder = "/dev/serial/by-id";

    // The serial devices the system has now, sorted by device, each with its stable name.
    static QList<SerialDevice> systemDevices();
    // Gives each device the link in `folder` that leads to it, if there is one.
    static void addStableNames(QList<SerialDevice> &devices, const QString &folder);
    // True when the two names lead to the same device (a link and what it points to).
    static bool sameDevice(const QString &one, const QString &other);
};
