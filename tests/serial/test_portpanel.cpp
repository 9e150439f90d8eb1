#include "ptyport.h"
#include "serial/currentportview.h"
#include "serial/portpanel.h"
#include "serial/portrestore.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPtyPort = PtyPort::kPtyPort;
constexpr int kMissingPort = 5;

// A device that takes no flow control at all; no pseudo-terminal refuses one.
struct FlowRefusingPort : MSComm1
{
    using MSComm1::MSComm1;
    Outcome setHandshaking(qint32) override { return ErrorValue { 8015, u"Invalid argument"_s }; }
};

// The panel over the port service on a real pseudo-terminal, its controls as the main window
// has them, shown so that they can be clicked. The option groups sit in frames of their own;
// each option is sized to its caption, as a click hits only its indicator or text.
struct Panel : PtyPort
{
    QWidget window;
    PortPanel::Controls c;
    QPushButton *ok = new QPushButton(u"OK"_s, &window);
    bool echoFlag = false;
    QList<ErrorValue> reports;
    std::unique_ptr<PortPanel> panel;

    Panel()
    {
        for (QComboBox **list : { &c.cboPort, &c.cboSpeed, &c.cboDataBits, &c.cboParity,
                                  &c.cboStopBits, &c.Combo1, &c.Combo6 }) {
            *list = new QComboBox(&window);
        }
        c.Combo1->setEditable(true);
        QGroupBox *frames[] = { new QGroupBox(&window), new QGroupBox(&window) };
        frames[0]->resize(150, 130);
        frames[1]->setGeometry(160, 0, 150, 80);
        const auto option = [&frames](int frame, int row) {
            auto *button = new QRadioButton(u"Option %1"_s.arg(row), frames[frame]);
            button->move(10, 20 + 25 * row);
            button->adjustSize();
            return button;
        };
        c.optFlow = { option(0, 0), option(0, 1), option(0, 2), option(0, 3) };
        c.optEcho = { option(1, 0), option(1, 1) };
        ok->setGeometry(160, 100, 80, 25);
        panel = std::make_unique<PortPanel>(c, port, store, echoFlag,
                                            [this](const ErrorValue &e) { reports << e; });
        QObject::connect(ok, &QPushButton::clicked, panel.get(), &PortPanel::Command1_Click);
        mapPort(kMissingPort, missingDevice());
        window.resize(400, 200);
        window.show();
    }
    QString portState() const
    {
        return u"%1 %2"_s.arg(port.commPort()).arg(port.portOpen() ? "open" : "closed");
    }
    void choose(QComboBox *list, const QString &text)
    {
        QVERIFY2(list->findText(text) >= 0, qPrintable(text));
        list->setCurrentIndex(list->findText(text));
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // Start-up on the pseudo-terminal: port 2, opened, the panel filled.
    void startOnPty()
    {
        QCOMPARE(port.setCommPort(kPtyPort), Outcome());
        QCOMPARE(OPENCOMM2(port), Outcome());
        panel->LoadPropertySettings();
    }
};

} // namespace

class TestPortPanel : public QObject
{
    Q_OBJECT
    std::unique_ptr<Panel> m_p;

private slots:
    void init()
    {
        m_p = std::make_unique<Panel>();
        QVERIFY(m_p->pty.isValid());
    }
    void cleanup() { m_p.reset(); }

    // Filled twice, the lists hold their entries once; a typed-in value stays; each port
    // entry tells its device. The port's state is shown by position, clicks change choices.
    void showsPortAndTakesClicks()
    {
        Panel &p = *m_p;
        QVERIFY(!p.port.setCommPort(17) && !p.port.setHandshaking(2));
        QCOMPARE(p.port.setSettings(u"2400,M,7,2"_s), Outcome());
        p.echoFlag = true;
        p.c.Combo1->setEditText(u"30"_s);
        p.panel->LoadPropertySettings();
        p.panel->LoadPropertySettings();
        QVERIFY(p.c.cboPort->count() == 16 && p.c.cboSpeed->count() == 17);
        QCOMPARE(p.c.Combo1->currentText(), u"30"_s);
        QCOMPARE(p.c.cboPort->itemData(1, Qt::ToolTipRole).toString(), p.pty.linkPath());
        QCOMPARE(p.c.cboPort->itemData(15, Qt::ToolTipRole).toString(), u"/dev/ttyS15"_s);
        QCOMPARE(p.c.cboPort->currentIndex(), -1); // no entry for port 17
        QCOMPARE(p.c.cboSpeed->currentText() + p.c.cboParity->currentText()
                     + p.c.cboDataBits->currentText() + p.c.cboStopBits->currentText(),
                 u"2400Mark72"_s);
        // Only a Windows port takes 1.5 stop bits; the two characters shift the rest.
        const CurrentPortView view = CurrentPortView::fromPort(u"110,o,5,1.5"_s, 1, 0, false);
        QCOMPARE(*view.speedText + *view.parityText + *view.dataBitsText + *view.stopBitsText,
                 u"110Odd51.5"_s);
        QVERIFY(p.c.optFlow[2]->isChecked() && p.c.optEcho[1]->isChecked());
        p.click(p.c.optFlow[3]);
        p.click(p.c.optEcho[0]);
        QCOMPARE(p.panel->pendingFlow(), qint16(3));
        QVERIFY(!p.panel->pendingEcho());
    }

    // A panel speed goes in through the control block with the rest of the text and the flow,
    // with no message. When the port refuses a field (the pty parity, the text 4 data bits or
    // 1.5 stop bits), only the speed goes in that way and the rest is said: nothing is stored,
    // the flow is not applied. Fields not chosen ("") stay as shown from the port.
    void panelSpeedsAndRefusedFields_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("chosen"); // speed, parity, data bits, stop bits
        QTest::addColumn<QString>("report"); // empty: none, and the choice is stored
        QTest::newRow("14400 whole")
            << u"19200,n,8,2"_s << QStringList { "14400", "", "", "1" } << QString();
        QTest::newRow("even parity") << u"9600,n,8,1"_s << QStringList { "57600", "Even", "", "2" }
                                     << u"PARITY Even, STOPBITS 2; it runs at 57600,n,8,1."_s;
        QTest::newRow("4 data bits") << u"9600,n,8,1"_s << QStringList { "28800", "", "4", "" }
                                     << u"DATABITS 4; it runs at 28800,n,8,1."_s;
        QTest::newRow("1.5 stop bits") << u"9600,n,8,2"_s << QStringList { "19200", "", "", "1.5" }
                                       << u"STOPBITS 1.5; it runs at 19200,n,8,2."_s;
    }
    void panelSpeedsAndRefusedFields()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, chosen);
        QFETCH(QString, report);
        Panel &p = *m_p;
        QCOMPARE(p.port.setSettings(before), Outcome());
        p.startOnPty();
        QComboBox *lists[] = { p.c.cboSpeed, p.c.cboParity, p.c.cboDataBits, p.c.cboStopBits };
        for (int field = 0; field < 4; ++field) {
            if (!chosen[field].isEmpty()) {
                p.choose(lists[field], chosen[field]);
            }
        }
        p.click(p.c.optFlow[2]);
        p.click(p.ok);
        QCOMPARE(p.speeds(), u"%1/%1"_s.arg(chosen[0]));
        QCOMPARE(p.portState(), u"2 open"_s);
        const bool whole = report.isEmpty();
        const QString said = u"Com2 (%1): The port did not take %2"_s.arg(p.pty.linkPath(), report);
        QCOMPARE(p.reports, whole ? QList<ErrorValue>() : QList<ErrorValue>({ { 8015, said } }));
        QCOMPARE(p.stored(), whole ? u"14400,n,8,1|2|2|False"_s : u"|||"_s);
        QCOMPARE(p.port.handshaking(), whole ? 2 : 0);
        QCOMPARE(bool(p.line().c_cflag & CSTOPB),
                 p.port.settings().endsWith(u'2')); // the device too
    }

    // A closed port has no control block for an odd speed: that error, and the flow choice
    // is not applied. A flow that the device refuses is said, and nothing is stored.
    void refusalsOnClosedPortAndOfFlow()
    {
        Panel &p = *m_p;
        p.panel->LoadPropertySettings();
        p.choose(p.c.cboSpeed, u"76800"_s);
        p.click(p.c.optFlow[1]);
        p.click(p.ok);
        const QString notOpen = u"Com1 (/dev/ttyS0): Operation valid only when the port is open"_s;
        QCOMPARE(p.reports, QList<ErrorValue>({ { 8018, notOpen } }));
        QCOMPARE(p.stored(), u"|||"_s);
        QCOMPARE(p.port.settings(), u"9600,n,8,1"_s);
        QCOMPARE(p.port.handshaking(), 0);

        FlowRefusingPort port(p.store);
        bool echo = false;
        QCOMPARE(PortSettingsApplier().apply({ 0, u"9600"_s, u"None"_s, u"8"_s, u"1"_s, 1 }, port,
                                             p.store, echo),
                 Outcome({ 8015, u"Com1 (/dev/ttyS0): Invalid argument"_s }));
        QCOMPARE(p.stored(), u"|||"_s);
    }

    // A failed port change (a missing device, or no port selected) is said once, naming the
    // port, and undone: old number, port closed, nothing stored, the flow choice (which comes
    // after the change) not applied, the echo choice taken all the same.
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
        Panel &p = *m_p;
        p.startOnPty();
        p.click(p.c.optEcho[1]);
        p.click(p.c.optFlow[1]);
        p.c.cboPort->setCurrentIndex(portIndex);
        p.click(p.ok);
        QCOMPARE(p.reports, QList<ErrorValue>({ { 8002, message.arg(p.missingDevice()) } }));
        QCOMPARE(p.portState(), u"2 closed"_s);
        QCOMPARE(p.port.handshaking(), 0);
        QCOMPARE(p.stored(), u"|||"_s);
        QVERIFY(p.echoFlag);
        QCOMPARE(p.c.cboPort->currentIndex(), portIndex); // the user's choice stays
    }

    // Ports chosen and applied in turn (0: none selected), the port after each, and how many
    // failures were said. An open port moved to a working one opens the new device, also after
    // failed changes left it closed, and stays open on a move back. One that failed to open at
    // start-up only gets its new number, because nothing had been open to reopen.
    void portChanges_data()
    {
        QTest::addColumn<int>("startPort");
        QTest::addColumn<QString>("choices");
        QTest::addColumn<QString>("states");
        QTest::addColumn<int>("failures");
        QTest::newRow("straight") << 2 << u"3 2"_s << u"3 open|2 open"_s << 0;
        QTest::newRow("after a failure") << 2 << u"5 3 2"_s << u"2 closed|3 open|2 open"_s << 1;
        QTest::newRow("after the old port")
            << 2 << u"5 2 3"_s << u"2 closed|2 closed|3 open"_s << 1;
        QTest::newRow("after two failures")
            << 2 << u"5 6 3"_s << u"2 closed|2 closed|3 open"_s << 2;
        QTest::newRow("closed at start-up")
            << 5 << u"0 2 3"_s << u"5 closed|2 closed|3 closed"_s << 1;
    }
    void portChanges()
    {
        QFETCH(int, startPort);
        QFETCH(QString, choices);
        QFETCH(int, failures);
        Panel &p = *m_p;
        PseudoTerminal other;
        QVERIFY(other.isValid());
        p.mapPort(3, other.linkPath());
        p.mapPort(6, p.dir.filePath(u"gone"_s));
        QCOMPARE(p.port.setCommPort(startPort), Outcome());
        QCOMPARE(bool(OPENCOMM2(p.port)), startPort == kMissingPort);
        p.panel->LoadPropertySettings();
        QStringList states;
        for (const QString &port : choices.split(u' ')) {
            p.c.cboPort->setCurrentIndex(port.toInt() - 1);
            p.click(p.ok);
            states << p.portState();
        }
        QTEST(states.join(u'|'), "states");
        QCOMPARE(p.reports.size(), failures);
        QCOMPARE(p.stored(), u"9600,n,8,1|%1|0|False"_s.arg(choices.back()));
        if (p.port.portOpen()) { // it listens on the new device
            QVERIFY((p.port.commPort() == 3 ? other : p.pty).write("y"));
            QTRY_COMPARE_WITH_TIMEOUT(p.port.inBufferCount(), qint16(1), 2000);
        }
    }
};

QTEST_MAIN(TestPortPanel)
#include "test_portpanel.moc"
