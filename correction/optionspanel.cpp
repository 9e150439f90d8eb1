#include "optionspanel.h"

#include "common/intervaltimer.h"
#include "correctionoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <initializer_list>

namespace {

bool isChecked(const QCheckBox *box)
{
    return box != nullptr && box->isChecked();
}

QString textOf(const QComboBox *combo)
{
    return combo != nullptr ? combo->currentText() : QString();
}

void setText(QComboBox *combo, const QString &text)
{
    if (combo != nullptr) {
        combo->setCurrentText(text);
    }
}

void enableAll(bool enabled, std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets) {
        if (widget != nullptr) {
            widget->setEnabled(enabled);
        }
    }
}

} // namespace

OptionsPanel::OptionsPanel(const OptionsControls &controls, CorrectionOptions &options,
                           SettingsStore &store, IntervalTimer &timer3, IntervalTimer &timer4,
                           QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_options(options)
    , m_settings(store, options, timer3, timer4)
    , m_timer3(timer3)
{
}

void OptionsPanel::connectControls()
{
    const std::initializer_list<std::pair<QCheckBox *, void (OptionsPanel::*)()>> checks = {
        { m_controls.Check1, &OptionsPanel::Check1_Click },
        { m_controls.Check2, &OptionsPanel::Check2_Click },
        { m_controls.Check3, &OptionsPanel::Check3_Click },
        { m_controls.Check4, &OptionsPanel::Check4_Click },
    };
    for (const auto &[box, handler] : checks) {
        if (box != nullptr) {
            connect(box, &QCheckBox::clicked, this, handler);
        }
    }
    if (m_controls.Command5 != nullptr) {
        connect(m_controls.Command5, &QPushButton::clicked, this, &OptionsPanel::Command5_Click);
    }
}

Outcome OptionsPanel::LoadCorrectionSettings()
{
    // Each step may stop the loading; the controls and timers then keep what they had, the
    // way a skipped start-up step leaves them.
    if (const Outcome failure = m_settings.loadOptions()) {
        return failure;
    }
    showOptions();
    if (const Outcome failure = m_settings.armTimers()) {
        return failure;
    }
    EnableCorrectGroup();
    EnableDelayGroup();
    EnableZoneGroup();
    EnableMaskGroup();
    return std::nullopt;
}

void OptionsPanel::Command5_Click()
{
    const CorrectionChoices current = choices();
    const Outcome notStored = m_settings.storeChoices(current);
    // A text that cannot be used keeps its option as it was; nothing to tell the user.
    m_settings.applyChoices(current);
    emit applied();
    if (m_options.correctOn && !m_timer3.isEnabled()) {
        emit correctionWaitsForRestart();
    }
    // Reporting step: the choices count for this run even when the file could not take them.
    if (notStored && m_report) {
        m_report(*notStored);
    }
}

void OptionsPanel::Check1_Click()
{
    EnableCorrectGroup();
}

void OptionsPanel::Check2_Click()
{
    EnableDelayGroup();
}

void OptionsPanel::Check3_Click()
{
    EnableZoneGroup();
}

void OptionsPanel::Check4_Click()
{
    EnableMaskGroup();
}

void OptionsPanel::EnableCorrectGroup()
{
    enableAll(isChecked(m_controls.Check1),
              { m_controls.Frame3, m_controls.Label6[0], m_controls.Label6[1], m_controls.Combo1 });
}

void OptionsPanel::EnableDelayGroup()
{
    enableAll(isChecked(m_controls.Check2),
              { m_controls.Label6[2], m_controls.Label6[3], m_controls.Combo2 });
}

void OptionsPanel::EnableZoneGroup()
{
    enableAll(isChecked(m_controls.Check3),
              { m_controls.Label6[4], m_controls.Label6[5], m_controls.Combo3, m_controls.Combo5 });
}

void OptionsPanel::EnableMaskGroup()
{
    enableAll(isChecked(m_controls.Check4), { m_controls.Label6[6], m_controls.Combo6 });
}

CorrectionChoices OptionsPanel::choices() const
{
    CorrectionChoices result;
    result.correctOn = isChecked(m_controls.Check1);
    result.correctPeriodText = textOf(m_controls.Combo1);
    result.delayOn = isChecked(m_controls.Check2);
    result.delayMsText = textOf(m_controls.Combo2);
    result.maskOn = isChecked(m_controls.Check4);
    result.maskMinutesText = textOf(m_controls.Combo6);
    result.zoneOn = isChecked(m_controls.Check3);
    result.zoneSignal = textOf(m_controls.Combo3);
    result.zoneComputer = textOf(m_controls.Combo5);
    return result;
}

void OptionsPanel::showOptions()
{
    struct CheckState
    {
        QCheckBox *box;
        bool checked;
        void (OptionsPanel::*clickHandler)();
    };
    // The check boxes in the order the program always set them; a box whose state changes
    // runs its click handler, as a click would.
    const CheckState checks[] = {
        { m_controls.Check1, m_options.correctOn, &OptionsPanel::Check1_Click },
        { m_controls.Check4, m_options.maskOn, &OptionsPanel::Check4_Click },
        { m_controls.Check2, m_options.delayOn, &OptionsPanel::Check2_Click },
        { m_controls.Check3, m_options.zoneOn, &OptionsPanel::Check3_Click },
    };
    for (const CheckState &check : checks) {
        if (check.box != nullptr && check.box->isChecked() != check.checked) {
            check.box->setChecked(check.checked);
            (this->*check.clickHandler)();
        }
    }
    setText(m_controls.Combo1, QString::number(m_options.correctPeriod));
    setText(m_controls.Combo2, QString::number(m_options.delayMs));
    setText(m_controls.Combo3, m_options.zoneSignal);
    setText(m_controls.Combo5, m_options.zoneComputer);
    setText(m_controls.Combo6, QString::number(m_options.maskMinutes));
}
