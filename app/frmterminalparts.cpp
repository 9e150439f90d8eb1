// How the main window's parts are made from its controls and joined: reception, the port
// panel and its reconnection, the correction options, the cycle, its log box and overlay.
#include "common/monotonicclock.h"
#include "common/twips.h"
#include "correction/clockstatus.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/optionspanel.h"
#include "frames/framereceiver.h"
#include "frames/receptionlogic.h"
#include "frames/receptionpanel.h"
#include "frmterminal.h"
#include "layoutbuilder.h"
#include "mainwindowlayout.h"
#include "messageboxes.h"
#include "notificationicon.h"
#include "overlay/overlaycontroller.h"
#include "serial/mscomm1.h"
#include "serial/portpanel.h"
#include "serial/portreconnector.h"
#include "tabcontrol.h"
#include "timeservices.h"
#include "windowstatus.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

void frmTerminal::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    // Its width now: controls that must grow to fit their captions stay inside it.
    client->resize(twipsToPixels(MainWindowLayout::kClientWidthTwips),
                   twipsToPixels(MainWindowLayout::kClientHeightTwips));
    setCentralWidget(client);
    m_controls = LayoutBuilder::build(client, MainWindowLayout::controls());
    TabControl::switchPagesByKeyboard(this);
}

void frmTerminal::buildSubsystems()
{
    // Reception: port events -> frame logic -> the dump box and the large labels.
    m_reception = std::make_unique<ReceptionLogic>(m_clock, [this] { return m_options.maskOn; });
    m_receiver = std::make_unique<FrameReceiver>(*m_port, *m_reception);
    m_receiver->connectPort();
    m_receptionPanel = std::make_unique<ReceptionPanel>(
        ReceptionControls { control<QPlainTextEdit>(QStringLiteral("txtTerm")),
                            control<QLabel>(QStringLiteral("Label2")),
                            control<QLabel>(QStringLiteral("Label7")) },
        *m_reception);
    m_receptionPanel->setMessageReporter(
        [this](QWidget *parent, const QString &title, const QString &text) {
            m_messageBoxes.show(parent, QMessageBox::Warning, title, text, QMessageBox::Ok);
        });
    connect(&timer(5), &IntervalTimer::tick, this, [this] { m_reception->Timer5_Timer(); });
    connect(control<QPushButton>(QStringLiteral("Command3")), &QPushButton::clicked, this,
            [this] { m_reception->Command3_Click(); });

    // The port panel.
    PortPanel::Controls port;
    port.cboPort = control<QComboBox>(QStringLiteral("cboPort"));
    port.cboSpeed = control<QComboBox>(QStringLiteral("cboSpeed"));
    port.cboDataBits = control<QComboBox>(QStringLiteral("cboDataBits"));
    port.cboParity = control<QComboBox>(QStringLiteral("cboParity"));
    port.cboStopBits = control<QComboBox>(QStringLiteral("cboStopBits"));
    port.Combo1 = control<QComboBox>(QStringLiteral("Combo1"));
    port.Combo6 = control<QComboBox>(QStringLiteral("Combo6"));
    for (int i = 0; i < 4; ++i) {
        port.optFlow[i] = control<QRadioButton>(QStringLiteral("optFlow(%1)").arg(i));
    }
    for (int i = 0; i < 2; ++i) {
        port.optEcho[i] = control<QRadioButton>(QStringLiteral("optEcho(%1)").arg(i));
    }
    m_portPanel
        = std::make_unique<PortPanel>(port, *m_port, m_store, m_echoFlag,
                                      [this](const ErrorValue &error) { reportError(error); });
    connect(control<QPushButton>(QStringLiteral("Command1")), &QPushButton::clicked, this,
            [this] { m_portPanel->Command1_Click(); });
    // An unplugged receiver is opened again once it is back.
    m_reconnector = std::make_unique<PortReconnector>(*m_port, m_store);
    connect(m_reconnector.get(), &PortReconnector::reconnected, this,
            [this] { timer(1).setEnabled(true); });

    // The correction options of the "SYSTEM" page.
    OptionsControls options;
    options.Check1 = control<QCheckBox>(QStringLiteral("Check1"));
    options.Check2 = control<QCheckBox>(QStringLiteral("Check2"));
    options.Check3 = control<QCheckBox>(QStringLiteral("Check3"));
    options.Check4 = control<QCheckBox>(QStringLiteral("Check4"));
    options.Frame3 = control<QGroupBox>(QStringLiteral("Frame3"));
    for (int i = 0; i < 8; ++i) {
        options.Label6[i] = control<QLabel>(QStringLiteral("Label6(%1)").arg(i));
    }
    options.Combo1 = control<QComboBox>(QStringLiteral("Combo1"));
    options.Combo2 = control<QComboBox>(QStringLiteral("Combo2"));
    options.Combo3 = control<QComboBox>(QStringLiteral("Combo3"));
    options.Combo5 = control<QComboBox>(QStringLiteral("Combo5"));
    options.Combo6 = control<QComboBox>(QStringLiteral("Combo6"));
    options.Command5 = control<QPushButton>(QStringLiteral("Command5"));
    m_optionsPanel
        = std::make_unique<OptionsPanel>(options, m_options, m_store, timer(3), timer(4));
    m_optionsPanel->setReporter([this](const ErrorValue &error) { reportError(error); });
    m_optionsPanel->connectControls();

    // The correction cycle, its log box and the overlay it asks for.
    m_cycle = std::make_unique<CorrectionCycle>(
        m_options, m_reception->receivedTime(), m_reception->freshness(), timer(3), timer(4),
        m_clock, *m_log, [this] { return m_port->settings(); });
    m_cycle->connectTimers();
    connect(m_log.get(), &CorrectionLog::boxTextReplaced, this, &frmTerminal::showLogBox);
    connect(m_log.get(), &CorrectionLog::boxLineAdded, this, &frmTerminal::appendLogBox);
    m_overlay = std::make_unique<OverlayController>(m_clock);
    connect(m_cycle.get(), &CorrectionCycle::overlayRequested, m_overlay.get(),
            &OverlayController::show);

    m_timeServices = std::make_unique<TimeServices>(TimeServices::Parts {
        m_clock, m_store, *m_log, *m_cycle, *m_reception, *m_port, m_trackingFilePath });
}

void frmTerminal::buildStatus()
{
    m_status = std::make_unique<ClockStatus>(
        ClockStatus::Parts { *m_port, *m_reconnector, m_reception->receivedTime(), m_options,
                             timer(3), m_clock, monotonicNowNs });
    connect(m_reception.get(), &ReceptionLogic::frameEnded, m_status.get(),
            &ClockStatus::frameEnded);
    connect(m_cycle.get(), &CorrectionCycle::clockSet, m_status.get(), &ClockStatus::clockSet);
    // The port closing and the reconnector giving up or succeeding show at the next second.
    connect(m_reconnector.get(), &PortReconnector::reconnected, m_status.get(),
            &ClockStatus::refresh);
    connect(m_optionsPanel.get(), &OptionsPanel::correctionWaitsForRestart, this, [this] {
        m_log->addNoticeOnce(ClockStatus::waitsForRestartNote());
        m_status->refresh();
    });
    connect(m_optionsPanel.get(), &OptionsPanel::applied, m_status.get(), &ClockStatus::refresh);
    connect(m_log.get(), &CorrectionLog::actionNeeded, &m_notificationIcon,
            &NotificationIcon::showBalloon);
    m_windowStatus = std::make_unique<WindowStatus>(*this, *m_status, m_notificationIcon);
}
