#include "portmessage.h"

#include "serial/mscomm1.h"

ErrorValue portMessage(const MSComm1 &port, int portNumber, const ErrorValue &error)
{
    if (portNumber < 1) {
        return error;
    }
    ErrorValue named = error;
    named.text = QStringLiteral("Com%1 (%2): %3")
                     .arg(portNumber)
                     .arg(port.deviceName(portNumber), error.text);
#ifndef Q_OS_WIN
    // Serial devices belong to the group dialout; membership counts from the next login.
    if (error.text == QLatin1String("Permission denied")) {
        named.text += QStringLiteral("\n\nTo get access, add your user to the group dialout "
                                     "(sudo adduser $USER dialout), then log out and log in "
                                     "again.");
    }
#endif
    return named;
}
