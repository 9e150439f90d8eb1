#include "portrestore.h"

#include "common/numbertext.h"
#include "common/settingsstore.h"
#include "serial/mscomm1.h"
#include "serial/serialdevicelist.h"

namespace {

constexpr int kReceiveBufferBytes = 1024;

QString stored(const SettingsStore &store, const char *key)
{
    return store.value(QLatin1String(SettingsStore::kPropertiesSection), QLatin1String(key));
}

// True when the text starts, after blanks, with a number that leadingNumber() can read. A
// text that is missing or holds no number is no value at all, not a 0.
bool beginsWithNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    if (i < trimmed.size()
        && (trimmed.at(i) == QLatin1Char('+') || trimmed.at(i) == QLatin1Char('-'))) {
        ++i;
    }
    if (i < trimmed.size() && trimmed.at(i) == QLatin1Char('.')) {
        ++i;
    }
    return i < trimmed.size() && trimmed.at(i) >= QLatin1Char('0')
        && trimmed.at(i) <= QLatin1Char('9');
}

} // namespace

void restorePortSettings(MSComm1 &port, const SettingsStore &store, bool &echoFlag)
{
    // Every step below skips on failure: a first run finds no keys at all, and a hand-edited
    // value must not keep the others from being restored.
    port.setSettings(stored(store, "portSettings"));

    const QString portText = stored(store, "CommPort");
    if (beginsWithNumber(portText)) {
        if (const std::optional<qint16> number = toInt16(leadingNumber(portText))) {
            port.setCommPort(*number);
        }
    }

    const QString handshakingText = stored(store, "Handshaking");
    if (beginsWithNumber(handshakingText)) {
        if (const std::optional<qint32> mode = toInt32(leadingNumber(handshakingText))) {
            port.setHandshaking(*mode);
        }
    }

    port.setInBufferSize(kReceiveBufferBytes);

    if (const std::optional<bool> echo = booleanFromText(stored(store, "Echo"))) {
        echoFlag = *echo;
    }
}

Outcome OPENCOMM2(MSComm1 &port)
{
    const Outcome opened = port.setPortOpen(!port.portOpen());
    // The arming steps pass over their failures: on a port that would not open they have
    // nothing to act on, and the open error alone is what the user needs to see.
    port.setInputLen(0);
    port.setInputMode(0);
    port.setInBufferCount(0);
    port.setRThreshold(1);
    return opened;
}

void restoreStoredSpeed(MSComm1 &port, const SettingsStore &store)
{
    const QString text = stored(store, "portSettings");
    if (!port.portOpen() || port.settings() == text) {
        return;
    }
    // Whole or not at all: a stored text that the device refuses in any field leaves the
    // port as it opened, its speed included.
    port.setSettings(text);
}

Outcome openOnMappedDevice(MSComm1 &port, const SettingsStore &store, const QString &previousDevice)
{
    if (port.portOpen()) {
        if (SerialDeviceList::sameDevice(previousDevice, port.deviceName(port.commPort()))) {
            return std::nullopt;
        }
        if (const Outcome failure = port.setPortOpen(false)) {
            return failure;
        }
    }
    if (const Outcome failure = OPENCOMM2(port)) {
        return failure;
    }
    restoreStoredSpeed(port, store);
    return std::nullopt;
}
