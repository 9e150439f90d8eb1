#pragma once

#include "common/errorvalue.h"
#include "correctionchoices.h"
#include "correctionsettings.h"

#include <QObject>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class IntervalTimer;
class SettingsStore;
struct CorrectionOptions;

// The controls of the "SYSTEM" page that the correction options drive. Label6 is indexed
// like the window's label group: Label6[0] is "Label6(0)". Command5 may be null when the
// window forwards its click itself.
struct OptionsControls
{
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check3 = nullptr;
    QCheckBox *Check4 = nullptr;
    QGroupBox *Frame3 = nullptr;
    std::array<QLabel *, 8> Label6 {};
    QComboBox *Combo1 = nullptr;
    QComboBox *Combo2 = nullptr;
    QComboBox *Combo3 = nullptr;
    QComboBox *Combo5 = nullptr;
    QComboBox *Combo6 = nullptr;
    QPushButton *Command5 = nullptr;
};

// Binds the correction options to the check boxes and combo boxes of the "SYSTEM" page:
// loads them into the controls at start-up, stores and applies them on OK, and enables
// each group with its check box.
class OptionsPanel : public QObject
{
    Q_OBJECT
public:
    OptionsPanel(const OptionsControls &controls, CorrectionOptions &options, SettingsStore &store,
                 IntervalTimer &timer3, IntervalTimer &timer4, QObject *parent = nullptr);

    // Connects the clicks of Check1..Check4 and Command5 to the handlers below. Call it
    // once, or forward the clicks yourself, not both.
    void connectControls();

    // Start-up: options from the store into the fields and the controls, timers armed,
    // groups enabled. A stored value that cannot be used stops it there; the returned
    // failure is for diagnostics only, start-up goes on.
    Outcome LoadCorrectionSettings();

    // Shows an error to the user: the one of a store that could not be written on OK.
    using Reporter = std::function<void(const ErrorValue &)>;
    void setReporter(Reporter report) { m_report = std::move(report); }

    // OK: stores the nine keys, then takes the controls' choices into the options.
    void Command5_Click();

    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();

    void EnableCorrectGroup();
    void EnableDelayGroup();
    void EnableZoneGroup();
    void EnableMaskGroup();

    // What the controls show now.
    CorrectionChoices choices() const;

signals:
    // OK took the controls' choices into the options.
    void applied();
    // OK turned correction on while the correction timer is stopped: it starts only with the
    // next start of the program, and the user must be told.
    void correctionWaitsForRestart();

private:
    void showOptions();

    OptionsControls m_controls;
    CorrectionOptions &m_options;
    CorrectionSettings m_settings;
    IntervalTimer &m_timer3;
    Reporter m_report;
};
