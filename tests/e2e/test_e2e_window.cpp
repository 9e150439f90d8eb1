#include "app/frmterminal.h"
#include "app/messageboxes.h"
#include "app/notificationicon.h"
#include "app/tabcontrol.h"
#include "common/settingsstore.h"
#include "common/simulatedclock.h"
#include "correction/clockstatus.h"
#include "correction/correctionlog.h"
#include "correction/correctionrules.h"
#include "frames/receiverframe.h"
#include "history/trackingreader.h"
#include "programs.h"
#include "pseudoterminal.h"
#include "refclock/refclockfeed.h"
#include "serial/mscomm1.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>

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

void click(frmTerminal &window, const char *button)
{
    QTest::mouseClick(window.control<QAbstractButton>(QString::fromLatin1(button)), Qt::LeftButton);
}

void choose(frmTerminal &window, const QString &list, const QString &entry)
{
    // What picking an entry from the list's popup does.
    auto *combo = window.control<QComboBox>(list);
    const int index = combo->findText(entry);
    QVERIFY2(index >= 0, qPrintable(list + QLatin1Char(' ') + entry));
    combo->setCurrentIndex(index);
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
        ProgramProcess simulator;
        QVERIFY(startSimulator(simulator, link, { "--start", "2026-12-05T23:59:50" }));
        SettingsStore store(dir.filePath(QStringLiteral("v.conf")));
        store.setValue(QStringLiteral("Ports"), QStringLiteral("Com1"), link);
        SimulatedClock clock;
        RecordingMessageBoxes messages;
        NotificationIcon icon { QIcon() };
        frmTerminal window(
            TerminalServices { clock, store, messages, icon, dir.filePath(QStringLiteral("log")) });
        window.Form_Load();
        window.show();
        auto *label2 = window.control<QLabel>(QStringLiteral("Label2"));
        QTRY_VERIFY_WITH_TIMEOUT(label2->text().startsWith(QStringLiteral("2026-12-05 23:59:5")),
                                 10000);
        auto *status = window.findChild<QLabel *>(QStringLiteral("statusReceiver"));
        const QString port = QStringLiteral("Com1 (%1)").arg(link);
        // Unplugged: the port counts as closed, quietly; the large time stays, the status not.
        simulator.stop();
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(port + QStringLiteral(" is closed")),
                                 10000);
        QVERIFY(icon.toolTip().contains(status->text()) && icon.isGrey());
        // Plugged back in, as a new device behind the same name: frames show again.
        ProgramProcess replugged;
        QVERIFY(startSimulator(replugged, link, { "--start", "2026-12-06T00:00:30" }));
        QTRY_VERIFY_WITH_TIMEOUT(label2->text().startsWith(QStringLiteral("2026-12-06 00:00:3")),
                                 15000);
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Receiving from ") + port, 10000);
        QVERIFY(icon.toolTip().contains(status->text()) && !icon.isGrey());
        QVERIFY(messages.texts.isEmpty());
    }

    // Each correction's tracking line carries a known clock error plus the stored latency,
    // measured over the whole receive path from end bytes written at moments noted here.
    void trackingLineCarriesTheKnownOffset()
    {
        const int latencyMs = 40;
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
        NotificationIcon icon { QIcon() };
        const QString trackingPath = dir.filePath(QStringLiteral("tracking.csv"));
        frmTerminal window(TerminalServices { clock, store, messages, icon,
                                              dir.filePath(QStringLiteral("logfile.txt")),
                                              QString(), trackingPath });
        window.Form_Load();

        // One frame a second, its end byte 5 ms after the rest, as on a real line.
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
        // Half a second away from the correction's ticks, so no frame is half-read at a tick.
        QTimer::singleShot(500, this, [&] {
            send();
            sender.start(1000);
        });

        TrackingReader tracking(trackingPath);
        QTRY_VERIFY_WITH_TIMEOUT((tracking.update(), tracking.records().size() >= 5), 15000);
        // The newest frame's second began its time on the line and the latency before its end.
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
            errors.append(std::abs(*record.offsetMs - expected));
        }
        // Readings held up by a busy machine are forgiven: the median stays below half the
        // frame's 12.5 ms on the line, the smallest part of the offset that could be missed.
        std::sort(errors.begin(), errors.end());
        QVERIFY2(errors.at(2) < 6.0, qPrintable(QString::number(errors.at(2))));
    }

    // A fresh user sets up the port and the correction with the mouse and the keyboard,
    // presses both OK buttons, and finds the choices in effect after a restart.
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
        NotificationIcon icon { QIcon() };
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
            click(window, "Command1");

            clickTab(window, QStringLiteral("SSTab1"), 1);
            click(window, "Check1");
            QLineEdit *period = window.control<QComboBox>(QStringLiteral("Combo1"))->lineEdit();
            period->selectAll();
            QTest::keyClicks(period, QStringLiteral("10"));
            click(window, "Command5");
        }

        frmTerminal again(services);
        again.Form_Load();
        QVERIFY2(messages.texts.isEmpty(), qPrintable(messages.texts.join(QLatin1Char('|'))));
        QVERIFY(again.port().portOpen());
        QCOMPARE(again.port().commPort(), 2);
        QCOMPARE(again.port().settings(), QStringLiteral("19200,n,8,1"));
        // Said only when the correction is on, its timer running, every 10 s.
        QCOMPARE(again.status().correctionText(),
                 QStringLiteral("Correction every 10 s; none yet"));
    }
};

QTEST_MAIN(TestEndToEndWindow)
#include "test_e2e_window.moc"
