#include "portsettingsapplier.h"

#include "common/numbertext.h"
#include "common/settingsstore.h"
#include "serial/baudrate.h"
#include "serial/mscomm1.h"
#include "serial/portmessage.h"

#include <QStringList>
#include <cmath>

namespace {

// The whole number a speed text begins with; 0 when it begins with none.
qint32 speedFromText(const QString &text)
{
    return toInt32(std::trunc(leadingNumber(text))).value_or(0);
}

// The line choices that the port does not run with now, by the names the panel gives them;
// empty when it runs them all.
Outcome unappliedChoices(const PortSettingsApplier::Choices &choices, const QString &reported)
{
    const QStringList running = reported.split(QLatin1Char(','));
    if (running.size() != 4) {
        return std::nullopt;
    }
    QStringList unapplied;
    if (choices.parityText.left(1).compare(running.at(1), Qt::CaseInsensitive) != 0) {
        unapplied << QStringLiteral("PARITY ") + choices.parityText;
    }
    if (choices.dataBitsText.trimmed() != running.at(2)) {
        unapplied << QStringLiteral("DATABITS ") + choices.dataBitsText.trimmed();
    }
    if (choices.stopBitsText.trimmed() != running.at(3)) {
        unapplied << QStringLiteral("STOPBITS ") + choices.stopBitsText.trimmed();
    }
    if (unapplied.isEmpty()) {
        return std::nullopt;
    }
    return ErrorValue { MSComm1::kErrorSettingsRefused,
                        QStringLiteral("The port did not take %1; it runs at %2.")
                            .arg(unapplied.join(QStringLiteral(", ")), reported) };
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
            return portMessage(port, newPort, *failure);
        }
    }

    // A speed without a standard constant goes in with the rest of the text, through the
    // port's control block. When the port refuses the text, its speed still goes in that
    // way; what else the user chose and the port does not run then is said, not lost.
    if (port.setSettings(settingsText(choices))) {
        const qint32 baud = speedFromText(choices.speedText);
        if (const Outcome failure = SetBaudRate(port, baud)) {
            return portMessage(port, port.commPort(), *failure);
        }
        if (const Outcome unapplied = unappliedChoices(choices, port.settings())) {
            return portMessage(port, port.commPort(), *unapplied);
        }
    }

    if (const Outcome failure = port.setHandshaking(choices.pendingFlow)) {
        return portMessage(port, port.commPort(), *failure);
    }

    // The port runs the choices now whatever happens to the file; a store that cannot be
    // written is said once, with its first failure.
    const QString section = QLatin1String(SettingsStore::kPropertiesSection);
    const Outcome stored[] = {
        store.setValue(section, QStringLiteral("portSettings"), port.settings()),
        store.setValue(section, QStringLiteral("CommPort"), QString::number(port.commPort())),
        store.setValue(section, QStringLiteral("Handshaking"), QString::number(port.handshaking())),
        store.setValue(section, QStringLiteral("Echo"),
                       echoFlag ? QStringLiteral("True") : QStringLiteral("False")),
    };
    for (const Outcome &failure : stored) {
        if (failure) {
            return failure;
        }
    }
    return std::nullopt;
}
