#include "ptyport.h"
#include "serial/portpanel.h"
#include "serial/portrestore.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <termios.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPtyPort = PtyPort::kPtyPort;
constexpr int kMissingPort = 5;

// A list's entries, separated by blanks.
QString entriesOf(const QComboBox *list)
{
    QStringList entries;
    for (int index = 0; index < list->count(); ++index) {
        entries.append(list->itemText(index));
    }
    return entries.join(u' ');
}

QString com(int port)
{
    return u"Com%1"_s.arg(port);
}

// A device that takes no flow control at all.
class FlowRefusingPort : public MSComm1
{
public:
    using MSComm1::MSComm1;
    Outcome setHandshaking(qint32) override
    {
        return ErrorValue { MSComm1::kErrorSettingsRefused, u"Invalid argument"_s };
    }
};

// The panel's controls as the main window has them; each option group in its own frame.
struct PanelWidgets
{
    QWidget window;
    PortPanel::Controls controls;
    QPushButton *Command1 = new QPushButton(u"OK"_s, &window);

    PanelWidgets()
    {
        for (QComboBox **list :
             { &controls.cboPort, &controls.cboSpeed, &controls.cboDataBits, &controls.cboParity,
               &controls.cboStopBits, &controls.Combo1, &controls.Combo6 }) {
            *list = new QComboBox(&window);
        }
        controls.Combo1->setEditable(true);
        controls.Combo6->setEditable(true);
        auto *flowFrame = new QGroupBox(&window);
        auto *echoFrame = new QGroupBox(&window);
        // Sized to their captions: a click hits a radio button only on its indicator or text.
        const auto place = [](QRadioButton *option, int row) {
            option->move(10, 20 + 25 * row);
            option->adjustSize();
        };
        const QStringList flow { u"None"_s, u"Xon/Xoff"_s, u"RTS"_s, u"Xon/RTS"_s };
        for (int index = 0; index < 4; ++index) {
            controls.optFlow[index] = new QRadioButton(flow.at(index), flowFrame);
            place(controls.optFlow[index], index);
        }
        controls.optEcho
            = { new QRadioButton(u"Off"_s, echoFrame), new QRadioButton(u"On"_s, echoFrame) };
        place(controls.optEcho[0], 0);
        place(controls.optEcho[1], 1);
        flowFrame->setGeometry(0, 0, 150, 130);
        echoFrame->setGeometry(160, 0, 150, 80);
        Command1->setGeometry(160, 100, 80, 25);
        window.resize(400, 200);
        window.show();
    }
};

} // namespace

class TestPortPanel : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPort> m_f;
    MSComm1 *m_port = nullptr;
    std::unique_ptr<PanelWidgets> m_widgets;
    const PortPanel::Controls *m_c = nullptr;
    std::unique_ptr<PortPanel> m_panel;
    QList<ErrorValue> m_reports;
    bool m_echoFlag = false;

    // The four stored keys: portSettings, CommPort, Handshaking, Echo.
    QStringList stored() const
    {
        QStringList values;
        for (const char *key : { "portSettings", "CommPort", "Handshaking", "Echo" }) {
            values << m_f->store.value(QString::fromLatin1(SettingsStore::kPropertiesSection),
                                       QLatin1String(key));
        }
        return values;
    }
    QString portState() const
    {
        return u"%1 %2"_s.arg(m_port->commPort()).arg(m_port->portOpen() ? "open" : "closed");
    }
    void choose(QComboBox *list, const QString &text)
    {
        const int index = list->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        list->setCurrentIndex(index);
    }
    // Speed, parity, data bits, stop bits.
    void chooseLine(const QStringList &line)
    {
        choose(m_c->cboSpeed, line[0]);
        choose(m_c->cboParity, line[1]);
        choose(m_c->cboDataBits, line[2]);
        choose(m_c->cboStopBits, line[3]);
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickOk() { click(m_widgets->Command1); }
    // Start-up on the pseudo-terminal: port 2, opened, lists filled.
    void startOnPty()
    {
        QCOMPARE(m_port->setCommPort(kPtyPort), Outcome());
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        m_panel->LoadPropertySettings();
        QVERIFY(m_port->portOpen());
    }

private slots:
    void init()
    {
        m_f = std::make_unique<PtyPort>();
        QVERIFY(m_f->pty.isValid());
        m_f->mapPort(kMissingPort, m_f->missingDevice());
        m_port = &m_f->port;
        m_widgets = std::make_unique<PanelWidgets>();
        m_c = &m_widgets->controls;
        m_reports.clear();
        m_echoFlag = false;
        m_panel = std::make_unique<PortPanel>(
            *m_c, *m_port, m_f->store, m_echoFlag,
            [this](const ErrorValue &error) { m_reports.append(error); });
        connect(m_widgets->Command1, &QPushButton::clicked, m_panel.get(),
                &PortPanel::Command1_Click);
    }
    void cleanup()
    {
        m_panel.reset();
        m_widgets.reset();
        m_f.reset();
    }

    void listsHoldEntriesOnceInOrder()
    {
        m_c->Combo1->setEditText(u"30"_s);
        m_panel->LoadPropertySettings();
        m_panel->LoadPropertySettings();
        QStringList ports;
        for (int port = 1; port <= 16; ++port) {
            ports << com(port);
        }
        QCOMPARE(entriesOf(m_c->cboPort), ports.join(u' '));
        QCOMPARE(entriesOf(m_c->Combo1), u"5 10 30 60 180 600 1800 3600"_s);
        QCOMPARE(entriesOf(m_c->Combo6), u"1 2 3 4 5 6 7 8 9 10 15 20 30 40 50 60"_s);
        QCOMPARE(entriesOf(m_c->cboSpeed),
                 u"110 300 600 1200 2400 4800 9600 14400 19200 28800 38400 56000 57600 76800 "
                 "115200 128000 256000"_s);
        QCOMPARE(entriesOf(m_c->cboDataBits), u"4 5 6 7 8"_s);
        QCOMPARE(entriesOf(m_c->cboParity), u"Even Odd None Mark Space"_s);
        QCOMPARE(entriesOf(m_c->cboStopBits), u"1 1.5 2"_s);
        // The correction value typed before the lists were filled is still shown.
        QCOMPARE(m_c->Combo1->currentText(), u"30"_s);
        // Each port entry tells the device it stands for.
        QCOMPARE(m_c->cboPort->itemData(1, Qt::ToolTipRole).toString(), m_f->pty.linkPath());
        QCOMPARE(m_c->cboPort->itemData(15, Qt::ToolTipRole).toString(), u"/dev/ttyS15"_s);
    }

    // Shown by position, then applied unchanged: what is stored is what was there.
    // (The pty takes no 1.5 stop bits; that shift is tested on the current-port view.)
    void showsCurrentSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("shown"); // speed, parity, data bits, stop bits
        QTest::newRow("9600,n,8,1") << u"9600,n,8,1"_s << QStringList { "9600", "None", "8", "1" };
        QTest::newRow("115200,e,7,1")
            << u"115200,e,7,1"_s << QStringList { "115200", "Even", "7", "1" };
        QTest::newRow("19200,n,8,2")
            << u"19200,n,8,2"_s << QStringList { "19200", "None", "8", "2" };
        QTest::newRow("odd parity") << u"4800,O,8,1"_s << QStringList { "4800", "Odd", "8", "1" };
        QTest::newRow("mark parity") << u"2400,M,7,2"_s << QStringList { "2400", "Mark", "7", "2" };
    }
    void showsCurrentSettings()
    {
        QFETCH(QString, settings);
        QCOMPARE(m_port->setSettings(settings), Outcome());
        m_panel->LoadPropertySettings();
        QTEST(QStringList({ m_c->cboSpeed->currentText(), m_c->cboParity->currentText(),
                            m_c->cboDataBits->currentText(), m_c->cboStopBits->currentText() }),
              "shown");
        QCOMPARE(m_c->cboPort->currentText(), com(1));
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(stored(), QStringList({ settings.toLower(), "1", "0", "False" }));
    }

    void portSeventeenFlowAndEchoThenClicks()
    {
        QCOMPARE(m_port->setCommPort(17), Outcome());
        QCOMPARE(m_port->setHandshaking(2), Outcome());
        m_echoFlag = true;
        m_panel->LoadPropertySettings();
        QCOMPARE(m_c->cboPort->currentIndex(), -1);
        QVERIFY(m_c->optFlow[2]->isChecked());
        QCOMPARE(m_panel->pendingFlow(), qint16(2));
        QVERIFY(m_c->optEcho[1]->isChecked());
        QVERIFY(m_panel->pendingEcho());
        click(m_c->optFlow[3]);
        QCOMPARE(m_panel->pendingFlow(), qint16(3));
        click(m_c->optEcho[0]);
        QVERIFY(!m_panel->pendingEcho());
    }

    // A panel speed goes in through the control block with the rest of the text and the flow,
    // with no message, the port left open. When the port refuses a field (the pty parity, the
    // text 4 data bits or 1.5 stop bits), only the speed goes in that way, and the rest is
    // said: nothing is stored and the flow choice is not applied.
    void panelSpeedsAndRefusedFields_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("report"); // empty: none, and the choice is stored
        QTest::newRow("14400 whole")
            << u"19200,n,8,2"_s << QStringList { "14400", "None", "8", "1" } << QString();
        QTest::newRow("even parity") << u"9600,n,8,1"_s << QStringList { "57600", "Even", "8", "2" }
                                     << u"PARITY Even, STOPBITS 2; it runs at 57600,n,8,1."_s;
        QTest::newRow("4 data bits") << u"9600,n,8,1"_s << QStringList { "28800", "None", "4", "1" }
                                     << u"DATABITS 4; it runs at 28800,n,8,1."_s;
        QTest::newRow("1.5 stop bits")
            << u"9600,n,8,2"_s << QStringList { "19200", "None", "8", "1.5" }
            << u"STOPBITS 1.5; it runs at 19200,n,8,2."_s;
    }
    void panelSpeedsAndRefusedFields()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, chosen);
        QFETCH(QString, report);
        QCOMPARE(m_port->setSettings(before), Outcome());
        startOnPty();
        chooseLine(chosen);
        click(m_c->optFlow[2]);
        clickOk();
        QCOMPARE(m_f->speeds(), u"%1/%1"_s.arg(chosen[0]));
        QCOMPARE(portState(), u"2 open"_s);
        if (report.isEmpty()) {
            QVERIFY(m_reports.isEmpty());
            QCOMPARE(stored(), QStringList({ "14400,n,8,1", "2", "2", "False" }));
            termios line {};
            QCOMPARE(tcgetattr(m_f->fd(), &line), 0);
            QVERIFY(!(line.c_cflag & CSTOPB)); // on the device, not only in the text
        } else {
            const QString text
                = u"Com2 (%1): The port did not take %2"_s.arg(m_f->pty.linkPath(), report);
            QCOMPARE(m_reports, QList<ErrorValue>({ { MSComm1::kErrorSettingsRefused, text } }));
            QCOMPARE(stored(), QStringList({ "", "", "", "" }));
            QCOMPARE(m_port->handshaking(), 0);
        }
    }

    // A closed port has no control block: the fallback's own error, and the flow choice is
    // not applied.
    void fallbackOnClosedPortReportsNotOpen()
    {
        m_panel->LoadPropertySettings();
        chooseLine({ "76800", "None", "8", "1" });
        click(m_c->optFlow[1]);
        clickOk();
        QCOMPARE(m_reports,
                 QList<ErrorValue>({ { 8018,
                                       u"Com1 (/dev/ttyS0): Operation valid only when the port "
                                       "is open"_s } }));
        QCOMPARE(stored(), QStringList({ "", "", "", "" }));
        QCOMPARE(m_port->settings(), u"9600,n,8,1"_s);
        QCOMPARE(m_port->handshaking(), 0);
    }

    // A flow control the device refuses is reported and nothing is stored. No pseudo-terminal
    // refuses one, so a stand-in port does.
    void refusedHandshakingStoresNothing()
    {
        FlowRefusingPort port(m_f->store);
        PortSettingsApplier applier;
        const PortSettingsApplier::Choices choices { 0, u"9600"_s, u"None"_s, u"8"_s, u"1"_s, 1 };
        bool echo = false;
        QCOMPARE(
            applier.apply(choices, port, m_f->store, echo),
            Outcome({ MSComm1::kErrorSettingsRefused, u"Com1 (/dev/ttyS0): Invalid argument"_s }));
        QCOMPARE(stored(), QStringList({ "", "", "", "" }));
    }

    // A failed port change (a missing device, or no port selected: port 0) is reported once,
    // naming the port that failed, and undone: old number back, port closed, nothing stored,
    // the flow choice not applied, the echo choice still taken.
    void failedPortChangeIsUndone_data()
    {
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing device")
            << kMissingPort - 1 << u"Com5 (%1): No such file or directory"_s;
        QTest::newRow("no port selected") << -1 << u"Invalid port number"_s;
    }
    void failedPortChangeIsUndone()
    {
        QFETCH(int, portIndex);
        QFETCH(QString, message);
        startOnPty();
        click(m_c->optEcho[1]);
        click(m_c->optFlow[1]);
        m_c->cboPort->setCurrentIndex(portIndex);
        clickOk();
        QCOMPARE(m_reports,
                 QList<ErrorValue>(
                     { { MSComm1::kErrorInvalidPort, message.arg(m_f->missingDevice()) } }));
        QCOMPARE(portState(), u"2 closed"_s);
        QCOMPARE(m_port->handshaking(), 0); // the flow comes after the port change
        QCOMPARE(stored(), QStringList({ "", "", "", "" }));
        QVERIFY(m_echoFlag);
        QCOMPARE(m_c->cboPort->currentIndex(), portIndex); // the user's choice stays
    }

    // Moving an open port to a working one opens the new device, also when an earlier
    // failed change left the port closed, even after the old port was chosen again or a
    // second change failed in between.
    void workingPortIsOpened_data()
    {
        QTest::addColumn<QList<int>>("detour"); // ports applied first
        QTest::addColumn<int>("failures");
        QTest::newRow("straight from the open port") << QList<int> {} << 0;
        QTest::newRow("after a failed change") << QList<int> { kMissingPort } << 1;
        QTest::newRow("after choosing the old port") << QList<int> { kMissingPort, kPtyPort } << 1;
        QTest::newRow("after a second failure") << QList<int> { kMissingPort, 6 } << 2;
    }
    void workingPortIsOpened()
    {
        QFETCH(QList<int>, detour);
        QFETCH(int, failures);
        startOnPty();
        PseudoTerminal other;
        QVERIFY(other.isValid());
        m_f->mapPort(3, other.linkPath());
        m_f->mapPort(6, m_f->dir.filePath(u"gone"_s));
        for (const int port : detour) {
            choose(m_c->cboPort, com(port));
            clickOk();
            QCOMPARE(portState(), u"2 closed"_s);
        }
        QCOMPARE(m_reports.size(), failures);
        choose(m_c->cboPort, com(3));
        clickOk();
        QCOMPARE(m_reports.size(), failures);
        QCOMPARE(portState(), u"3 open"_s);
        QCOMPARE(stored()[1], u"3"_s);
        QVERIFY(other.write("y")); // the port now listens on the new device
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(1), 2000);
        QCOMPARE(m_port->input(), QByteArray("y"));
        // Once reopened, the port behaves as any open port: a move back keeps it open.
        choose(m_c->cboPort, com(kPtyPort));
        clickOk();
        QCOMPARE(m_reports.size(), failures);
        QCOMPARE(portState(), u"2 open"_s);
    }

    // Opening failed at start-up: a new number is set and stored with the rest but not
    // opened, also after a failed change, because nothing had been open to reopen.
    void portClosedAtStartUpIsNotOpenedByChange()
    {
        QCOMPARE(m_port->setCommPort(kMissingPort), Outcome());
        QVERIFY(OPENCOMM2(*m_port));
        m_panel->LoadPropertySettings();
        m_c->cboPort->setCurrentIndex(-1);
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(portState(), u"5 closed"_s);
        choose(m_c->cboPort, com(kPtyPort));
        chooseLine({ "19200", "Even", "7", "1" });
        click(m_c->optFlow[1]);
        click(m_c->optEcho[1]);
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(portState(), u"2 closed"_s);
        QCOMPARE(stored(), QStringList({ "19200,e,7,1", "2", "1", "True" }));
        QVERIFY(m_echoFlag);
    }
};

QTEST_MAIN(TestPortPanel)
#include "test_portpanel.moc"
