#include "portpanel.h"

#include "serial/currentportview.h"
#include "serial/mscomm1.h"
#include "serial/portchoicelists.h"
#include "serial/portsettingsapplier.h"

#include <QComboBox>
#include <QRadioButton>

namespace {

// Fills a list with its fixed entries. A list filled before is emptied first, so its
// entries are never doubled. A typed-in text of an editable list is kept: the correction
// options may already have put their value there.
void fill(QComboBox *list, const QStringList &entries)
{
    if (list == nullptr) {
        return;
    }
    const QString typed = list->isEditable() ? list->currentText() : QString();
    list->clear();
    list->addItems(entries);
    if (list->isEditable()) {
        list->setEditText(typed);
    } else {
        // A pick-only list starts with nothing selected, like the list it replaces.
        list->setCurrentIndex(-1);
    }
}

// Selects the entry with exactly this text; without one the list keeps its selection.
void selectText(QComboBox *list, const std::optional<QString> &text)
{
    if (list == nullptr || !text) {
        return;
    }
    const int index = list->findText(*text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        list->setCurrentIndex(index);
    }
}

} // namespace

PortPanel::PortPanel(const Controls &controls, MSComm1 &port, SettingsStore &store, bool &echoFlag,
                     Reporter report, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_port(port)
    , m_store(store)
    , m_echoFlag(echoFlag)
    , m_report(std::move(report))
{
    // Selecting an option records it, whether the user clicks it or the program selects it;
    // a click on the option already selected records it again.
    for (int index = 0; index < int(m_controls.optFlow.size()); ++index) {
        QRadioButton *option = m_controls.optFlow.at(index);
        if (option == nullptr) {
            continue;
        }
        connect(option, &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked) {
                optFlow_Click(index);
            }
        });
        connect(option, &QRadioButton::clicked, this, [this, index] { optFlow_Click(index); });
    }
    for (int index = 0; index < int(m_controls.optEcho.size()); ++index) {
        QRadioButton *option = m_controls.optEcho.at(index);
        if (option == nullptr) {
            continue;
        }
        connect(option, &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked) {
                optEcho_Click(index);
            }
        });
        connect(option, &QRadioButton::clicked, this, [this, index] { optEcho_Click(index); });
    }
}

void PortPanel::showPortDevices()
{
    if (m_controls.cboPort == nullptr) {
        return;
    }
    // The entries keep their names; the device each one stands for is one hover away.
    for (int i = 0; i < m_controls.cboPort->count(); ++i) {
        m_controls.cboPort->setItemData(i, m_port.deviceName(i + 1), Qt::ToolTipRole);
    }
}

void PortPanel::LoadPropertySettings()
{
    fill(m_controls.cboPort, PortChoiceLists::ports());
    showPortDevices();
    fill(m_controls.Combo1, PortChoiceLists::correctionPeriods());
    fill(m_controls.Combo6, PortChoiceLists::midnightMinutes());
    fill(m_controls.cboSpeed, PortChoiceLists::speeds());
    fill(m_controls.cboDataBits, PortChoiceLists::dataBits());
    fill(m_controls.cboParity, PortChoiceLists::parities());
    fill(m_controls.cboStopBits, PortChoiceLists::stopBits());

    // Each part below that cannot be read leaves its control as it was.
    const CurrentPortView view = CurrentPortView::fromPort(m_port.settings(), m_port.commPort(),
                                                           m_port.handshaking(), m_echoFlag);
    selectText(m_controls.cboSpeed, view.speedText);
    selectText(m_controls.cboParity, view.parityText);
    selectText(m_controls.cboDataBits, view.dataBitsText);
    selectText(m_controls.cboStopBits, view.stopBitsText);
    if (view.portIndex && m_controls.cboPort != nullptr) {
        m_controls.cboPort->setCurrentIndex(*view.portIndex);
    }
    if (view.flowIndex) {
        if (QRadioButton *option = m_controls.optFlow.at(*view.flowIndex)) {
            option->setChecked(true);
            optFlow_Click(*view.flowIndex);
        }
    }
    if (QRadioButton *option = m_controls.optEcho.at(view.echoIndex)) {
        option->setChecked(true);
        optEcho_Click(view.echoIndex);
    }
}

void PortPanel::Command1_Click()
{
    const auto textOf
        = [](const QComboBox *list) { return list != nullptr ? list->currentText() : QString(); };
    PortSettingsApplier::Choices choices;
    choices.portIndex = m_controls.cboPort != nullptr ? m_controls.cboPort->currentIndex() : -1;
    choices.speedText = textOf(m_controls.cboSpeed);
    choices.parityText = textOf(m_controls.cboParity);
    choices.dataBitsText = textOf(m_controls.cboDataBits);
    choices.stopBitsText = textOf(m_controls.cboStopBits);
    choices.pendingFlow = m_pendingFlow;
    choices.pendingEcho = m_pendingEcho;

    // Reporting handler: the one failure that ended the apply is shown; success shows nothing.
    const Outcome failure = m_applier.apply(choices, m_port, m_store, m_echoFlag);
    if (failure && m_report) {
        m_report(*failure);
    }
}

void PortPanel::optFlow_Click(int Index)
{
    m_pendingFlow = static_cast<qint16>(Index);
}

void PortPanel::optEcho_Click(int Index)
{
    m_pendingEcho = Index == 1;
}
