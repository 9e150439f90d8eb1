#pragma once

#include "common/errorvalue.h"
#include "serial/portsettingsapplier.h"

#include <QObject>
#include <QtGlobal>
#include <array>
#include <functional>

class MSComm1;
class QComboBox;
class QRadioButton;
class SettingsStore;

// Binds the port panel's controls to the port: fills the lists, shows the port's current
// state in them, records the option choices and applies the panel on OK. The logic lives in
// PortSettingsApplier and CurrentPortView; this class only reads and writes controls.
class PortPanel : public QObject
{
    Q_OBJECT
public:
    struct Controls
    {
        QComboBox *cboPort = nullptr;
        QComboBox *cboSpeed = nullptr;
        QComboBox *cboDataBits = nullptr;
        QComboBox *cboParity = nullptr;
        QComboBox *cboStopBits = nullptr;
        // Two lists of the correction panel, filled here with their fixed entries.
        QComboBox *Combo1 = nullptr;
        QComboBox *Combo6 = nullptr;
        std::array<QRadioButton *, 4> optFlow {};
        std::array<QRadioButton *, 2> optEcho {};
    };
    // Shows an error to the user; called at most once per OK.
    using Reporter = std::function<void(const ErrorValue &)>;

    PortPanel(const Controls &controls, MSComm1 &port, SettingsStore &store, bool &echoFlag,
              Reporter report, QObject *parent = nullptr);

    // Fills the lists (each exactly once, in order) and shows the port's current settings,
    // port number, flow control and echo. Nothing here is reported.
    void LoadPropertySettings();
    // The tooltip of each port entry names the device it stands for now.
    void showPortDevices();
    // The OK button: applies and stores the panel's choices; a failure is reported.
    void Command1_Click();
    void optFlow_Click(int Index);
    void optEcho_Click(int Index);

    qint16 pendingFlow() const { return m_pendingFlow; }
    bool pendingEcho() const { return m_pendingEcho; }

private:
    Controls m_controls;
    MSComm1 &m_port;
    SettingsStore &m_store;
    bool &m_echoFlag;
    Reporter m_report;
    PortSettingsApplier m_applier;
    qint16 m_pendingFlow = 0;
    bool m_pendingEcho = false;
};
