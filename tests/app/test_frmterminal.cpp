#include "app/applicationfonts.h"
#include "app/frmterminal.h"
#include "app/mainwindowlayout.h"
#include "app/messageboxes.h"
#include "app/notificationicon.h"
#include "app/tabcontrol.h"
#include "app/timeservices.h"
#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "common/twips.h"
#include "correction/clockstatus.h"
#include "correction/correctioncycle.h"
#include "correction/correctionlog.h"
#include "correction/correctionoptions.h"
#include "frames/receivedtimestate.h"
#include "frames/receiverframe.h"
#include "frames/receptionlogic.h"
#include "history/historywindow.h"
#include "history/trackingrecord.h"
#include "manualclock.h"
#include "overlay/form1.h"
#include "overlay/overlaycontroller.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"
#include "serial/portreconnector.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
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
    bool showLoginBalloon(const QString &text) override
    {
        balloons.append(QStringLiteral("VALTORA: ") + text);
        return true;
    }
    bool available = true;
    QStringList balloons;
};

// How much a widget's text darkens it: the darkness of its pixels beyond its background.
qint64 inkOf(QWidget *widget)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    const int background = qGray(image.pixel(0, 0));
    qint64 ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ink += qMax(0, background - image.constScanLine(y)[x]);
        }
    }
    return ink;
}

} // namespace

// The main window as a user meets it, over a real pseudo-terminal and a real settings file.
class TestFrmTerminal : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() // as the program does
    {
        loadApplicationFonts();
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSize(8);
        QApplication::setFont(font);
    }
    void init()
    {
        // The old store writes its file when it goes: before its folder goes, not after.
        m_window.reset();
        m_pty.reset();
        m_store.reset();
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
        const QString log
            = m_window->control<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText();
        QCOMPARE(log.startsWith(u"NOTE: The stored correction setting jiaoshimiao=40000"), !first);
        // Centred, with a close button but neither minimise nor maximise.
        const QPoint offCentre
            = m_window->frameGeometry().center() - m_window->screen()->geometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, qPrintable(QString::number(offCentre.x())));
        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(flags.testFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    // Said once in a box when started by hand; at login in a balloon, or without a
    // notification area in the log box, so that nothing waits for an answer.
    void unopenablePortIsSaidOnceAndTheWindowStillOpens_data()
    {
        QTest::addColumn<bool>("atLogin");
        QTest::addColumn<bool>("notificationArea");
        QTest::addColumn<QString>("said"); // "box", "balloon" or "log"
        QTest::newRow("by hand") << false << true << "box";
        QTest::newRow("at login") << true << true << "balloon";
        QTest::newRow("at login, no notification area") << true << false << "log";
    }
    void unopenablePortIsSaidOnceAndTheWindowStillOpens()
    {
        QFETCH(bool, atLogin);
        QFETCH(bool, notificationArea);
        QFETCH(QString, said);
        m_icon->available = notificationArea;
        const QString missing = m_dir->filePath(QStringLiteral("no-such-tty"));
        startWindow(missing, true, atLogin);
        const QString text = QStringLiteral("Com1 (%1): No such file or directory").arg(missing);
        const QStringList expected { QStringLiteral("VALTORA: ") + text };
        QCOMPARE(m_messages->shown, said == u"box" ? expected : QStringList());
        QCOMPARE(m_icon->balloons, said == u"balloon" ? expected : QStringList());
        const QString log
            = m_window->control<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText();
        QCOMPARE(log.contains(text), said == u"log");
        QVERIFY(!m_window->port().portOpen() && m_window->isVisible());
    }

    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp turn the pages of the tab control
    // that holds the focus, round the end; a second press turns the same level again. Tab
    // reaches the strips, whose arrow keys turn pages too: no box keeps it.
    void tabPagesFromTheKeyboard_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("keys"); // each to the control that has the focus then
        QTest::addColumn<int>("outer"); // SSTab3's page afterwards
        QTest::addColumn<int>("inner"); // SSTab1's
        QTest::newRow("Ctrl+Tab, outer") << "Text3"
                                         << "Ctrl+Tab" << 1 << 0;
        QTest::newRow("Ctrl+PageUp, outer") << "Text3"
                                            << "Ctrl+PgUp" << 1 << 0;
        QTest::newRow("Ctrl+Tab, inner") << "cboSpeed"
                                         << "Ctrl+Tab" << 1 << 1;
        QTest::newRow("Ctrl+Shift+Tab, inner") << "cboSpeed"
                                               << "Ctrl+Shift+Tab" << 1 << 1;
        QTest::newRow("Ctrl+PageDown twice, inner") << "cboSpeed"
                                                    << "Ctrl+PgDown, Ctrl+PgDown" << 1 << 0;
        QTest::newRow("Ctrl+Tab on the outer strip") << "SSTab3"
                                                     << "Ctrl+Tab" << 0 << 0;
        QTest::newRow("Tab out of the log box") << "Text3"
                                                << "Tab, Right" << 1 << 0;
        QTest::newRow("Tab past the hidden dump") << "SSTab3"
                                                  << "Tab, Tab, Right" << 1 << 1;
    }
    void tabPagesFromTheKeyboard()
    {
        QFETCH(QString, focus);
        QFETCH(QString, keys);
        startWindow();
        auto *outer = m_window->control<TabControl>(QStringLiteral("SSTab3"));
        auto *inner = m_window->control<TabControl>(QStringLiteral("SSTab1"));
        QWidget *focused = m_window->control<QWidget>(focus);
        if (auto *tabs = qobject_cast<TabControl *>(focused)) {
            tabs->setCurrentIndex(1);
            focused = tabs->tabBar();
        } else if (inner->isAncestorOf(focused)) {
            outer->setCurrentIndex(1);
        }
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        focused->setFocus();
        QVERIFY(focused->hasFocus());
        for (const QString &key : keys.split(QStringLiteral(", "))) {
            QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        }
        QTEST(outer->currentIndex(), "outer");
        QTEST(inner->currentIndex(), "inner");
    }

    // Every control is called by its caption or what it shows, the display labels are
    // described, and each menu entry has a letter of its own.
    void screenReadersAndMnemonics()
    {
        startWindow();
        m_window->reception().Command3_Click(); // the display labels show a time
        for (const ControlRow &row : MainWindowLayout::controls()) {
            if (row.kind == ControlKind::Label && row.caption.isEmpty()
                && row.accessibleDescription.isEmpty()) {
                continue; // an empty label shows nothing to name
            }
            QAccessibleInterface *control
                = QAccessible::queryAccessibleInterface(m_window->control<QWidget>(row.name));
            QVERIFY2(!control->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(row.name));
            if (!row.accessibleDescription.isEmpty()) {
                QCOMPARE(control->text(QAccessible::Description), row.accessibleDescription);
            }
        }
        const auto *label2 = QAccessible::queryAccessibleInterface(
            m_window->control<QLabel>(QStringLiteral("Label2")));
        QCOMPARE(label2->text(QAccessible::Name),
                 m_window->control<QLabel>(QStringLiteral("Label2"))->text());
        QStringList letters;
        for (const QAction *entry : m_window->menuBar()->actions()) {
            letters << QKeySequence::mnemonic(entry->text()).toString();
            QVERIFY2(!letters.constLast().isEmpty() && letters.count(letters.constLast()) == 1,
                     qPrintable(entry->text()));
        }
        QCOMPARE(letters.size(), 4);
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
        QVERIFY(m_window->port().portOpen() && m_window->timer(3).isEnabled());
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
        QVERIFY(m_window->isVisible() && !m_window->isMinimized() && m_window->port().portOpen());
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
        QVERIFY(m_window->isHidden() && m_icon->inTray());
    }

    // The history window opens over the main window, wherever that stands.
    void historyOpensOverTheMainWindow()
    {
        startWindow();
        m_window->move(100, 80);
        m_window->showHistory();
        const QWidget *history = m_window->timeServices().historyWindow();
        const QPoint offCentre
            = history->frameGeometry().center() - m_window->frameGeometry().center();
        QVERIFY2(history->isVisible() && qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    }

    // A correction's request for the overlay reaches it.
    void overlayRequestOfTheCycleShowsTheOverlay()
    {
        startWindow();
        emit m_window->cycle().overlayRequested();
        QVERIFY(m_window->overlay().overlay()->isVisible());
    }

    // Each control once, on its parent, as the table puts it; only a height, a one-line label's
    // width or a button's for its caption grows. The hex dump toggle's longer caption fits too.
    void layout()
    {
        startWindow();
        // The timers (interval, + when running) and the fixed lists as start-up leaves them.
        QStringList timers;
        for (int number = 1; number <= 6; ++number) {
            const IntervalTimer &timer = m_window->timer(number);
            timers << QString::number(timer.interval()) + (timer.isEnabled() ? "+" : "");
        }
        QCOMPARE(timers.join(u' '), QStringLiteral("1000+ 2000 1000 0 2000+ 1000"));
        QStringList ports;
        for (int port = 1; port <= 16; ++port) {
            ports << QStringLiteral("Com%1").arg(port);
        }
        for (const auto &[name, entries] : std::initializer_list<std::pair<const char *, QString>> {
                 { "cboPort", ports.join(u' ') },
                 { "Combo1", "5 10 30 60 180 600 1800 3600" },
                 { "Combo2", "50 100 200 300 400 500 600 700 800 850 900 950" },
                 { "Combo6", "1 2 3 4 5 6 7 8 9 10 15 20 30 40 50 60" },
                 { "cboSpeed",
                   "110 300 600 1200 2400 4800 9600 14400 19200 28800 38400 56000 "
                   "57600 76800 115200 128000 256000" },
                 { "cboDataBits", "4 5 6 7 8" },
                 { "cboParity", "Even Odd None Mark Space" },
                 { "cboStopBits", "1 1.5 2" } }) {
            auto *combo = m_window->control<QComboBox>(QLatin1String(name));
            QStringList texts;
            for (int index = 0; index < combo->count(); ++index) {
                texts << combo->itemText(index);
            }
            QCOMPARE(texts.join(u' '), entries);
        }
        QWidget *client = m_window->centralWidget();
        for (const ControlRow &row : MainWindowLayout::controls()) {
            const QList<QWidget *> found = client->findChildren<QWidget *>(row.name);
            QVERIFY2(found.size() == 1, qPrintable(row.name));
            QWidget *widget = found.first();
            QWidget *parent
                = row.parent.isEmpty() ? client : m_window->control<QWidget>(row.parent);
            QVERIFY2(widget->parentWidget() == parent, qPrintable(row.name));
            const QRect designed = twipsToPixels(row.twips);
            QCOMPARE(widget->pos(), designed.topLeft());
            const int width = qobject_cast<QPushButton *>(widget)
                ? qMax(designed.width(), widget->sizeHint().width())
                : designed.width();
            QVERIFY2(row.singleLine ? widget->width() >= width : widget->width() == width,
                     qPrintable(row.name));
            QVERIFY2(widget->height() >= designed.height(), qPrintable(row.name));
            // The hex dump lies below the client area and the picture beside it, on purpose.
            if (row.name != QLatin1String("txtTerm") && row.name != QLatin1String("tyuy")) {
                QVERIFY2(parent->rect().contains(widget->geometry()), qPrintable(row.name));
            }
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
        auto *button = m_window->control<QPushButton>(QStringLiteral("Command2"));
        auto *dump = m_window->control<QPlainTextEdit>(QStringLiteral("txtTerm"));
        QVERIFY(!client->rect().intersects(dump->geometry()));
        for (int open = 1; open >= 0; --open) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(button->text(),
                     QLatin1String(open ? "CLOSE PORT INFOR." : "VIEW PORT INFOR."));
            QCOMPARE(m_window->outerHeightTwips(), open ? 7632 : 5616);
            QCOMPARE(client->rect().contains(dump->geometry()), bool(open));
            QVERIFY(button->width() >= button->sizeHint().width()
                    && client->rect().contains(button->geometry()));
        }
    }

    // The display line's bold Tahoma holds a date and time; "Arround ___ minutes" is one line
    // around Combo6; the flow options get Small Fonts, and Xon/Xoff ones warn of its bytes.
    void fontsAndTips()
    {
        startWindow();
        auto *label2 = m_window->control<QLabel>(QStringLiteral("Label2"));
        QCOMPARE(QFontInfo(label2->font()).family(), QStringLiteral("Tahoma"));
        QCOMPARE(QFontInfo(label2->font()).pointSize(), 24);
        const QString line = QStringLiteral("2026-12-05 23:59:58");
        QVERIFY(QFontMetrics(label2->font()).horizontalAdvance(line) <= label2->width());
        // Every digit clearly bold, none left regular.
        const QFont bold = label2->font();
        QFont regular = bold;
        regular.setBold(false);
        for (char digit = '0'; digit <= '9'; ++digit) {
            label2->setText(QString(8, QLatin1Char(digit)));
            const qint64 boldInk = inkOf(label2);
            label2->setFont(regular);
            QVERIFY2(boldInk > inkOf(label2) * 6 / 5, qPrintable(label2->text()));
            label2->setFont(bold);
        }
        auto *around = m_window->control<QLabel>(QStringLiteral("Label6(6)"));
        const QFontMetrics metrics(around->font());
        const int wrap = around->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        QCOMPARE(metrics.boundingRect(around->rect(), wrap, around->text()).height(),
                 metrics.height());
        const int blankStart = around->x() + metrics.horizontalAdvance(QStringLiteral("Arround"));
        const QRect combo6 = m_window->control<QWidget>(QStringLiteral("Combo6"))->geometry();
        QVERIFY(combo6.left() >= blankStart);
        QVERIFY(combo6.right() < blankStart + metrics.horizontalAdvance(QString(24, u' ')));
        for (int i = 0; i < 4; ++i) {
            QWidget *flow = m_window->control<QWidget>(QStringLiteral("optFlow(%1)").arg(i));
            QCOMPARE(QFontInfo(flow->font()).family(), QStringLiteral("Small Fonts"));
            QCOMPARE(flow->toolTip().contains(QStringLiteral("bytes 11 and 13 (hex)")),
                     i == 1 || i == 3);
        }
    }

    // What the status bar and the icon say, and when a balloon goes out. Steps: open (the
    // port on a pty), frame=hh:mm:ss (decoded at that clock time), wait=ms, unplug,
    // refused=text (the port would not open), on (correction), running (Timer3), set=offset.
    void status_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected"); // receiver | correction | balloons; @ the port
        const auto row = [](const char *name, const char *steps, const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(steps) << QString::fromLatin1(expected);
        };
        row("open, nothing yet", "open", "No time from @ yet | Correction is off | ");
        row("receiving for 2.5 s", "open frame=10:00:05 wait=2500",
            "Receiving from @ | Correction is off | ");
        row("then silent", "open frame=10:00:05 wait=2501",
            "No new time from @ since 10:00:05 | Correction is off | ");
        row("the same time again is no news",
            "open frame=10:00:05 wait=2000 frame=10:00:05 wait=501",
            "No new time from @ since 10:00:05 | Correction is off | ");
        row("a minute silent, then back",
            "open frame=10:00:05 wait=59999 wait=1 wait=5000 frame=10:01:10",
            "Receiving from @ | Correction is off | Nothing new from the receiver for a minute. "
            "No new time from @ since 10:00:05.+Receiving from @ again.");
        row("refused at start", "refused=Busy wait=60000",
            "@ is closed: Busy | Correction is off | Nothing new from the receiver "
            "for a minute. @ is closed: Busy.");
        row("unplugged", "open frame=10:00:05 unplug",
            "@ is closed: its device went away; trying again every 2 s | Correction is off | ");
        row("on, waiting for a restart", "on",
            "@ is closed | Correction starts when VALTORA is "
            "next started | ");
        row("on and running", "on running", "@ is closed | Correction every 10 s; none yet | ");
        row("a day behind", "on running set=86400000.4",
            "@ is closed | Last correction at 10:00:00: the clock was 86400.000 s behind | ");
        row("ahead", "on running set=-3.2",
            "@ is closed | Last correction at 10:00:00: the clock was 3.2 ms ahead | ");
    }
    void status()
    {
        QFETCH(QString, steps);
        PseudoTerminal pty;
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), pty.linkPath());
        MSComm1 port(*m_store);
        PortReconnector reconnector(port, *m_store);
        ReceivedTimeState received;
        CorrectionOptions options;
        options.correctPeriod = 10;
        IntervalTimer timer3(1000);
        qint64 monotonicNs = 1'000'000'000;
        ManualClock clock(QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
        ClockStatus status({ port, reconnector, received, options, timer3, clock,
                             [&monotonicNs] { return monotonicNs; } });
        QStringList balloons;
        connect(&status, &ClockStatus::balloonRequested, this,
                [&balloons](const QString &text) { balloons << text; });
        for (const QString &step : steps.split(u' ')) {
            const QString value = step.section(u'=', 1);
            if (step == u"open") {
                QVERIFY(!port.setPortOpen(true));
            } else if (step.startsWith(u"frame=")) {
                clock.setNow(QDateTime(clock.now().date(), QTime::fromString(value)));
                received.recvDateTime = clock.now().toString(u"yyyy-MM-dd hh:mm:ss");
                status.frameEnded();
            } else if (step.startsWith(u"wait=")) {
                monotonicNs += value.toLongLong() * 1'000'000;
                status.refresh();
            } else if (step == u"unplug") {
                pty.closeMaster();
                QTRY_VERIFY(reconnector.isWaiting());
            } else if (step.startsWith(u"refused=")) {
                status.portOpenFailed(value);
            } else if (step == u"on" || step == u"running") {
                options.correctOn = true;
                timer3.setEnabled(step == u"running");
            } else if (step.startsWith(u"set=")) {
                TrackingRecord record;
                record.stamp = clock.now().toUTC();
                record.offsetMs = value.toDouble();
                status.clockSet(record);
            }
        }
        status.refresh();
        QFETCH(QString, expected);
        QCOMPARE(
            QStringList({ status.receiverText(), status.correctionText(), balloons.join(u'+') })
                .join(QStringLiteral(" | ")),
            expected.replace(u'@', QStringLiteral("Com1 (%1)").arg(pty.linkPath())));
        QCOMPARE(status.isReceiving(), expected.startsWith(u"Receiving"));
    }

    // The window shows the status below its tabs, and the icon in its tooltip, its menu and
    // its colour; OK turning correction on while it cannot start yet says so.
    void statusBarIconAndWaitingCorrection()
    {
        startWindow();
        auto *receiver = m_window->findChild<QLabel *>(QStringLiteral("statusReceiver"));
        auto *correction = m_window->findChild<QLabel *>(QStringLiteral("statusCorrection"));
        QVERIFY(receiver && correction);
        QVERIFY(m_window->statusBar()->geometry().top()
                > m_window->centralWidget()->geometry().bottom());
        QVERIFY(m_window->rect().contains(m_window->statusBar()->geometry()));
        QCOMPARE(receiver->text(),
                 QStringLiteral("No time from Com1 (%1) yet").arg(m_pty->linkPath()));
        QCOMPARE(m_icon->toolTip(),
                 QStringLiteral("VALTORA\n%1\nCorrection is off").arg(receiver->text()));
        QVERIFY(m_icon->isGrey());
        QVERIFY(m_pty->write(receiverFrame(QDateTime(QDate(2026, 12, 5), QTime(12, 0, 1)))));
        QTRY_VERIFY(!m_icon->isGrey());
        QCOMPARE(receiver->text(),
                 QStringLiteral("Receiving from Com1 (%1)").arg(m_pty->linkPath()));
        const auto *line
            = m_icon->contextMenu()->findChild<QAction *>(QStringLiteral("statusReceiverAction"));
        QVERIFY(line && !line->isEnabled() && line->text() == receiver->text());

        click<QCheckBox>("Check1");
        click<QPushButton>("Command5");
        click<QPushButton>("Command5");
        QCOMPARE(correction->text(),
                 QStringLiteral("Correction starts when VALTORA is next started"));
        const QString log = m_window->correctionLog().boxText();
        QCOMPARE(log.count(ClockStatus::waitsForRestartNote()), 1);
    }

private:
    template<typename T> void click(const char *name)
    {
        QTest::mouseClick(m_window->control<T>(QLatin1String(name)), Qt::LeftButton);
    }
    // On a port that opens (a pseudo-terminal, as both ports) unless another is given.
    void startWindow(QString port = QString(), bool shown = true, bool atLogin = false)
    {
        if (port.isNull()) {
            m_pty = std::make_unique<PseudoTerminal>();
            port = m_pty->linkPath();
        }
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), port);
        m_store->setValue(QStringLiteral("Ports"), QStringLiteral("Com2"), port);
        m_window = std::make_unique<frmTerminal>(TerminalServices {
            m_clock, *m_store, *m_messages, *m_icon, m_dir->filePath(QStringLiteral("logfile.txt")),
            QString(), m_dir->filePath(QStringLiteral("tracking.csv")) });
        m_window->setStartedAtLogin(atLogin);
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
};

QTEST_MAIN(TestFrmTerminal)
#include "test_frmterminal.moc"
