#include "portsettingsapplier.h"

#include "common/numbertext.h"
#include "common/settingsstore.h"
#include "serial/baudrate.h"
#include "serial/mscomm1.h"

#include <cmath>

namespace {

// The whole number a speed text begins with; 0 when it begins with none.
qint32 speedFromText(const QString &text)
{
    return toInt32(std::trunc(leadingNumber(text))).value_or(0);
}

} // namespace

// A new port number is set with the port closed; a port that was open is opened again on
// the new number. Any failure puts the old number back and leaves the port closed. A port
// that was open when a change failed still counts as open for the next change, so that
// choosing a working port later brings it back; one that was already closed (opening
// failed at start-up) gets only its new number, and opens at the next start.
Outcome PortSettingsApplier::changePort(MSComm1 &port, int newPort)
{
    const qint16 oldPort = port.commPort();
    Outcome failure;
    bool reopen = m_reopenPending;
    if (port.portOpen()) {
        failure = port.setPortOpen(false);
        reopen = reopen || !failure;
    }
    if (!failure) {
        failure = port.setCommPort(newPort);
    }
    if (!failure && reopen) {
        failure = port.setPortOpen(true);
    }
    if (failure) {
        port.setCommPort(oldPort);
        m_reopenPending = reopen && !port.portOpen();
    } else {
        m_reopenPending = false;
    }
    return failure;
}

QString PortSettingsApplier::settingsText(const Choices &choices)
{
    return choices.speedText.trimmed() + QLatin1Char(',') + choices.parityText.left(1)
        + QLatin1Char(',') + choices.dataBitsText.trimmed() + QLatin1Char(',')
        + choices.stopBitsText.trimmed();
}

Outcome PortSettingsApplier::apply(const Choices &choices, MSComm1 &port, SettingsStore &store,
                                   bool &echoFlag)
{
    // The echo choice counts for the running program even when a later step fails.
    echoFlag = choices.pendingEcho;

    // However the port came to be open again, it no longer waits to be reopened.
    if (port.portOpen()) {
        m_reopenPending = false;
    }

    const int newPort = choices.portIndex + 1;
    if (newPort != port.commPort()) {
        if (const Outcome failure = changePort(port, newPort)) {
            return failure;
        }
    }

    // A speed without a standard constant is refused in the text; it still reaches the port
    // through its control block, and the rest of the text is then left as the port has it.
    if (port.setSettings(settingsText(choices))) {
        const qint32 baud = speedFromText(choices.speedText);
        if (const Outcome failure = SetBaudRate(port, baud)) {
            return failure;
        }
    }

    if (const Outcome failure = port.setHandshaking(choices.pendingFlow)) {
        return failure;
    }

    const QString section = QLatin1String(SettingsStore::kPropertiesSection);
    store.setValue(section, QStringLiteral("portSettings"), port.settings());
    store.setValue(section, QStringLiteral("CommPort"), QString::number(port.commPort()));
    store.setValue(section, QStringLiteral("Handshaking"), QString::number(port.handshaking()));
    store.setValue(section, QStringLiteral("Echo"),
                   echoFlag ? QStringLiteral("True") : QStringLiteral("False"));
    return std::nullopt;
}
