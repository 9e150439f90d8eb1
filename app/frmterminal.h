#pragma once

// The main window. How a received second becomes a set clock:
//
//   serial bytes -> MSComm1 receive event (MSComm1_OnComm)
//     -> byte texts -> hex dump (txtTerm) and frame assembler
//     -> ShowReceivedTime -> ReceivedTimeState, shown in Label2
//     -> watchdog (Timer5) keeps dataFresh
//     -> correction cycle (Timer3, and Timer4 on the delayed path)
//     -> SystemClock and the correction log (Text3 and logfile.txt)
//     -> the offset of each correction into tracking.csv, shown by the history window;
//        every consecutive frame also to chrony when its socket is set (TimeServices)
//
// The window shows state; it holds no logic. Each handler below reads its controls, calls
// the logic of its subsystem, and writes the controls back.

#include "common/errorvalue.h"
#include "common/intervaltimer.h"
#include "correction/correctionoptions.h"

#include <QHash>
#include <QMainWindow>
#include <QMessageBox>
#include <functional>
#include <memory>

class ClockStatus;
class CorrectionCycle;
class CorrectionLog;
class FrameReceiver;
class MSComm1;
class MessageBoxes;
class NotificationIcon;
class OptionsPanel;
class OverlayController;
class PortPanel;
class PortReconnector;
class ReceptionLogic;
class ReceptionPanel;
class SettingsStore;
class SystemClock;
class TimeServices;
class WindowStatus;

// What the main window uses but does not own; it all outlives the window.
struct TerminalServices
{
    SystemClock &clock;
    SettingsStore &store;
    MessageBoxes &messageBoxes;
    NotificationIcon &notificationIcon;
    QString logFilePath; // "logfile.txt" of the correction log
    // Where the log goes when logFilePath stops being writable (empty: nowhere else).
    QString logFallbackPath = QString();
    // "tracking.csv", the offsets of the corrections (empty: not kept).
    QString trackingFilePath = QString();
};

class frmTerminal : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmTerminal(const TerminalServices &services, QWidget *parent = nullptr);
    ~frmTerminal() override;

    // Ends the program after a confirmed exit. Tests replace it.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }
    // Started by the login start entry: a port that will not open is said in a balloon, and
    // no box waits for an answer at every login.
    void setStartedAtLogin(bool atLogin) { m_startedAtLogin = atLogin; }

    // A control by its given name ("Label2", "optFlow(2)"), or a tab page ("SSTab1:1").
    template<typename T> T *control(const QString &name) const
    {
        return qobject_cast<T *>(m_controls.value(name));
    }
    IntervalTimer &timer(int number);
    MSComm1 &port() { return *m_port; }
    PortReconnector &reconnector() { return *m_reconnector; }
    bool echoFlag() const { return m_echoFlag; }
    const CorrectionOptions &correctionOptions() const { return m_options; }
    ReceptionLogic &reception() { return *m_reception; }
    CorrectionCycle &cycle() { return *m_cycle; }
    CorrectionLog &correctionLog() { return *m_log; }
    OverlayController &overlay() { return *m_overlay; }
    TimeServices &timeServices() { return *m_timeServices; }
    ClockStatus &status() { return *m_status; }

    // The start-up sequence; runs before the window is first shown.
    void Form_Load();
    void OPENCOMM2();
    // The close request: hides the window and shows the notification icon, or without a
    // notification area leaves the window shown. Cancel is set to true (-1) when the window
    // must stay alive.
    void Form_Unload(int &Cancel);
    void cSysTray1_MouseDown();
    void Command7_Click();
    // SIGTERM or SIGINT: closes the port (and so removes its lock file), then ends.
    void endOnTermination();
    void Command2_Click();
    void aa_Click();
    void bb_Click();
    // "History..." in the menu or the notification icon's menu.
    void showHistory();
    // "Serial devices...": maps a port number to a device of the system; the port in use
    // moves to its new device at once.
    void showSerialDevices();

    // The subsystems' own steps, public on the window as its callers know them.
    void LoadPropertySettings();
    void LoadCorrectionSettings();
    Outcome SetBaudRate(MSComm1 &Com, const qint32 &baud);
    Result<qint32> GetBaudRate(MSComm1 &Com);
    static qint32 timetosecond(const QString &time1);
    static Result<QString> secondtotime(double secom);

    // The outer height in twips, as the port-information toggle sets it.
    int outerHeightTwips() const { return m_outerHeightTwips; }

protected:
    void closeEvent(QCloseEvent *event) override;
    // Watches the application for a request to quit.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenu();
    void buildSubsystems();
    void buildStatus();
    void showLogBox(const QString &text);
    void appendLogBox(const QString &lineWithCrLf);
    void setOuterHeightTwips(int twips);
    void centreOnScreen();
    void reportError(const ErrorValue &error);
    void emptyTextBox(const QString &name);

    SystemClock &m_clock;
    SettingsStore &m_store;
    MessageBoxes &m_messageBoxes;
    NotificationIcon &m_notificationIcon;
    std::function<void()> m_endProgram;
    bool m_startedAtLogin = false;
    QString m_trackingFilePath;

    QHash<QString, QWidget *> m_controls;
    std::unique_ptr<IntervalTimer> m_timers[6];
    std::unique_ptr<MSComm1> m_port;
    bool m_echoFlag = false;
    CorrectionOptions m_options;
    std::unique_ptr<CorrectionLog> m_log;
    std::unique_ptr<ReceptionLogic> m_reception;
    std::unique_ptr<FrameReceiver> m_receiver;
    std::unique_ptr<ReceptionPanel> m_receptionPanel;
    std::unique_ptr<PortPanel> m_portPanel;
    std::unique_ptr<PortReconnector> m_reconnector;
    std::unique_ptr<OptionsPanel> m_optionsPanel;
    std::unique_ptr<CorrectionCycle> m_cycle;
    std::unique_ptr<OverlayController> m_overlay;
    std::unique_ptr<TimeServices> m_timeServices;
    std::unique_ptr<ClockStatus> m_status;
    std::unique_ptr<WindowStatus> m_windowStatus;
    int m_outerHeightTwips = 0;
    // Set while the application handles a request to quit: a close request then ends the
    // program instead of hiding the window.
    bool m_quitRequested = false;
};
