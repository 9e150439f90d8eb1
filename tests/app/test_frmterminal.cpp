#include "about/frmabout.h"
#include "app/frmterminal.h"
#include "app/messageboxes.h"
#include "app/notificationicon.h"
#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "correction/correctioncycle.h"
#include "history/historywindow.h"
#include "manualclock.h"
#include "overlay/form1.h"
#include "overlay/overlaycontroller.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct ShownMessage
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// Answers every message box at once and remembers what it was asked.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget *, QMessageBox::Icon icon, const QString &title,
                                     const QString &text,
                                     QMessageBox::StandardButtons buttons) override
    {
        shown.append({ icon, title, text, buttons });
        return answer;
    }
    QList<ShownMessage> shown;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

// The real icon, on a desktop that may or may not have a notification area.
class FakeNotificationIcon : public NotificationIcon
{
public:
    FakeNotificationIcon()
        : NotificationIcon(QIcon(QPixmap(16, 16)))
    {
    }
    bool isAvailable() const override { return available; }
    bool available = true;
};

} // namespace

class TestFrmTerminal : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("v.conf")));
        m_messages = std::make_unique<RecordingMessageBoxes>();
        m_icon = std::make_unique<FakeNotificationIcon>();
    }
    void cleanup()
    {
        m_window.reset();
        m_icon.reset();
        m_messages.reset();
        m_store.reset();
        m_dir.reset();
    }

    void emptyStoreStartsQuietlyWithTheInitialPortValues()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), pty.linkPath());
        createWindow();
        m_window->Form_Load();
        QVERIFY(m_messages->shown.isEmpty());
        QVERIFY(m_window->port().portOpen());
        QCOMPARE(m_window->port().commPort(), 1);
        QCOMPARE(m_window->port().settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_window->port().handshaking(), 0);
        QVERIFY(!m_window->echoFlag());
        QVERIFY(m_window->timer(5).isEnabled());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("VALTORA"));
        // Centred on the screen, with a close button but neither minimise nor maximise.
        const QPoint offCentre
            = m_window->frameGeometry().center() - m_window->screen()->geometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QString::number(offCentre.x())));
        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(flags.testFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void refusedPortSettingsLeaveTheOtherKeysRestored()
    {
        PseudoTerminal pty;
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com2"), pty.linkPath());
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("portSettings"),
                          QStringLiteral("9600,x,8,1"));
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("CommPort"),
                          QStringLiteral("2"));
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("Handshaking"),
                          QStringLiteral("1"));
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("Echo"),
                          QStringLiteral("True"));
        createWindow();
        m_window->Form_Load();
        QVERIFY(m_messages->shown.isEmpty());
        QCOMPARE(m_window->port().settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_window->port().commPort(), 2);
        QCOMPARE(m_window->port().handshaking(), 1);
        QVERIFY(m_window->echoFlag());
        QVERIFY(m_window->port().portOpen());
    }

    // Correction flagged on, but a stored period that does not fit stops the loading: the
    // log box says which value, since nothing else would.
    void refusedStoredPeriodIsSaidInTheLogBox()
    {
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("jiaoshiflag"),
                          QStringLiteral("1"));
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("jiaoshimiao"),
                          QStringLiteral("40000"));
        createWindow();
        m_window->Form_Load();
        QVERIFY(!m_window->timer(3).isEnabled());
        QVERIFY(m_window->control<QPlainTextEdit>(QStringLiteral("Text3"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("NOTE: The stored correction setting "
                                               "jiaoshimiao=40000 does not fit")));
    }

    // The port panel stores a panel speed with the rest of the text; the next start brings
    // both back, but a stored text the port refuses in another field leaves it all as opened.
    void panelSpeedSurvivesARestart_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("settings");
        QTest::newRow("two stop bits")
            << QStringLiteral("76800,n,8,2") << QStringLiteral("76800,n,8,2");
        QTest::newRow("parity the pty refuses")
            << QStringLiteral("76800,e,8,1") << QStringLiteral("9600,n,8,1");
    }
    void panelSpeedSurvivesARestart()
    {
        QFETCH(QString, stored);
        QFETCH(QString, settings);
        PseudoTerminal pty;
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), pty.linkPath());
        m_store->setValue(QStringLiteral("Properties"), QStringLiteral("portSettings"), stored);
        createWindow();
        m_window->Form_Load();
        QVERIFY(m_messages->shown.isEmpty());
        QCOMPARE(m_window->port().settings(), settings);
        const Result<qint32> speed = m_window->GetBaudRate(m_window->port());
        QVERIFY(speed.ok());
        QCOMPARE(QString::number(speed.value()), settings.section(QLatin1Char(','), 0, 0));
        QCOMPARE(m_window->control<QComboBox>(QStringLiteral("cboStopBits"))->currentText(),
                 settings.section(QLatin1Char(','), 3));
    }

    void unopenablePortReportsOnceAndTheWindowStillOpens()
    {
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"),
                          m_dir->filePath(QStringLiteral("no-such-tty")));
        createWindow();
        m_window->Form_Load();
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown.first().icon, QMessageBox::Warning);
        QCOMPARE(m_messages->shown.first().title, QStringLiteral("VALTORA"));
        QCOMPARE(m_messages->shown.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(m_messages->shown.first().text,
                 QStringLiteral("Com1 (%1): No such file or directory")
                     .arg(m_dir->filePath(QStringLiteral("no-such-tty"))));
        QVERIFY(!m_window->port().portOpen());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // A settings file that cannot be written: both OK buttons say which file and why, and
    // what was chosen is in effect for this run all the same.
    void unwritableSettingsAreSaidOnBothOks()
    {
        QFile blocker(m_dir->filePath(QStringLiteral("blocked")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString file = m_dir->filePath(QStringLiteral("blocked/v.conf"));
        m_store = std::make_unique<SettingsStore>(file);
        createStartedWindow();
        auto *speeds = m_window->control<QComboBox>(QStringLiteral("cboSpeed"));
        speeds->setCurrentIndex(speeds->findText(QStringLiteral("19200")));
        QTest::mouseClick(m_window->control<QPushButton>(QStringLiteral("Command1")),
                          Qt::LeftButton);
        QTest::mouseClick(m_window->control<QCheckBox>(QStringLiteral("Check1")), Qt::LeftButton);
        QTest::mouseClick(m_window->control<QPushButton>(QStringLiteral("Command5")),
                          Qt::LeftButton);
        const QString text = QStringLiteral("Could not save the settings to %1: Not a directory. "
                                            "What you chose stays in effect until the program "
                                            "ends.")
                                 .arg(file);
        QCOMPARE(m_messages->shown.size(), 2);
        QCOMPARE(m_messages->shown.first().text, text);
        QCOMPARE(m_messages->shown.last().text, text);
        QCOMPARE(m_window->GetBaudRate(m_window->port()).value(), 19200);
        QVERIFY(m_window->correctionOptions().correctOn);
    }

    // Hidden or not, the port stays open and the timers run; a click on the icon brings the
    // window back.
    void closeHidesToTheIconAndTheIconBringsItBack()
    {
        createStartedWindow();
        m_window->timer(3).setEnabled(true);
        QVERIFY(!m_icon->inTray());
        m_window->close();
        QVERIFY(m_window->isHidden());
        QVERIFY(m_icon->inTray());
        QVERIFY(m_window->port().portOpen());
        QVERIFY(m_window->timer(3).isEnabled());
        QVERIFY(m_window->timer(5).isEnabled());
        emit m_icon->findChild<QSystemTrayIcon *>()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_icon->inTray());
    }

    // Without a notification area nothing could bring a hidden window back, nor a minimised
    // one without a taskbar: a close leaves it shown. A request to quit (the session ends)
    // still closes it, where a window staying shown would refuse the request; once that is
    // over, a close with a notification area only hides the window again.
    void withoutNotificationAreaOnlyAQuitClosesTheWindow()
    {
        QApplication::setQuitOnLastWindowClosed(false); // as the program runs
        m_icon->available = false;
        createStartedWindow();
        m_window->close();
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_window->isMinimized());
        QVERIFY(m_window->port().portOpen());
        QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
        QTimer refused; // the request was refused: no end at all
        refused.callOnTimeout(qApp, [] { QCoreApplication::exit(1); });
        refused.start(2000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(m_window->isHidden());
        QCoreApplication::processEvents();
        m_icon->available = true;
        m_window->show();
        m_window->close();
        QVERIFY(m_window->isHidden());
        QVERIFY(m_icon->inTray());
    }

    void exitAsksAndNoChangesNothing()
    {
        createStartedWindow();
        int ended = 0;
        m_window->setEndProgram([&ended] { ++ended; });
        m_window->close();
        QVERIFY(m_icon->inTray());
        m_messages->answer = QMessageBox::No;
        QTest::mouseClick(m_window->control<QPushButton>(QStringLiteral("Command7")),
                          Qt::LeftButton);
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown.first().title, QStringLiteral("CAUTION"));
        QCOMPARE(m_messages->shown.first().text, QStringLiteral("CONFIRM TO EXIT?"));
        QCOMPARE(m_messages->shown.first().icon, QMessageBox::Question);
        QCOMPARE(m_messages->shown.first().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(ended, 0);
        QVERIFY(m_icon->inTray());

        m_messages->answer = QMessageBox::Yes;
        m_window->Command7_Click();
        QCOMPARE(ended, 1);
        QVERIFY(!m_icon->inTray());
    }

    void portInformationToggle()
    {
        createStartedWindow();
        auto *button = m_window->control<QPushButton>(QStringLiteral("Command2"));
        auto *dump = m_window->control<QPlainTextEdit>(QStringLiteral("txtTerm"));
        QWidget *client = m_window->centralWidget();
        QCOMPARE(m_window->outerHeightTwips(), 5616);
        QVERIFY(!client->rect().intersects(dump->geometry()));

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("CLOSE PORT INFOR."));
        QCOMPARE(m_window->outerHeightTwips(), 7632);
        QVERIFY(client->rect().contains(dump->geometry()));
        QVERIFY(dump->isVisible());

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("VIEW PORT INFOR."));
        QCOMPARE(m_window->outerHeightTwips(), 5616);
        QVERIFY(!client->rect().intersects(dump->geometry()));
    }

    void longerToggleCaptionWholeAtALargerFont()
    {
        const QFont before = QApplication::font();
        QFont large = before;
        large.setPointSize(11);
        QApplication::setFont(large);
        const auto restoreFont = qScopeGuard([&before] { QApplication::setFont(before); });
        createWindow();
        auto *button = m_window->control<QPushButton>(QStringLiteral("Command2"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->text(), QStringLiteral("CLOSE PORT INFOR."));
        QVERIFY(button->width() >= button->sizeHint().width());
        QVERIFY(m_window->centralWidget()->rect().contains(button->geometry()));
    }

    void helpShowsItsNoticeWithoutIcon()
    {
        createStartedWindow();
        m_window->findChild<QAction *>(QStringLiteral("bb"))->trigger();
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown.first().title, QStringLiteral("对不起"));
        QCOMPARE(m_messages->shown.first().text,
                 QStringLiteral(" 帮助文件正在策划中，请等待时日 "));
        QCOMPARE(m_messages->shown.first().icon, QMessageBox::NoIcon);
        QCOMPARE(m_messages->shown.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void aboutEntryOpensTheAboutBox()
    {
        createWindow();
        QString shown;
        QObject answerer; // ends the answer with the test, should no box come
        QTimer::singleShot(0, &answerer, [&shown] {
            if (auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget())) {
                shown = about->windowTitle();
                about->cmdOK_Click();
            }
        });
        m_window->findChild<QAction *>(QStringLiteral("aa"))->trigger();
        QCOMPARE(shown, QStringLiteral("关于 VALTORA"));
    }

    void overlayRequestOfTheCycleShowsTheOverlay()
    {
        createWindow();
        m_window->overlay().setProgramEnder([] {});
        QCOMPARE(m_window->overlay().overlay(), nullptr);
        emit m_window->cycle().overlayRequested();
        QVERIFY(m_window->overlay().overlay() != nullptr);
        QVERIFY(m_window->overlay().overlay()->isVisible());
    }

    void repeatedOverlayRequestGivesTheOverlayItsFullTimeAgain()
    {
        createWindow();
        m_window->overlay().setProgramEnder([] {});
        const IntervalTimer &hideTimer = *m_window->overlay().hideTimer();
        emit m_window->cycle().overlayRequested();
        QTest::qWait(300);
        QVERIFY(hideTimer.remainingTimeMs() <= OverlayController::kVisibleMs - 300);
        emit m_window->cycle().overlayRequested();
        QVERIFY(hideTimer.remainingTimeMs() > OverlayController::kVisibleMs - 150);
    }

    // "History..." after "Help..." in the menu, and in the notification icon's menu, opens one
    // history window over the tracking file.
    void historyOpensFromBothMenus_data()
    {
        QTest::addColumn<bool>("fromIcon");
        QTest::newRow("menu bar") << false;
        QTest::newRow("notification icon") << true;
    }
    void historyOpensFromBothMenus()
    {
        QFETCH(bool, fromIcon);
        createStartedWindow();
        const QList<QAction *> entries = m_window->menuBar()->actions();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.at(1)->text(), QStringLiteral("Help..."));
        QCOMPARE(entries.at(2)->text(), QStringLiteral("History..."));
        QAction *history = fromIcon ? m_icon->contextMenu()->actions().constFirst() : entries.at(2);
        QCOMPARE(history->text(), QStringLiteral("History..."));
        history->trigger();
        history->trigger();
        const QList<HistoryWindow *> windows = findHistoryWindows();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first()->isVisible());
        const auto *note = windows.first()->findChild<QLabel *>(QStringLiteral("note"));
        QVERIFY2(note->text().contains(QDir::toNativeSeparators(m_trackingPath)),
                 qPrintable(note->text()));
    }

private:
    static QList<HistoryWindow *> findHistoryWindows()
    {
        QList<HistoryWindow *> windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<HistoryWindow *>(widget)) {
                windows.append(window);
            }
        }
        return windows;
    }
    void createWindow()
    {
        m_window = std::make_unique<frmTerminal>(TerminalServices {
            m_clock, *m_store, *m_messages, *m_icon, m_dir->filePath(QStringLiteral("logfile.txt")),
            QString(), m_trackingPath = m_dir->filePath(QStringLiteral("tracking.csv")) });
    }
    void createStartedWindow()
    {
        m_pty = std::make_unique<PseudoTerminal>();
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), m_pty->linkPath());
        createWindow();
        m_window->Form_Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    ManualClock m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<RecordingMessageBoxes> m_messages;
    std::unique_ptr<FakeNotificationIcon> m_icon;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<frmTerminal> m_window;
    QString m_trackingPath;
};

QTEST_MAIN(TestFrmTerminal)
#include "test_frmterminal.moc"
