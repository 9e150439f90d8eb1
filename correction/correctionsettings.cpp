#include "correctionsettings.h"

#include "common/intervaltimer.h"
#include "common/numbertext.h"
#include "common/settingsstore.h"

#include <QRegularExpression>

namespace {

// Said in the log box at start-up: the flag may say correction is on while it is not.
ErrorValue overflowError(const char *key, const QString &stored)
{
    return ErrorValue { 6,
                        QStringLiteral("The stored correction setting %1=%2 does not fit "
                                       "-32768 to 32767; it and the settings after it were not "
                                       "loaded, so correction stays off. Choose the options "
                                       "on the SYSTEM page and press OK.")
                            .arg(QLatin1String(key), stored) };
}

ErrorValue typedTextError(const char *key)
{
    return ErrorValue { 13, QStringLiteral("Type mismatch (%1)").arg(QLatin1String(key)) };
}

QString flagText(bool checked)
{
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

CorrectionSettings::CorrectionSettings(SettingsStore &store, CorrectionOptions &options,
                                       IntervalTimer &timer3, IntervalTimer &timer4)
    : m_store(store)
    , m_options(options)
    , m_timer3(timer3)
    , m_timer4(timer4)
{
}

Outcome CorrectionSettings::loadOptions()
{
    // One key after the other, as the program always did: a value that does not fit ends
    // the reading, so what was read before it stays in force.
    m_options.correctOn = storedFlag(read(kCorrectOnKey));

    const auto period = storedNumber(read(kCorrectPeriodKey));
    if (!period) {
        return overflowError(kCorrectPeriodKey, read(kCorrectPeriodKey));
    }
    m_options.correctPeriod = *period;

    m_options.delayOn = storedFlag(read(kDelayOnKey));

    const auto delay = storedNumber(read(kDelayMsKey));
    if (!delay) {
        return overflowError(kDelayMsKey, read(kDelayMsKey));
    }
    m_options.delayMs = *delay;

    m_options.maskOn = storedFlag(read(kMaskOnKey));

    const auto minutes = storedNumber(read(kMaskMinutesKey));
    if (!minutes) {
        return overflowError(kMaskMinutesKey, read(kMaskMinutesKey));
    }
    m_options.maskMinutes = *minutes;

    m_options.zoneOn = storedFlag(read(kZoneOnKey));
    m_options.zoneSignal = read(kZoneSignalKey);
    m_options.zoneComputer = read(kZoneComputerKey);
    return std::nullopt;
}

Outcome CorrectionSettings::armTimers()
{
    if (const Outcome refused = m_timer3.setInterval(kCorrectionTickMs)) {
        return refused;
    }
    if (const Outcome refused = m_timer4.setInterval(m_options.delayMs)) {
        return refused;
    }
    m_timer3.setEnabled(m_options.correctOn);
    m_timer4.setEnabled(m_options.delayOn);
    return std::nullopt;
}

Outcome CorrectionSettings::storeChoices(const CorrectionChoices &choices)
{
    const Outcome stored[] = {
        write(kCorrectOnKey, flagText(choices.correctOn)),
        write(kCorrectPeriodKey, choices.correctPeriodText),
        write(kDelayOnKey, flagText(choices.delayOn)),
        write(kDelayMsKey, choices.delayMsText),
        write(kMaskOnKey, flagText(choices.maskOn)),
        write(kMaskMinutesKey, choices.maskMinutesText),
        write(kZoneOnKey, flagText(choices.zoneOn)),
        write(kZoneSignalKey, choices.zoneSignal),
        write(kZoneComputerKey, choices.zoneComputer),
    };
    for (const Outcome &failure : stored) {
        if (failure) {
            return failure;
        }
    }
    return std::nullopt;
}

Outcome CorrectionSettings::applyChoices(const CorrectionChoices &choices)
{
    Outcome firstRefusal;
    const auto refuse = [&firstRefusal](const ErrorValue &error) {
        if (!firstRefusal) {
            firstRefusal = error;
        }
    };

    if (const auto period = typedNumber(choices.correctPeriodText)) {
        m_options.correctPeriod = *period;
    } else {
        refuse(typedTextError(kCorrectPeriodKey));
    }

    if (const auto minutes = typedNumber(choices.maskMinutesText)) {
        m_options.maskMinutes = *minutes;
    } else {
        refuse(typedTextError(kMaskMinutesKey));
    }

    // A delay is also the interval of Timer4, which cannot be negative: such a text keeps
    // both the old delay and the timer as they were.
    const auto delay = typedNumber(choices.delayMsText);
    if (delay && *delay >= 0) {
        m_options.delayMs = *delay;
        if (const Outcome refused = m_timer4.setInterval(m_options.delayMs)) {
            refuse(*refused);
        }
    } else {
        refuse(typedTextError(kDelayMsKey));
    }

    m_options.zoneSignal = choices.zoneSignal;
    m_options.zoneComputer = choices.zoneComputer;
    m_options.correctOn = choices.correctOn;
    m_options.maskOn = choices.maskOn;
    m_options.delayOn = choices.delayOn;
    // zoneOn keeps its loaded value and the timers keep running or resting: the correction
    // cycle decides when a changed switch takes effect.
    return firstRefusal;
}

bool CorrectionSettings::storedFlag(const QString &text)
{
    return leadingNumber(text) != 0.0;
}

std::optional<qint16> CorrectionSettings::storedNumber(const QString &text)
{
    return toInt16(leadingNumber(text));
}

std::optional<qint16> CorrectionSettings::typedNumber(const QString &text)
{
    // Only a plain decimal number, the form in which the stored text is read at the next
    // start: "1e3" or "1,000" would be 1000 now and 1 after a restart.
    static const QRegularExpression pattern(
        QStringLiteral("^[ \\t]*[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)\\s*$"));
    if (!pattern.match(text).hasMatch()) {
        return std::nullopt;
    }
    return toInt16(leadingNumber(text));
}

QString CorrectionSettings::read(const char *key) const
{
    return m_store.value(QLatin1String(SettingsStore::kPropertiesSection), QLatin1String(key));
}

Outcome CorrectionSettings::write(const char *key, const QString &text)
{
    return m_store.setValue(QLatin1String(SettingsStore::kPropertiesSection), QLatin1String(key),
                            text);
}
