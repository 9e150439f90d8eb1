#include "app/frmterminal.h"
#include "app/messageboxes.h"
#include "app/notificationicon.h"
#include "app/tabcontrol.h"
#include "common/intervaltimer.h"
#include "common/settingsstore.h"
#include "common/simulatedclock.h"
#include "correction/correctionrules.h"
#include "frames/receiverframe.h"
#include "history/trackingreader.h"
#include "programs.h"
#include "pseudoterminal.h"
#include "refclock/refclockfeed.h"
#include "serial/mscomm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>

namespace {

class RecordingMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget *, QMessageBox::Icon, const QString &,
                                     const QString &text, QMessageBox::StandardButtons) override
    {
        texts.append(text);
        return QMessageBox::Ok;
    }
    QStringList texts;
};

class SilentNotificationIcon : public NotificationIcon
{
public:
    SilentNotificationIcon()
        : NotificationIcon(QIcon())
    {
    }

protected:
    void applyInTray(bool) override { }
};

// The computer's clock moved by a known amount, exactly: set only by the test.
class ThrownClock : public SystemClock
{
public:
    QDateTime now() const override
    {
        return QDateTime::fromMSecsSinceEpoch(QDateTime::currentMSecsSinceEpoch() + thrownMs);
    }
    Outcome setDate(const QDate &) override { return std::nullopt; }
    Outcome setTime(const QTime &) override { return std::nullopt; }
    Outcome setDateTime(const QDateTime &) override { return std::nullopt; }
    qint64 thrownMs = 0;
};

void clickTab(frmTerminal &window, const QString &tabControl, int page)
{
    auto *tabs = window.control<TabControl>(tabControl);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(page).center());
}

void choose(frmTerminal &window, const QString &list, const QString &entry)
{
    // What picking an entry from the list's popup does.
    auto *combo = window.control<QComboBox>(list);
    const int index = combo->findText(entry);
    QVERIFY2(index >= 0, qPrintable(list + QLatin1Char(' ') + entry));
    combo->setCurrentIndex(index);
}

void type(frmTerminal &window, const QString &comboName, const QString &text)
{
    auto *combo = window.control<QComboBox>(comboName);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), text);
}

} // namespace

// The whole main window in this process, as a user meets it.
class TestEndToEndWindow : public QObject
{
    Q_OBJECT
private slots:
    void receiverTimeShowsAndComesBackAfterUnplugging()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyReceiver"));
        SimulatorProcess simulator(
            link, { QStringLiteral("--start"), QStringLiteral("2026-12-05T23:59:50") });
        QVERIFY(simulator.waitForLink());
        SettingsStore store(dir.filePath(QStringLiteral("v.conf")));
        store.setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), link);
        SimulatedClock clock;
        RecordingMessageBoxes messages;
        SilentNotificationIcon icon;
        frmTerminal window(
            TerminalServices { clock, store, messages, icon, dir.filePath(QStringLiteral("log")) });
        window.Form_Load();
        window.show();
        auto *label2 = window.control<QLabel>(QStringLiteral("Label2"));
        QTRY_VERIFY_WITH_TIMEOUT(label2->text().startsWith(QStringLiteral("2026-12-05 23:59:5")),
                                 2500);
        QVERIFY(messages.texts.isEmpty());
        // The dump shows the frame's bytes on a line of its own.
        auto *dump = window.control<QPlainTextEdit>(QStringLiteral("txtTerm"));
        QTRY_VERIFY_WITH_TIMEOUT(
            dump->toPlainText().contains(QStringLiteral("AA  A1  A2  20  26  12  05 ")), 1000);

        // Unplugged: the port counts as closed, quietly, and nothing spins while it is gone.
        simulator.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!window.port().portOpen(), 2000);
        const std::clock_t cpuBefore = std::clock();
        QTest::qWait(3000);
        const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
        QVERIFY2(cpuSeconds < 1.0, qPrintable(QString::number(cpuSeconds)));
        // Plugged back in, as a new device behind the same name: frames show again.
        SimulatorProcess replugged(
            link, { QStringLiteral("--start"), QStringLiteral("2026-12-06T00:00:30") });
        QVERIFY(replugged.waitForLink());
        QTRY_VERIFY_WITH_TIMEOUT(label2->text().startsWith(QStringLiteral("2026-12-06 00:00:3")),
                                 5000);
        QVERIFY(window.port().portOpen());
        QVERIFY(messages.texts.isEmpty());
    }

    // A clock thrown a known amount off: each correction's tracking line carries it, measured
    // over a real pseudo-terminal and the whole receive path; the receiver's latency shifts it
    // by its value. The frames are written here, each end byte at a moment noted to the
    // microsecond, so that only this process's own delay in reading it counts.
    void trackingLineCarriesTheKnownOffset_data()
    {
        QTest::addColumn<int>("latencyMs");
        QTest::newRow("no latency") << 0;
        QTest::newRow("40 ms latency") << 40;
    }
    void trackingLineCarriesTheKnownOffset()
    {
        QFETCH(int, latencyMs);
        PseudoTerminal pty;
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("v.conf")));
        store.setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), pty.linkPath());
        store.setValue(QStringLiteral("Properties"), QStringLiteral("jiaoshiflag"), "1");
        store.setValue(QStringLiteral("Properties"), QStringLiteral("jiaoshimiao"), "1");
        store.setValue(QStringLiteral("Receiver"), QStringLiteral("offsetMs"),
                       QString::number(latencyMs));
        ThrownClock clock;
        clock.thrownMs = -25'000;
        RecordingMessageBoxes messages;
        SilentNotificationIcon icon;
        const QString trackingPath = dir.filePath(QStringLiteral("tracking.csv"));
        frmTerminal window(TerminalServices { clock, store, messages, icon,
                                              dir.filePath(QStringLiteral("logfile.txt")),
                                              QString(), trackingPath });
        window.Form_Load();
        QVERIFY(window.port().portOpen());

        // One frame a second, its end byte 5 ms after the rest, as bytes stream in on a line.
        struct Written
        {
            qint64 secondMs;
            qint64 endWrittenNs;
        };
        QList<Written> written;
        const qint64 firstSecondMs = QDateTime::currentMSecsSinceEpoch() / 1000 * 1000;
        QTimer sender;
        sender.setTimerType(Qt::PreciseTimer);
        const auto send = [&] {
            const qint64 secondMs = firstSecondMs + 1000 * written.size();
            const QByteArray frame = receiverFrame(QDateTime::fromMSecsSinceEpoch(secondMs));
            QVERIFY(pty.write(frame.left(11)));
            QTimer::singleShot(5, this, [&, secondMs, frame] {
                written.append({ secondMs, RefclockFeed::systemNowNs() });
                QVERIFY(pty.write(frame.right(1)));
            });
        };
        connect(&sender, &QTimer::timeout, this, send);
        // Half a second away from the correction's ticks, which began with the start: a
        // correction while the next frame is on the line counts its frame at most 999 ms old.
        QTimer::singleShot(500, this, [&] {
            send();
            sender.start(1000);
        });

        TrackingReader tracking(trackingPath);
        QDeadlineTimer deadline(15000);
        while (tracking.records().size() < 3 && !deadline.hasExpired()) {
            QTest::qWait(100);
            tracking.update();
        }
        QCOMPARE(tracking.records().size(), 3);
        // The newest frame when the clock was set was written at endWrittenNs; its second
        // began the frame's time on the line, and the latency, before that.
        const double lineMs
            = double(CorrectionRules::frameTransmissionNs(window.port().settings())) / 1e6;
        QList<double> errors;
        for (const TrackingRecord &record : tracking.records()) {
            const double setAtNs = double(record.stamp.toMSecsSinceEpoch() - clock.thrownMs) * 1e6;
            const auto newest = std::find_if(written.crbegin(), written.crend(), [&](auto &frame) {
                return double(frame.endWrittenNs) < setAtNs;
            });
            QVERIFY(newest != written.crend() && record.offsetMs);
            const double expected = double(newest->secondMs) + lineMs + latencyMs
                - double(newest->endWrittenNs) / 1e6 - double(clock.thrownMs);
            qInfo("offset %.3f ms, expected %.3f ms", *record.offsetMs, expected);
            errors.append(std::abs(*record.offsetMs - expected));
        }
        // One reading held up by a busy machine is forgiven.
        std::sort(errors.begin(), errors.end());
        QVERIFY2(errors.at(1) < 2.0, qPrintable(QString::number(errors.at(1))));
    }

    // A fresh user sets up the port and the correction options with the mouse and the
    // keyboard, presses both OK buttons, and finds every choice again after a restart.
    void choicesSurviveARestart()
    {
        PseudoTerminal first;
        PseudoTerminal second;
        QTemporaryDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("v.conf")));
        store.setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), first.linkPath());
        store.setValue(QStringLiteral("Ports"), QStringLiteral("Com2"), second.linkPath());
        SimulatedClock clock;
        RecordingMessageBoxes messages;
        SilentNotificationIcon icon;
        const TerminalServices services { clock, store, messages, icon,
                                          dir.filePath(QStringLiteral("logfile.txt")) };
        {
            frmTerminal window(services);
            window.Form_Load();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            clickTab(window, QStringLiteral("SSTab3"), 1);
            choose(window, QStringLiteral("cboPort"), QStringLiteral("Com2"));
            choose(window, QStringLiteral("cboSpeed"), QStringLiteral("19200"));
            QTest::mouseClick(window.control<QRadioButton>(QStringLiteral("optFlow(1)")),
                              Qt::LeftButton);
            QTest::mouseClick(window.control<QRadioButton>(QStringLiteral("optEcho(1)")),
                              Qt::LeftButton);
            QTest::mouseClick(window.control<QPushButton>(QStringLiteral("Command1")),
                              Qt::LeftButton);
            QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(QLatin1Char('|'))));

            clickTab(window, QStringLiteral("SSTab1"), 1);
            QTest::mouseClick(window.control<QCheckBox>(QStringLiteral("Check1")), Qt::LeftButton);
            type(window, QStringLiteral("Combo1"), QStringLiteral("10"));
            QTest::mouseClick(window.control<QCheckBox>(QStringLiteral("Check2")), Qt::LeftButton);
            type(window, QStringLiteral("Combo2"), QStringLiteral("300"));
            QTest::mouseClick(window.control<QCheckBox>(QStringLiteral("Check4")), Qt::LeftButton);
            type(window, QStringLiteral("Combo6"), QStringLiteral("5"));
            QTest::mouseClick(window.control<QPushButton>(QStringLiteral("Command5")),
                              Qt::LeftButton);
            QVERIFY(messages.texts.isEmpty());
        }

        frmTerminal again(services);
        again.Form_Load();
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(again.port().commPort(), 2);
        QVERIFY(again.port().portOpen());
        QCOMPARE(again.port().settings(), QStringLiteral("19200,n,8,1"));
        const QList<QPair<const char *, const char *>> shown { { "cboPort", "Com2" },
                                                               { "cboSpeed", "19200" },
                                                               { "Combo1", "10" },
                                                               { "Combo2", "300" },
                                                               { "Combo6", "5" } };
        for (const auto &[combo, text] : shown) {
            QCOMPARE(again.control<QComboBox>(QString::fromLatin1(combo))->currentText(),
                     QString::fromLatin1(text));
        }
        for (const char *button : { "optFlow(1)", "optEcho(1)", "Check1", "Check2", "Check4" }) {
            QVERIFY2(again.control<QAbstractButton>(QString::fromLatin1(button))->isChecked(),
                     button);
        }
        QVERIFY(!again.control<QCheckBox>(QStringLiteral("Check3"))->isChecked());
        QVERIFY(again.echoFlag());
        // The options took effect, not only their controls.
        QCOMPARE(again.correctionOptions().maskMinutes, 5);
        QVERIFY(again.timer(3).isEnabled());
        QVERIFY(again.timer(4).isEnabled());
        QCOMPARE(again.timer(4).interval(), 300);
    }
};

QTEST_MAIN(TestEndToEndWindow)
#include "test_e2e_window.moc"
