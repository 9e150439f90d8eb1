#include "frmterminal.h"

#include "about/frmabout.h"
#include "common/settingsstore.h"
#include "common/twips.h"
#include "correction/clockstatus.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/optionspanel.h"
#include "correction/timeofday.h"
#include "frames/framereceiver.h"
#include "frames/receptionlogic.h"
#include "frames/receptionpanel.h"
#include "layoutbuilder.h"
#include "mainwindowlayout.h"
#include "messageboxes.h"
#include "notificationicon.h"
#include "overlay/overlaycontroller.h"
#include "serial/baudrate.h"
#include "serial/mscomm1.h"
#include "serial/portmessage.h"
#include "serial/portpanel.h"
#include "serial/portreconnector.h"
#include "serial/portrestore.h"
#include "serial/serialdeviceswindow.h"
#include "timeservices.h"
#include "windowstatus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>

namespace {
const QString kTitle = QStringLiteral("VALTORA");
} // namespace

frmTerminal::frmTerminal(const TerminalServices &services, QWidget *parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                      | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_clock(services.clock)
    , m_store(services.store)
    , m_messageBoxes(services.messageBoxes)
    , m_notificationIcon(services.notificationIcon)
    , m_endProgram([] { QCoreApplication::exit(0); })
    , m_trackingFilePath(services.trackingFilePath)
    , m_port(std::make_unique<MSComm1>(services.store))
    , m_log(std::make_unique<CorrectionLog>(services.clock, services.logFilePath,
                                            services.logFallbackPath))
{
    setObjectName(QStringLiteral("frmTerminal"));
    setWindowTitle(kTitle);
    m_port->setObjectName(QStringLiteral("MSComm1"));
    for (const auto &row : MainWindowLayout::timers()) {
        const int index = row.name.mid(5).toInt() - 1;
        m_timers[index] = std::make_unique<IntervalTimer>(row.intervalMs, this);
        m_timers[index]->setObjectName(row.name);
        m_timers[index]->setEnabled(row.running);
    }
    buildControls();
    buildMenu();
    buildSubsystems();
    buildStatus();
    setOuterHeightTwips(MainWindowLayout::kOuterHeightNormalTwips);

    connect(control<QPushButton>(QStringLiteral("Command2")), &QPushButton::clicked, this,
            &frmTerminal::Command2_Click);
    connect(control<QPushButton>(QStringLiteral("Command7")), &QPushButton::clicked, this,
            &frmTerminal::Command7_Click);
    connect(&m_notificationIcon, &NotificationIcon::activated, this,
            &frmTerminal::cSysTray1_MouseDown);
    connect(&m_notificationIcon, &NotificationIcon::historyRequested, this,
            &frmTerminal::showHistory);
    // The end of the desktop session (and the platform's own quit command) reaches the
    // program as a request to quit, which closes every window: see eventFilter().
    QCoreApplication::instance()->installEventFilter(this);
}

frmTerminal::~frmTerminal() = default;

IntervalTimer &frmTerminal::timer(int number)
{
    return *m_timers[number - 1];
}

void frmTerminal::showLogBox(const QString &text)
{
    auto *box = control<QPlainTextEdit>(QStringLiteral("Text3"));
    QString shown = text;
    shown.remove(QLatin1Char('\r'));
    box->setPlainText(shown);
    box->moveCursor(QTextCursor::End);
}

void frmTerminal::appendLogBox(const QString &lineWithCrLf)
{
    auto *box = control<QPlainTextEdit>(QStringLiteral("Text3"));
    QString line = lineWithCrLf;
    line.remove(QLatin1Char('\r'));
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

void frmTerminal::buildMenu()
{
    // The entries keep their texts; the ampersand only underlines the letter of Alt+letter.
    QAction *about = menuBar()->addAction(QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("aa"));
    connect(about, &QAction::triggered, this, &frmTerminal::aa_Click);
    QAction *help = menuBar()->addAction(QStringLiteral("&Help..."));
    help->setObjectName(QStringLiteral("bb"));
    connect(help, &QAction::triggered, this, &frmTerminal::bb_Click);
    QAction *history = menuBar()->addAction(QStringLiteral("H&istory..."));
    history->setObjectName(QStringLiteral("historyAction"));
    connect(history, &QAction::triggered, this, &frmTerminal::showHistory);
    QAction *devices = menuBar()->addAction(QStringLiteral("&Serial devices..."));
    devices->setObjectName(QStringLiteral("serialDevicesAction"));
    connect(devices, &QAction::triggered, this, &frmTerminal::showSerialDevices);
}

void frmTerminal::setOuterHeightTwips(int twips)
{
    // The client area is the outer height less the design's frame allowance; the menu bar
    // comes on top of it, as it did on the window the layout was drawn for, and the status
    // bar below it, so nothing of the layout moves.
    m_outerHeightTwips = twips;
    const int clientWidth = twipsToPixels(MainWindowLayout::kClientWidthTwips);
    const int clientHeight = twipsToPixels(twips - MainWindowLayout::kFrameAllowanceTwips);
    centralWidget()->setFixedSize(clientWidth, clientHeight);
    setFixedSize(clientWidth,
                 clientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    // Tab never stops on the hex dump while it lies out of view below the client area.
    if (auto *dump = control<QPlainTextEdit>(QStringLiteral("txtTerm"))) {
        const bool inView = twips == MainWindowLayout::kOuterHeightPortInformationTwips;
        dump->setFocusPolicy(inView ? Qt::StrongFocus : Qt::NoFocus);
    }
}

void frmTerminal::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(available.x() + int(float(available.width() - outer.width()) / 2.0f),
         available.y() + int(float(available.height() - outer.height()) / 2.0f));
}

void frmTerminal::emptyTextBox(const QString &name)
{
    if (auto *box = control<QPlainTextEdit>(name)) {
        box->clear();
    }
}

void frmTerminal::Form_Load()
{
    // Every step below is independent: one that fails is skipped and the next one runs.
    centreOnScreen();
    QCoreApplication::setApplicationName(kTitle);
    setWindowTitle(QCoreApplication::applicationName());
    emptyTextBox(QStringLiteral("txtTerm"));
    m_reception->adoptDumpViewText(QString());
    m_log->clearBox();
    LoadCorrectionSettings();
    m_timeServices->start(m_options.correctOn);
    timer(5).setEnabled(true);
    restorePortSettings(*m_port, m_store, m_echoFlag);
    OPENCOMM2();
    restoreStoredSpeed(*m_port, m_store);
    LoadPropertySettings();
    m_reception->clearLastSeenDateTime();
}

void frmTerminal::LoadPropertySettings()
{
    m_portPanel->LoadPropertySettings();
}

void frmTerminal::LoadCorrectionSettings()
{
    // A stored value that cannot be used ends the loading there; start-up goes on, and the
    // log box says which value it was, since the options page may still show correction on.
    if (const Outcome refused = m_optionsPanel->LoadCorrectionSettings()) {
        m_log->addNoticeOnce(refused->text);
    }
}

Outcome frmTerminal::SetBaudRate(MSComm1 &Com, const qint32 &baud)
{
    return ::SetBaudRate(Com, baud);
}

Result<qint32> frmTerminal::GetBaudRate(MSComm1 &Com)
{
    return ::GetBaudRate(Com);
}

qint32 frmTerminal::timetosecond(const QString &time1)
{
    return ::timetosecond(time1);
}

Result<QString> frmTerminal::secondtotime(double secom)
{
    return ::secondtotime(secom);
}

void frmTerminal::OPENCOMM2()
{
    if (const Outcome failure = ::OPENCOMM2(*m_port)) {
        m_status->portOpenFailed(failure->text);
        const ErrorValue error = portMessage(*m_port, m_port->commPort(), *failure);
        if (!m_startedAtLogin) {
            reportError(error);
        } else if (!m_notificationIcon.isAvailable()
                   || !m_notificationIcon.showLoginBalloon(error.text)) {
            m_log->addNoticeOnce(error.text); // no balloon without a notification area
        }
    }
    // Timer1 runs while the port is open; its tick does nothing.
    timer(1).setEnabled(m_port->portOpen());
    m_status->refresh();
}

void frmTerminal::reportError(const ErrorValue &error)
{
    m_messageBoxes.show(this, QMessageBox::Warning, QCoreApplication::applicationName(), error.text,
                        QMessageBox::Ok);
}

void frmTerminal::Form_Unload(int &Cancel)
{
    if (!m_notificationIcon.isAvailable()) {
        // Without a notification area nothing could bring a hidden window back, and a
        // desktop without a taskbar cannot show a minimised one either: it stays as it is.
        Cancel = -1;
        return;
    }
    hide();
    m_notificationIcon.setInTray(true);
    Cancel = -1;
}

bool frmTerminal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        m_quitRequested = true;
        // The request is over once its event has been handled. One that did not end the
        // program (the session went on) leaves later close requests hiding the window.
        QMetaObject::invokeMethod(
            this, [this] { m_quitRequested = false; }, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmTerminal::closeEvent(QCloseEvent *event)
{
    // A window that stayed would refuse the request to quit, and with it a logout or shutdown.
    if (m_quitRequested) {
        event->accept();
        return;
    }
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0) {
        event->ignore();
    } else {
        event->accept();
    }
}

void frmTerminal::cSysTray1_MouseDown()
{
    showNormal();
    activateWindow();
    m_notificationIcon.setInTray(false);
}

void frmTerminal::Command7_Click()
{
    const auto answer = m_messageBoxes.show(this, QMessageBox::Question, QStringLiteral("CAUTION"),
                                            QStringLiteral("CONFIRM TO EXIT?"),
                                            QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    m_notificationIcon.setInTray(false);
    m_endProgram();
}

void frmTerminal::endOnTermination()
{
    if (m_port->portOpen()) {
        (void)m_port->setPortOpen(false); // a failure to close still ends the program
    }
    m_notificationIcon.setInTray(false);
    m_endProgram();
}

void frmTerminal::Command2_Click()
{
    auto *button = control<QPushButton>(QStringLiteral("Command2"));
    if (button->text() == QLatin1String("VIEW PORT INFOR.")) {
        button->setText(QStringLiteral("CLOSE PORT INFOR."));
        setOuterHeightTwips(MainWindowLayout::kOuterHeightPortInformationTwips);
    } else {
        setOuterHeightTwips(MainWindowLayout::kOuterHeightNormalTwips);
        button->setText(QStringLiteral("VIEW PORT INFOR."));
    }
    // The longer caption must not be cut at a larger font either.
    LayoutBuilder::fitToCaption(button, *MainWindowLayout::find(QStringLiteral("Command2")));
}

void frmTerminal::aa_Click()
{
    frmAbout about(this);
    about.exec();
}

void frmTerminal::bb_Click()
{
    m_messageBoxes.show(this, QMessageBox::NoIcon, QStringLiteral("对不起"),
                        QStringLiteral(" 帮助文件正在策划中，请等待时日 "), QMessageBox::Ok);
}

void frmTerminal::showHistory()
{
    m_timeServices->showHistory(this);
}

void frmTerminal::showSerialDevices()
{
    const QString before = m_port->deviceName(m_port->commPort());
    SerialDevicesWindow devices(m_store, m_port->commPort(), SerialDeviceList::systemDevices, this);
    if (devices.exec() != QDialog::Accepted) {
        return;
    }
    if (devices.saveFailure()) {
        reportError(*devices.saveFailure());
    }
    m_portPanel->showPortDevices();
    if (devices.mappedPort() == m_port->commPort()) {
        if (const Outcome failure = openOnMappedDevice(*m_port, m_store, before)) {
            m_status->portOpenFailed(failure->text);
            reportError(portMessage(*m_port, m_port->commPort(), *failure));
        }
        timer(1).setEnabled(m_port->portOpen());
    }
}
