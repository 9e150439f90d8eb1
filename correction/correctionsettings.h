#pragma once

#include "common/errorvalue.h"
#include "correctionchoices.h"
#include "correctionoptions.h"

#include <QString>
#include <QtGlobal>
#include <optional>

class IntervalTimer;
class SettingsStore;

// Moves the correction options between the settings store, the choices on the "SYSTEM"
// page and the two correction timers. It holds no widgets: the options panel reads and
// fills the controls, this class decides what the texts mean.
class CorrectionSettings
{
public:
    // The keys, in the order in which they are read and written.
    static constexpr const char *kCorrectOnKey = "jiaoshiflag";
    static constexpr const char *kCorrectPeriodKey = "jiaoshimiao";
    static constexpr const char *kDelayOnKey = "gaojingflag";
    static constexpr const char *kDelayMsKey = "gaojingmiao";
    static constexpr const char *kMaskOnKey = "pingbiflag";
    static constexpr const char *kMaskMinutesKey = "pingbifen";
    static constexpr const char *kZoneOnKey = "shiquflag";
    static constexpr const char *kZoneSignalKey = "shiqu1";
    static constexpr const char *kZoneComputerKey = "shiqu2";

    static constexpr int kCorrectionTickMs = 1000;

    CorrectionSettings(SettingsStore &store, CorrectionOptions &options, IntervalTimer &timer3,
                       IntervalTimer &timer4);

    // Reads the nine keys in order into the options. A stored number that does not fit a
    // 16-bit integer stops the reading there: the options read before it keep their new
    // values, the rest keep what they had.
    Outcome loadOptions();
    // Arms the timers from the options: Timer3 every second while correction is on, Timer4
    // every delayMs while the delay is on. A negative delay is refused by the timer and
    // stops the arming there.
    Outcome armTimers();

    // Writes the nine keys in order: check boxes as "0"/"1", combo texts unchanged. Returns
    // the first write that did not reach the file.
    Outcome storeChoices(const CorrectionChoices &choices);
    // Takes the choices into the options. A number text that cannot be used (not a number,
    // out of the 16-bit range, a negative delay) keeps that option's previous value and
    // leaves the timers alone; the other choices are still taken. Returns the first such
    // refusal, for whoever wants to know.
    Outcome applyChoices(const CorrectionChoices &choices);

    // A stored flag: true iff the text's leading number is not 0.
    static bool storedFlag(const QString &text);
    // A stored number: the text's leading number rounded half to even; empty when it does
    // not fit 16 bits.
    static std::optional<qint16> storedNumber(const QString &text);
    // A number typed into a combo box: the whole text (blanks around it allowed) must be a
    // number; it is rounded half to even and must fit 16 bits.
    static std::optional<qint16> typedNumber(const QString &text);

private:
    QString read(const char *key) const;
    Outcome write(const char *key, const QString &text);

    SettingsStore &m_store;
    CorrectionOptions &m_options;
    IntervalTimer &m_timer3;
    IntervalTimer &m_timer4;
};
