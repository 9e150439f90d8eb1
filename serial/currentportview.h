#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// What the port panel shows of the port's current state. Each field is empty when that part
// cannot be read, and the panel then leaves its control as it was.
class CurrentPortView
{
public:
    std::optional<QString> speedText;
    // The entry of the parity list ("Even", "Odd", "None", "Mark", "Space").
    std::optional<QString> parityText;
    std::optional<QString> dataBitsText;
    std::optional<QString> stopBitsText;
    // Position in the port list: port number - 1, for ports 1 to 16.
    std::optional<int> portIndex;
    // The flow option to select: the handshaking code 0 to 3.
    std::optional<int> flowIndex;
    // The echo option to select: 1 when the echo flag is set, else 0.
    int echoIndex = 0;

    // Reads the settings text by position from its end, so the speed may have any number of
    // digits: parity, data bits and stop bits sit at fixed places before the end, and stop
    // bits of "1.5" (found by the ".") move them two places further.
    static CurrentPortView fromPort(const QString &settings, int commPort, qint32 handshaking,
                                    bool echoFlag);
};
