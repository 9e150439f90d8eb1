#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/baudrate.h"
#include "serial/mscomm1.h"
#include "serial/nativebaudrate.h"
#include "serial/portmessage.h"
#include "serial/portpanel.h"
#include "serial/portrestore.h"
#include "serial/serialdeviceswindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
// termios2 holds any speed as a number; its header cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPtyPort = 2;
constexpr int kMissingPort = 5;
constexpr const char *kKeys[] = { "portSettings", "CommPort", "Handshaking", "Echo" };

// A device that takes no flow control at all; no pseudo-terminal refuses one.
struct FlowRefusingPort : MSComm1
{
    using MSComm1::MSComm1;
    Outcome setHandshaking(qint32) override { return ErrorValue { 8015, u"Invalid argument"_s }; }
};

// Port 2 on a real pseudo-terminal, port 5 on a missing device, the panel over shown controls.
struct Rig
{
    QTemporaryDir dir;
    SettingsStore store { dir.filePath(u"store.ini"_s) };
    PseudoTerminal pty;
    MSComm1 port { store };
    QWidget window;
    PortPanel::Controls c;
    bool echoFlag = false;
    QList<ErrorValue> reports;
    std::unique_ptr<PortPanel> panel;

    Rig()
    {
        mapPort(kPtyPort, pty.linkPath());
        mapPort(kMissingPort, dir.filePath(u"unplugged"_s));
        for (QComboBox **list :
             { &c.cboPort, &c.cboSpeed, &c.cboDataBits, &c.cboParity, &c.cboStopBits, &c.Combo1 }) {
            *list = new QComboBox(&window);
        }
        c.Combo1->setEditable(true);
        QWidget *groups[] = { new QWidget(&window), new QWidget(&window) };
        const auto option = [&groups](int group) {
            auto *button = new QRadioButton(u"Option"_s, groups[group]);
            button->adjustSize(); // where clicks hit
            return button;
        };
        c.optFlow = { option(0), option(0), option(0), option(0) };
        c.optEcho = { option(1), option(1) };
        panel = std::make_unique<PortPanel>(c, port, store, echoFlag,
                                            [this](const ErrorValue &e) { reports << e; });
        window.show();
    }
    void mapPort(int number, const QString &device)
    {
        store.setValue(QString::fromLatin1(SettingsStore::kPortsSection), u"Com%1"_s.arg(number),
                       device);
    }
    void openPty()
    {
        QCOMPARE(port.setCommPort(kPtyPort), Outcome());
        QCOMPARE(port.setPortOpen(true), Outcome());
    }
    // The port's stored keys, "portSettings|CommPort|Handshaking|Echo" ("" = no key).
    QString stored() const
    {
        QStringList values;
        for (const char *key : kKeys) {
            values << store.value(QString::fromLatin1(SettingsStore::kPropertiesSection),
                                  QLatin1String(key));
        }
        return values.join(u'|');
    }
    QString portState() const // "number open|closed flow"
    {
        return u"%1 %2 %3"_s.arg(port.commPort())
            .arg(port.portOpen() ? "open" : "closed")
            .arg(port.handshaking());
    }
    // The tty's line as the kernel holds it: what really reached the device.
    termios2 line() const
    {
        termios2 block {};
        ::ioctl(pty.slaveFd(), TCGETS2, &block);
        return block;
    }
    bool twoStopBits() const { return line().c_cflag & CSTOPB; }
    QString speeds() const // "out/in"
    {
        return u"%1/%2"_s.arg(line().c_ospeed).arg(line().c_ispeed);
    }
    // Leaves the tty receiving at a speed of its own, as another program may.
    bool setSpeeds(long input, long output)
    {
        termios2 block = line();
        block.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
        block.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
        block.c_ospeed = static_cast<speed_t>(output);
        block.c_ispeed = static_cast<speed_t>(input);
        return ::ioctl(pty.slaveFd(), TCSETS2, &block) == 0;
    }
};

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT
    std::unique_ptr<Rig> r;

private slots:
    void init()
    {
        r = std::make_unique<Rig>();
        QVERIFY(r->pty.isValid());
    }
    void cleanup() { r.reset(); }

    // On a closed port; a refused text leaves the old one.
    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reported"); // empty: refused
        QTest::newRow("upper-case, highest speed") << u"4000000,N,8,1"_s << u"4000000,n,8,1"_s;
        QTest::newRow("mark, five bits") << u"300,M,5,1"_s << u"300,m,5,1"_s;
        QTest::newRow("space, six bits, blanks") << u" 4800 , s , 6 , 2 "_s << u"4800,s,6,2"_s;
        // A speed without a B-constant needs an open port; 1.5 stop bits would quietly run 1.
        const QString refused = u"96OO,n,8,1|76800,n,8,1|-9600,n,8,1|99999999999,n,8,1|"
                                "9600,n,4,1|9600,n,9,1|9600,n,8,3|9600,n,8,1.5|9600,x,8,1|"
                                "9600,none,8,1|9600,n,8|9600,n,8,1,1|"_s;
        for (const QString &text : refused.split(u'|')) {
            QTest::newRow(text.isEmpty() ? "empty" : qPrintable(text)) << text << QString();
        }
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, reported);
        const QString old = u"19200,e,7,2"_s;
        QCOMPARE(r->port.setSettings(old), Outcome());
        QCOMPARE(r->port.setSettings(text),
                 reported.isEmpty() ? Outcome({ 380, u"Invalid property value"_s }) : Outcome());
        QCOMPARE(r->port.settings(), reported.isEmpty() ? old : reported);
    }

    void refusedValuesAndPermissionHint()
    {
        QCOMPARE(r->port.setCommPort(4), Outcome());
        for (const int refused : { 0, -3, 32768 }) {
            QCOMPARE(r->port.setCommPort(refused), Outcome({ 8002, u"Invalid port number"_s }));
        }
        QCOMPARE(r->port.commPort(), qint16(4));
        QVERIFY(r->port.setHandshaking(4) && r->port.setHandshaking(-1)
                && r->port.setInBufferSize(0) && r->port.setInputMode(2) && r->port.setInputLen(-1)
                && r->port.setRThreshold(-1) && r->port.setInBufferCount(5));
        // Root, who runs these tests, is refused by no device, so the error is given.
        const QString text = portMessage(r->port, 3, { 8005, u"Permission denied"_s }).text;
        QVERIFY2(text.startsWith(u"Com3 (/dev/ttyS2): Permission denied\n"_s)
                     && text.contains(u"group dialout"_s) && text.contains(u"log in again"_s),
                 qPrintable(text));
    }

    // A line set while closed waits for the opening; one the pty refuses is undone on the device.
    void lineReachesDevice()
    {
        QCOMPARE(r->port.setSettings(u"38400,N,8,2"_s), Outcome());
        r->openPty();
        QCOMPARE(r->speeds(), u"38400/38400"_s);
        QVERIFY(r->twoStopBits());
        QCOMPARE(r->port.setCommPort(3), Outcome({ 8005, u"Port already open"_s }));
        QCOMPARE(r->port.setSettings(u"19200,n,8,1"_s), Outcome());
        QCOMPARE(r->port.setSettings(u"57600,e,8,2"_s), Outcome({ 8015, u"Invalid argument"_s }));
        QCOMPARE(r->port.settings(), u"19200,n,8,1"_s);
        QCOMPARE(r->speeds(), u"19200/19200"_s);
        QVERIFY(!r->twoStopBits() && r->port.portOpen());
        QCOMPARE(r->port.setHandshaking(3), Outcome());
        QVERIFY((r->line().c_cflag & CRTSCTS) && !(r->line().c_iflag & IXON));
        QCOMPARE(r->port.setHandshaking(1), Outcome());
        QVERIFY(!(r->line().c_cflag & CRTSCTS) && (r->line().c_iflag & IXON));
    }

    // No events at threshold 0; bytes waiting when it is armed raise one; discarded ones go.
    void reception()
    {
        r->openPty();
        QSignalSpy events(&r->port, &MSComm1::onComm);
        QVERIFY(r->pty.write("abcd"));
        QTRY_COMPARE_WITH_TIMEOUT(r->port.inBufferCount(), qint16(4), 10000);
        QCOMPARE(r->port.setInBufferCount(0), Outcome());
        QVERIFY(r->pty.write("xyz"));
        QTRY_COMPARE_WITH_TIMEOUT(r->port.inBufferCount(), qint16(3), 10000);
        QCOMPARE(events.count(), 0);
        QCOMPARE(r->port.setRThreshold(3), Outcome());
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 10000);
        QCOMPARE(r->port.input(), QByteArray("xyz"));
        // A vanished device closes the port quietly; its dead descriptor left registered
        // would keep the processor busy.
        QCOMPARE(r->port.setRThreshold(1), Outcome());
        const std::clock_t before = std::clock();
        r->pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!r->port.portOpen(), 10000);
        QTest::qWait(500);
        QCOMPARE_LT(double(std::clock() - before) / CLOCKS_PER_SEC, 0.1);
        QCOMPARE(events.count(), 1);
    }

    // Only the speed changes, outliving closing; a tty's own input speed is joined to it.
    void controlBlockSpeed()
    {
        QCOMPARE(r->port.setSettings(u"9600,n,8,2"_s), Outcome());
        r->openPty();
        QCOMPARE(SetBaudRate(r->port, 76800), Outcome());
        QCOMPARE(r->speeds(), u"76800/76800"_s);
        QVERIFY(r->twoStopBits());
        QCOMPARE(r->port.setPortOpen(false), Outcome());
        QCOMPARE(r->port.settings(), u"76800,n,8,2"_s);
        QVERIFY(r->setSpeeds(1200, 2400));
        QCOMPARE(r->port.setPortOpen(true), Outcome());
        QCOMPARE(r->speeds(), u"76800/76800"_s);
        QVERIFY(r->setSpeeds(300, 4800));
        QCOMPARE(r->port.setSettings(u"38400,n,8,1"_s), Outcome());
        QCOMPARE(r->speeds(), u"38400/38400"_s);
    }

    // A closed port is refused before the system is asked; a bad speed or block changes nothing.
    void controlBlockRefusals()
    {
        using namespace NativeBaudRate;
        const unsigned long callsBefore = systemCallCount();
        const ErrorValue notOpen { 8018, u"Operation valid only when the port is open"_s };
        QCOMPARE(SetBaudRate(r->port, 19200), Outcome(notOpen));
        QCOMPARE(GetBaudRate(r->port).error(), notOpen);
        QCOMPARE(systemCallCount(), callsBefore);
        r->openPty();
        QCOMPARE(SetBaudRate(r->port, 0),
                 Outcome({ 8015, u"Could not set port to specified baud rate"_s }));
        QCOMPARE(r->speeds(), u"9600/9600"_s);
        const int fd = ::open("/dev/null", O_RDWR); // not a tty: no block to read
        std::int32_t baud = 1;
        QVERIFY(getBaudRate(true, fd, baud) == ReadFailed && baud == 1
                && setBaudRate(true, fd, 9600) == ReadFailed
                && joinInputToOutput(true, fd) == ReadFailed);
        ::close(fd);
    }

    // Stored keys (as Rig::stored) over "9600,n,8,1 1 1 1"; refused or number-less ones skipped.
    void restoresEachKey_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::newRow("settings refused") << u"76800,n,8,1|5|2|True"_s << u"9600,n,8,1 5 2 1"_s;
        QTest::newRow("no numbers") << u"|abc|-|maybe"_s << u"9600,n,8,1 1 1 1"_s;
        QTest::newRow("blanks, letters after") << u"| 12com| 3x|0"_s << u"9600,n,8,1 12 3 0"_s;
    }
    void restoresEachKey()
    {
        QFETCH(QString, stored);
        for (int index = 0; index < 4; ++index) {
            if (const QString value = stored.section(u'|', index, index); !value.isEmpty()) {
                r->store.setValue(QString::fromLatin1(SettingsStore::kPropertiesSection),
                                  QLatin1String(kKeys[index]), value);
            }
        }
        QCOMPARE(r->port.setHandshaking(1), Outcome());
        bool echo = true;
        restorePortSettings(r->port, r->store, echo);
        QTEST(u"%1 %2 %3 %4"_s.arg(r->port.settings())
                  .arg(r->port.commPort())
                  .arg(r->port.handshaking())
                  .arg(int(echo)),
              "restored");
    }

    // Opening arms the port (threshold 1, whole input, text mode) even if it fails.
    void openAndArm()
    {
        QVERIFY(!r->port.setCommPort(kMissingPort) && !r->port.setInputMode(1)
                && !r->port.setInputLen(5));
        QCOMPARE(OPENCOMM2(r->port), Outcome({ 8002, u"No such file or directory"_s }));
        QVERIFY(!r->port.portOpen() && r->port.inputMode() == 0 && r->port.inputLen() == 0
                && r->port.rThreshold() == 1);
        QCOMPARE(r->port.setCommPort(kPtyPort), Outcome());
        QCOMPARE(OPENCOMM2(r->port), Outcome());
        QSignalSpy events(&r->port, &MSComm1::onComm);
        QVERIFY(r->pty.write("\xAA"));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 10000);
    }

    // A typed value kept; the port's state shown by position.
    void panelShowsThePort()
    {
        QVERIFY(!r->port.setCommPort(17) && !r->port.setHandshaking(2)
                && !r->port.setSettings(u"2400,M,7,2"_s));
        r->c.Combo1->setEditText(u"30"_s);
        r->panel->LoadPropertySettings();
        QCOMPARE(r->c.Combo1->currentText(), u"30"_s);
        QCOMPARE(r->c.cboPort->currentIndex(), -1); // no entry for port 17
        QCOMPARE(r->c.cboSpeed->currentText() + r->c.cboParity->currentText()
                     + r->c.cboDataBits->currentText() + r->c.cboStopBits->currentText(),
                 u"2400Mark72"_s);
        QVERIFY(r->c.optFlow[2]->isChecked());
    }

    // Refused fields are said; only the speed goes in, nothing is stored, the flow waits.
    void panelSpeedsAndRefusedFields_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("chosen"); // speed, parity, data, stop; "": as shown
        QTest::addColumn<QString>("report"); // empty: none, and the choice is stored
        QTest::newRow("14400 whole")
            << u"19200,n,8,2"_s << QStringList { "14400", "", "", "1" } << QString();
        QTest::newRow("even parity") << u"9600,n,8,1"_s << QStringList { "57600", "Even", "", "2" }
                                     << u"PARITY Even, STOPBITS 2; it runs at 57600,n,8,1."_s;
        QTest::newRow("4 data bits") << u"9600,n,8,1"_s << QStringList { "28800", "", "4", "" }
                                     << u"DATABITS 4; it runs at 28800,n,8,1."_s;
    }
    void panelSpeedsAndRefusedFields()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, chosen);
        QFETCH(QString, report);
        QCOMPARE(r->port.setSettings(before), Outcome());
        r->openPty();
        r->panel->LoadPropertySettings();
        QComboBox *lists[] = { r->c.cboSpeed, r->c.cboParity, r->c.cboDataBits, r->c.cboStopBits };
        for (int field = 0; field < 4; ++field) {
            if (!chosen[field].isEmpty()) {
                lists[field]->setCurrentText(chosen[field]);
            }
        }
        QTest::mouseClick(r->c.optFlow[2], Qt::LeftButton);
        r->panel->Command1_Click(); // OK
        QCOMPARE(r->speeds(), u"%1/%1"_s.arg(chosen[0]));
        const bool whole = report.isEmpty();
        QCOMPARE(r->portState(), whole ? u"2 open 2"_s : u"2 open 0"_s);
        const QString said
            = u"Com2 (%1): The port did not take %2"_s.arg(r->pty.linkPath(), report);
        QCOMPARE(r->reports, whole ? QList<ErrorValue>() : QList<ErrorValue>({ { 8015, said } }));
        QCOMPARE(r->stored(), whole ? u"14400,n,8,1|2|2|False"_s : u"|||"_s);
        QCOMPARE(r->twoStopBits(), r->port.settings().endsWith(u'2')); // the device too
    }

    // A closed port has no block for an odd speed; a device may refuse a flow: said, not stored.
    void panelRefusalsOnClosedPortAndOfFlow()
    {
        r->panel->LoadPropertySettings();
        r->c.cboSpeed->setCurrentText(u"76800"_s);
        QTest::mouseClick(r->c.optFlow[1], Qt::LeftButton);
        r->panel->Command1_Click(); // OK
        const QString notOpen = u"Com1 (/dev/ttyS0): Operation valid only when the port is open"_s;
        QCOMPARE(r->reports, QList<ErrorValue>({ { 8018, notOpen } }));
        QCOMPARE(r->stored(), u"|||"_s);
        QCOMPARE(r->port.settings(), u"9600,n,8,1"_s);
        QCOMPARE(r->port.handshaking(), 0);

        FlowRefusingPort port(r->store);
        bool echo = false;
        QCOMPARE(PortSettingsApplier().apply({ 0, u"9600"_s, u"None"_s, u"8"_s, u"1"_s, 1 }, port,
                                             r->store, echo),
                 Outcome({ 8015, u"Com1 (/dev/ttyS0): Invalid argument"_s }));
        QCOMPARE(r->stored(), u"|||"_s);
    }

    // Ports applied in turn (0: none) with flow 1. A failed move is said and undone, the flow
    // not applied; an open port moved opens the new one; one never opened gets only the number.
    void panelPortChanges_data()
    {
        QTest::addColumn<int>("startPort");
        QTest::addColumn<QString>("choices");
        QTest::addColumn<QString>("states"); // "said": a failure was reported
        QTest::addColumn<QString>("firstSaid"); // %1: the missing device
        const QString missing = u"Com5 (%1): No such file or directory"_s;
        QTest::newRow("no port selected")
            << 2 << u"0"_s << u"2 closed 0 said"_s << u"Invalid port number"_s;
        QTest::newRow("after a failure")
            << 2 << u"5 3 2"_s << u"2 closed 0 said|3 open 1|2 open 1"_s << missing;
        QTest::newRow("after the old port")
            << 2 << u"5 2 3"_s << u"2 closed 0 said|2 closed 1|3 open 1"_s << missing;
        QTest::newRow("closed at start-up")
            << 5 << u"0 2 3"_s << u"5 closed 0 said|2 closed 1|3 closed 1"_s
            << u"Invalid port number"_s;
    }
    void panelPortChanges()
    {
        QFETCH(int, startPort);
        QFETCH(QString, choices);
        QFETCH(QString, firstSaid);
        PseudoTerminal other;
        QVERIFY(other.isValid());
        r->mapPort(3, other.linkPath());
        QCOMPARE(r->port.setCommPort(startPort), Outcome());
        QCOMPARE(bool(OPENCOMM2(r->port)), startPort == kMissingPort);
        r->panel->LoadPropertySettings();
        QTest::mouseClick(r->c.optFlow[1], Qt::LeftButton);
        QStringList states;
        for (const QString &port : choices.split(u' ')) {
            const qsizetype reports = r->reports.size();
            r->c.cboPort->setCurrentIndex(port.toInt() - 1);
            r->panel->Command1_Click(); // OK
            states << r->portState() + (r->reports.size() > reports ? u" said"_s : u""_s);
        }
        QTEST(states.join(u'|'), "states");
        const QString missingDevice = r->dir.filePath(u"unplugged"_s);
        QCOMPARE(r->reports.value(0), ErrorValue({ 8002, firstSaid.arg(missingDevice) }));
        QCOMPARE(r->stored(),
                 states.last().endsWith(u"said"_s)
                     ? u"|||"_s
                     : u"9600,n,8,1|%1|1|False"_s.arg(choices.back()));
    }

    // The devices window lists what it is given (a pseudo-terminal is not listed by the
    // system) with the stable name and the ports that stand for each, lists again as devices
    // come, and OK maps the port in use to the chosen device's stable name, which opens it.
    void devicesWindowMapsThePortInUse()
    {
        PseudoTerminal receiver;
        QList<SerialDevice> listed { { receiver.slavePath(), u"USB serial"_s, u"Maker"_s, u"A1"_s,
                                       QString() } };
        const auto lister = [&listed, &receiver] {
            QList<SerialDevice> devices = listed;
            SerialDeviceList::addStableNames(devices, QFileInfo(receiver.linkPath()).path());
            return devices;
        };
        QCOMPARE(r->port.setCommPort(kMissingPort), Outcome());
        SerialDevicesWindow window(r->store, kMissingPort, lister);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window)); // a focused list would choose a line
        auto *list = window.findChild<QTreeWidget *>();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(1), receiver.linkPath());
        QVERIFY(!window.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled());
        list->setCurrentItem(list->topLevelItem(0));
        listed.append({ r->pty.slavePath(), QString(), QString(), QString(), QString() });
        QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 2,
                                  3 * SerialDevicesWindow::kRefreshMs);
        QCOMPARE(list->topLevelItem(1)->text(5), u"Com%1"_s.arg(kPtyPort)); // through its link
        QCOMPARE(list->currentItem(), list->topLevelItem(0));
        QCOMPARE(window.findChild<QComboBox *>()->currentText(), u"Com%1"_s.arg(kMissingPort));

        const QString before = r->port.deviceName(kMissingPort);
        QTest::mouseClick(window.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.mappedPort(), kMissingPort);
        QCOMPARE(r->store.value(u"Ports"_s, u"Com%1"_s.arg(kMissingPort)), receiver.linkPath());
        QCOMPARE(openOnMappedDevice(r->port, r->store, before), Outcome());
        QVERIFY(r->port.portOpen());
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
