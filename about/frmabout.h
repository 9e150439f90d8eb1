#pragma once

#include "systeminformationlauncher.h"
#include "versioninformation.h"

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// The About box: names the program, its version and its makers, and starts the system's
// information tool. It can be dragged by any free point of its surface, the etched rule
// included; labels and buttons keep their presses to themselves.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
    ~frmAbout() override;

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

    // The registry, the start of the tool and the message, for tests and other platforms.
    SystemInformationLauncher &systemInformation() { return m_systemInformation; }
    // Replaces the hand-over to the window system's move loop.
    void setSystemMoveStarter(std::function<void()> starter);

    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    // The etched rule: a white line under a grey one.
    std::array<QFrame *, 2> Line1 {};

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    void centreOnScreen();
    void centreAgainOnceFramed();
    void startSystemMove();
    void showUnavailable(const QString &text);

    VersionInformation m_information;
    SystemInformationLauncher m_systemInformation;
    std::function<void()> m_systemMoveStarter;
    bool m_centred = false;
    // Where the first centring put the dialog's inside, and the few looks for the frame after.
    QPoint m_placedAt;
    QTimer m_frameWatch;
    int m_frameLooks = 0;
};
