#include "about/frmabout.h"
#include "app/applicationfonts.h"
#include "app/frmterminal.h"
#include "app/messageboxes.h"
#include "app/notificationicon.h"
#include "app/tabcontrol.h"
#include "app/timeservices.h"
#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "correction/correctioncycle.h"
#include "history/historywindow.h"
#include "manualclock.h"
#include "overlay/form1.h"
#include "overlay/overlaycontroller.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Answers every message box at once and remembers its text.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget *, QMessageBox::Icon, const QString &title,
                                     const QString &text, QMessageBox::StandardButtons) override
    {
        shown.append(title + QLatin1String(": ") + text);
        return answer;
    }
    QStringList shown;
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

// The main window as a user meets it, over a real pseudo-terminal and a real settings file.
class TestFrmTerminal : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { loadApplicationFonts(); } // as the program does
    void init()
    {
        m_window.reset();
        m_pty.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath(QStringLiteral("v.conf")));
        m_messages = std::make_unique<RecordingMessageBoxes>();
        m_icon = std::make_unique<FakeNotificationIcon>();
    }
    // A port text the port refuses leaves it as opened, the other keys restored all the same;
    // a correction period that does not fit stops only that loading, and the log box says so.
    void storedSettingsAtStart_data()
    {
        QTest::addColumn<QString>("stored"); // null: a first run, nothing stored
        QTest::addColumn<QString>("settings");
        QTest::newRow("nothing stored") << QString() << "9600,n,8,1";
        QTest::newRow("panel speed, 2 stop bits") << QStringLiteral("76800,n,8,2") << "76800,n,8,2";
        QTest::newRow("parity the pty refuses") << QStringLiteral("76800,e,8,1") << "9600,n,8,1";
        QTest::newRow("unknown parity") << QStringLiteral("9600,x,8,1") << "9600,n,8,1";
    }
    void storedSettingsAtStart()
    {
        QFETCH(QString, stored);
        QFETCH(QString, settings);
        const bool first = stored.isNull();
        const QStringList keys { "portSettings=" + stored, "CommPort=2",
                                 "Handshaking=1",          "Echo=True",
                                 "jiaoshiflag=1",          "jiaoshimiao=40000" };
        for (const QString &key : first ? QStringList() : keys) {
            m_store->setValue(QStringLiteral("Properties"), key.section(u'=', 0, 0),
                              key.section(u'=', 1));
        }
        startWindow({}, false); // checked before the window system frames it
        QVERIFY(m_messages->shown.isEmpty());
        QVERIFY(m_window->port().portOpen());
        QCOMPARE(m_window->port().settings(), settings);
        QCOMPARE(m_window->port().commPort(), first ? 1 : 2);
        QCOMPARE(m_window->port().handshaking(), first ? 0 : 1);
        QCOMPARE(m_window->echoFlag(), !first);
        QCOMPARE(QString::number(m_window->GetBaudRate(m_window->port()).value()),
                 settings.section(QLatin1Char(','), 0, 0));
        QCOMPARE(m_window->control<QComboBox>(QStringLiteral("cboStopBits"))->currentText(),
                 settings.section(QLatin1Char(','), 3));
        QVERIFY(m_window->timer(5).isEnabled());
        QVERIFY(!m_window->timer(3).isEnabled());
        QCOMPARE(m_window->control<QPlainTextEdit>(QStringLiteral("Text3"))
                     ->toPlainText()
                     .startsWith(QStringLiteral("NOTE: The stored correction setting "
                                                "jiaoshimiao=40000 does not fit")),
                 !first);
        // Centred, with a close button but neither minimise nor maximise.
        const QPoint offCentre
            = m_window->frameGeometry().center() - m_window->screen()->geometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QString::number(offCentre.x())));
        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(flags.testFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void unopenablePortIsSaidOnceAndTheWindowStillOpens()
    {
        const QString missing = m_dir->filePath(QStringLiteral("no-such-tty"));
        startWindow(missing);
        QCOMPARE(m_messages->shown,
                 { QStringLiteral("VALTORA: Com1 (%1): No such file or directory").arg(missing) });
        QVERIFY(!m_window->port().portOpen());
    }

    // Both OK buttons say which file cannot be written and why; the choices hold for the run.
    void unwritableSettingsAreSaidOnBothOks()
    {
        QVERIFY(QFile(m_dir->filePath(QStringLiteral("blocked"))).open(QIODevice::WriteOnly));
        const QString file = m_dir->filePath(QStringLiteral("blocked/v.conf"));
        m_store = std::make_unique<SettingsStore>(file);
        startWindow();
        auto *speeds = m_window->control<QComboBox>(QStringLiteral("cboSpeed"));
        speeds->setCurrentIndex(speeds->findText(QStringLiteral("19200")));
        click<QPushButton>("Command1");
        click<QCheckBox>("Check1");
        click<QPushButton>("Command5");
        const QString text = QStringLiteral("VALTORA: Could not save the settings to %1: Not a "
                                            "directory. What you chose stays in effect until "
                                            "the program ends.")
                                 .arg(file);
        QCOMPARE(m_messages->shown, QStringList({ text, text }));
        QCOMPARE(m_window->GetBaudRate(m_window->port()).value(), 19200);
        QVERIFY(m_window->correctionOptions().correctOn);
    }

    // Hidden, the port stays open and the timers run; a click on the icon brings the window
    // back. Exit asks first, and only a yes ends the program and takes the icon away.
    void closeHidesToTheIconAndOnlyAConfirmedExitEnds()
    {
        startWindow();
        int ended = 0;
        m_window->setEndProgram([&ended] { ++ended; });
        m_window->timer(3).setEnabled(true);
        m_window->close();
        QVERIFY(m_window->isHidden() && m_icon->inTray());
        QVERIFY(m_window->port().portOpen());
        QVERIFY(m_window->timer(3).isEnabled());
        m_messages->answer = QMessageBox::No;
        click<QPushButton>("Command7");
        QCOMPARE(m_messages->shown, { QStringLiteral("CAUTION: CONFIRM TO EXIT?") });
        QVERIFY(ended == 0 && m_icon->inTray());
        emit m_icon->findChild<QSystemTrayIcon *>()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(m_window->isVisible() && !m_icon->inTray());
        m_window->close();
        m_messages->answer = QMessageBox::Yes;
        click<QPushButton>("Command7");
        QVERIFY(ended == 1 && !m_icon->inTray());
    }

    // Without a notification area a close leaves the window shown (nothing could bring it
    // back); a request to quit still closes it, and after that a close only hides it again.
    void withoutNotificationAreaOnlyAQuitClosesTheWindow()
    {
        QApplication::setQuitOnLastWindowClosed(false); // as the program runs
        m_icon->available = false;
        startWindow();
        m_window->close();
        QVERIFY(m_window->isVisible());
        QVERIFY(!m_window->isMinimized());
        QVERIFY(m_window->port().portOpen());
        QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
        QTimer refused; // the window refused the request: the loop would never end
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

    // At a larger font no button or tab cuts its caption, the toggle's longer one included;
    // the toggle shows and hides the hex dump.
    void portInformationToggleAtALargerFont()
    {
        const QFont before = QApplication::font();
        QFont large(QStringLiteral("Tahoma"));
        large.setPointSize(11);
        QApplication::setFont(large);
        const auto restoreFont = qScopeGuard([&before] { QApplication::setFont(before); });
        startWindow();
        auto *button = m_window->control<QPushButton>(QStringLiteral("Command2"));
        auto *dump = m_window->control<QPlainTextEdit>(QStringLiteral("txtTerm"));
        QWidget *client = m_window->centralWidget();
        QVERIFY(!client->rect().intersects(dump->geometry()));
        for (int open = 1; open >= 0; --open) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(button->text(),
                     QLatin1String(open ? "CLOSE PORT INFOR." : "VIEW PORT INFOR."));
            QCOMPARE(m_window->outerHeightTwips(), open ? 7632 : 5616);
            QCOMPARE(client->rect().contains(dump->geometry()), bool(open));
            QVERIFY(button->width() >= button->sizeHint().width());
        }
        for (QPushButton *other : m_window->findChildren<QPushButton *>()) {
            QVERIFY2(other->width() >= other->sizeHint().width()
                         && other->parentWidget()->rect().contains(other->geometry()),
                     qPrintable(other->objectName()));
        }
        for (TabControl *tabs : m_window->findChildren<TabControl *>()) {
            QTabBar *bar = tabs->tabBar();
            for (int index = 0; index < bar->count(); ++index) {
                const QRect tab = bar->tabRect(index);
                QVERIFY2(tab.width() > bar->fontMetrics().horizontalAdvance(bar->tabText(index))
                             && bar->rect().contains(tab),
                         qPrintable(bar->tabText(index)));
            }
        }
    }

    // About and Help from the menu bar; History from it and from the icon's menu opens one
    // history window over the tracking file.
    void menuEntriesOpenTheirWindows()
    {
        startWindow();
        bool aboutShown = false;
        QTimer::singleShot(0, m_window.get(), [&aboutShown] {
            if (auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget())) {
                aboutShown = true;
                about->cmdOK_Click();
            }
        });
        m_window->findChild<QAction *>(QStringLiteral("aa"))->trigger();
        QVERIFY(aboutShown);
        m_window->findChild<QAction *>(QStringLiteral("bb"))->trigger();
        QCOMPARE(m_messages->shown.size(), 1);
        QAction *fromMenu = m_window->findChild<QAction *>(QStringLiteral("historyAction"));
        for (QAction *history : { fromMenu, m_icon->contextMenu()->actions().constFirst() }) {
            history->trigger();
            const QWidgetList shown = QApplication::topLevelWidgets();
            const auto windows = std::count_if(shown.begin(), shown.end(), [](QWidget *widget) {
                return qobject_cast<HistoryWindow *>(widget) != nullptr;
            });
            QCOMPARE(windows, 1);
            HistoryWindow *window = m_window->timeServices().historyWindow();
            QVERIFY(window->isVisible());
            QVERIFY(window->findChild<QLabel *>(QStringLiteral("note"))
                        ->text()
                        .contains(QDir::toNativeSeparators(m_trackingPath)));
            window->hide();
        }
    }

    // The cycle's request shows the overlay, and a repeated one gives it its full time again.
    void overlayRequestOfTheCycleShowsTheOverlay()
    {
        startWindow();
        m_window->overlay().setProgramEnder([] {});
        emit m_window->cycle().overlayRequested();
        QVERIFY(m_window->overlay().overlay()->isVisible());
        const IntervalTimer &hideTimer = *m_window->overlay().hideTimer();
        QTest::qWait(300);
        QVERIFY(hideTimer.remainingTimeMs() <= OverlayController::kVisibleMs - 300);
        emit m_window->cycle().overlayRequested();
        QVERIFY(hideTimer.remainingTimeMs() > OverlayController::kVisibleMs - 150);
    }

private:
    template<typename T> void click(const char *name)
    {
        QTest::mouseClick(m_window->control<T>(QLatin1String(name)), Qt::LeftButton);
    }
    // On a port that opens (a pseudo-terminal, as both ports) unless another is given.
    void startWindow(QString port = QString(), bool shown = true)
    {
        if (port.isNull()) {
            m_pty = std::make_unique<PseudoTerminal>();
            port = m_pty->linkPath();
        }
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), port);
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com2"), port);
        m_trackingPath = m_dir->filePath(QStringLiteral("tracking.csv"));
        m_window = std::make_unique<frmTerminal>(TerminalServices {
            m_clock, *m_store, *m_messages, *m_icon, m_dir->filePath(QStringLiteral("logfile.txt")),
            QString(), m_trackingPath });
        m_window->Form_Load();
        if (shown) {
            m_window->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        }
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
