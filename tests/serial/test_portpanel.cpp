#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"
#include "serial/portpanel.h"
#include "serial/portrestore.h"
#include "ttytermios2.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

constexpr int kPtyPort = 2;
constexpr int kMissingPort = 5;
const QString kProperties = QString::fromLatin1(SettingsStore::kPropertiesSection);

QStringList entriesOf(const QComboBox *list)
{
    QStringList entries;
    for (int index = 0; index < list->count(); ++index) {
        entries.append(list->itemText(index));
    }
    return entries;
}

// The port panel's controls as the main window has them: pick-only lists, two editable
// lists and the two option groups, each group in its own frame.
struct PanelWidgets
{
    QWidget window;
    QComboBox *cboPort = new QComboBox(&window);
    QComboBox *cboSpeed = new QComboBox(&window);
    QComboBox *cboDataBits = new QComboBox(&window);
    QComboBox *cboParity = new QComboBox(&window);
    QComboBox *cboStopBits = new QComboBox(&window);
    QComboBox *Combo1 = new QComboBox(&window);
    QComboBox *Combo6 = new QComboBox(&window);
    QGroupBox *flowFrame = new QGroupBox(&window);
    QGroupBox *echoFrame = new QGroupBox(&window);
    std::array<QRadioButton *, 4> optFlow {};
    std::array<QRadioButton *, 2> optEcho {};
    QPushButton *Command1 = new QPushButton(QStringLiteral("OK"), &window);

    PanelWidgets()
    {
        Combo1->setEditable(true);
        Combo6->setEditable(true);
        const QStringList flowCaptions { QStringLiteral("None"), QStringLiteral("Xon/Xoff"),
                                         QStringLiteral("RTS"), QStringLiteral("Xon/RTS") };
        for (int index = 0; index < 4; ++index) {
            optFlow[index] = new QRadioButton(flowCaptions.at(index), flowFrame);
            // Sized to their captions: a click hits a radio button only on its indicator or text.
            optFlow[index]->move(10, 20 + 25 * index);
            optFlow[index]->adjustSize();
        }
        optEcho[0] = new QRadioButton(QStringLiteral("Off"), echoFrame);
        optEcho[1] = new QRadioButton(QStringLiteral("On"), echoFrame);
        optEcho[0]->move(10, 20);
        optEcho[1]->move(10, 45);
        optEcho[0]->adjustSize();
        optEcho[1]->adjustSize();
        flowFrame->setGeometry(0, 0, 150, 130);
        echoFrame->setGeometry(160, 0, 150, 80);
        Command1->setGeometry(160, 100, 80, 25);
        window.resize(400, 200);
        window.show();
    }

    PortPanel::Controls controls() const
    {
        PortPanel::Controls controls;
        controls.cboPort = cboPort;
        controls.cboSpeed = cboSpeed;
        controls.cboDataBits = cboDataBits;
        controls.cboParity = cboParity;
        controls.cboStopBits = cboStopBits;
        controls.Combo1 = Combo1;
        controls.Combo6 = Combo6;
        controls.optFlow = optFlow;
        controls.optEcho = optEcho;
        return controls;
    }
};

} // namespace

class TestPortPanel : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<MSComm1> m_port;
    std::unique_ptr<PanelWidgets> m_widgets;
    std::unique_ptr<PortPanel> m_panel;
    QList<ErrorValue> m_reports;
    bool m_echoFlag = false;

    QString stored(const char *key) const
    {
        return m_store->value(kProperties, QLatin1String(key));
    }
    bool nothingStored() const
    {
        return stored("portSettings").isEmpty() && stored("CommPort").isEmpty()
            && stored("Handshaking").isEmpty() && stored("Echo").isEmpty();
    }
    void choose(QComboBox *list, const QString &text)
    {
        const int index = list->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        list->setCurrentIndex(index);
    }
    void clickOk() { QTest::mouseClick(m_widgets->Command1, Qt::LeftButton); }
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
        QFile::remove(m_dir.filePath(QStringLiteral("store.ini")));
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("store.ini")));
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
        const QString ports = QString::fromLatin1(SettingsStore::kPortsSection);
        m_store->setValue(ports, QStringLiteral("Com%1").arg(kPtyPort), m_pty->linkPath());
        m_store->setValue(ports, QStringLiteral("Com%1").arg(kMissingPort),
                          m_dir.filePath(QStringLiteral("unplugged")));
        m_port = std::make_unique<MSComm1>(*m_store);
        m_widgets = std::make_unique<PanelWidgets>();
        m_reports.clear();
        m_echoFlag = false;
        m_panel = std::make_unique<PortPanel>(
            m_widgets->controls(), *m_port, *m_store, m_echoFlag,
            [this](const ErrorValue &error) { m_reports.append(error); });
        connect(m_widgets->Command1, &QPushButton::clicked, m_panel.get(),
                &PortPanel::Command1_Click);
    }
    void cleanup()
    {
        m_panel.reset();
        m_widgets.reset();
        m_port.reset();
        m_pty.reset();
        m_store.reset();
    }

    void listsHoldEntriesOnceInOrder()
    {
        m_widgets->Combo1->setEditText(QStringLiteral("30"));
        m_panel->LoadPropertySettings();
        m_panel->LoadPropertySettings();
        QStringList ports;
        for (int port = 1; port <= 16; ++port) {
            ports << QStringLiteral("Com%1").arg(port);
        }
        QCOMPARE(entriesOf(m_widgets->cboPort), ports);
        QCOMPARE(entriesOf(m_widgets->Combo1),
                 QStringList({ "5", "10", "30", "60", "180", "600", "1800", "3600" }));
        QCOMPARE(entriesOf(m_widgets->Combo6),
                 QStringList({ "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "15", "20", "30",
                               "40", "50", "60" }));
        QCOMPARE(entriesOf(m_widgets->cboSpeed),
                 QStringList({ "110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                               "19200", "28800", "38400", "56000", "57600", "76800", "115200",
                               "128000", "256000" }));
        QCOMPARE(entriesOf(m_widgets->cboDataBits), QStringList({ "4", "5", "6", "7", "8" }));
        QCOMPARE(entriesOf(m_widgets->cboParity),
                 QStringList({ "Even", "Odd", "None", "Mark", "Space" }));
        QCOMPARE(entriesOf(m_widgets->cboStopBits), QStringList({ "1", "1.5", "2" }));
        // The correction value typed before the lists were filled is still shown.
        QCOMPARE(m_widgets->Combo1->currentText(), QStringLiteral("30"));
        // Each port entry tells the device it stands for.
        QCOMPARE(m_widgets->cboPort->itemData(0, Qt::ToolTipRole).toString(),
                 m_port->deviceName(1));
        QCOMPARE(m_widgets->cboPort->itemData(15, Qt::ToolTipRole).toString(),
                 QStringLiteral("/dev/ttyS15"));
    }

    void showsCurrentSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("dataBits");
        QTest::addColumn<QString>("stopBits");
        QTest::newRow("9600,n,8,1") << "9600,n,8,1"
                                    << "9600"
                                    << "None"
                                    << "8"
                                    << "1";
        // The port takes no 1.5 stop bits here, so the shifted positions of "1.5" are
        // tested on the settings text itself, with the current-port view.
        QTest::newRow("115200,e,7,1") << "115200,e,7,1"
                                      << "115200"
                                      << "Even"
                                      << "7"
                                      << "1";
        QTest::newRow("19200,n,8,2") << "19200,n,8,2"
                                     << "19200"
                                     << "None"
                                     << "8"
                                     << "2";
        QTest::newRow("odd parity") << "4800,O,8,1"
                                    << "4800"
                                    << "Odd"
                                    << "8"
                                    << "1";
        QTest::newRow("mark parity") << "2400,M,7,2"
                                     << "2400"
                                     << "Mark"
                                     << "7"
                                     << "2";
    }
    void showsCurrentSettings()
    {
        QFETCH(QString, settings);
        QCOMPARE(m_port->setSettings(settings), Outcome());
        m_panel->LoadPropertySettings();
        QTEST(m_widgets->cboSpeed->currentText(), "speed");
        QTEST(m_widgets->cboParity->currentText(), "parity");
        QTEST(m_widgets->cboDataBits->currentText(), "dataBits");
        QTEST(m_widgets->cboStopBits->currentText(), "stopBits");
        QCOMPARE(m_widgets->cboPort->currentText(), QStringLiteral("Com1"));
    }

    void applyingUnchangedKeepsParity()
    {
        QCOMPARE(m_port->setSettings(QStringLiteral("2400,m,7,2")), Outcome());
        m_panel->LoadPropertySettings();
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(stored("portSettings"), QStringLiteral("2400,m,7,2"));
    }

    void portSeventeenFlowAndEcho()
    {
        QCOMPARE(m_port->setCommPort(17), Outcome());
        QCOMPARE(m_port->setHandshaking(2), Outcome());
        m_echoFlag = true;
        m_panel->LoadPropertySettings();
        QCOMPARE(m_widgets->cboPort->currentIndex(), -1);
        QVERIFY(m_widgets->optFlow[2]->isChecked());
        QCOMPARE(m_panel->pendingFlow(), qint16(2));
        QVERIFY(m_widgets->optEcho[1]->isChecked());
        QVERIFY(m_panel->pendingEcho());
    }

    void optionClicksRecordChoices()
    {
        m_panel->LoadPropertySettings();
        QTest::mouseClick(m_widgets->optFlow[3], Qt::LeftButton);
        QCOMPARE(m_panel->pendingFlow(), qint16(3));
        QTest::mouseClick(m_widgets->optEcho[1], Qt::LeftButton);
        QVERIFY(m_panel->pendingEcho());
        QTest::mouseClick(m_widgets->optEcho[0], Qt::LeftButton);
        QVERIFY(!m_panel->pendingEcho());
    }

    void applyWithPortClosedStores()
    {
        m_panel->LoadPropertySettings();
        choose(m_widgets->cboPort, QStringLiteral("Com3"));
        choose(m_widgets->cboSpeed, QStringLiteral("19200"));
        choose(m_widgets->cboParity, QStringLiteral("Even"));
        choose(m_widgets->cboDataBits, QStringLiteral("7"));
        choose(m_widgets->cboStopBits, QStringLiteral("1"));
        QTest::mouseClick(m_widgets->optFlow[1], Qt::LeftButton);
        QTest::mouseClick(m_widgets->optEcho[1], Qt::LeftButton);
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(stored("CommPort"), QStringLiteral("3"));
        QCOMPARE(stored("Handshaking"), QStringLiteral("1"));
        QCOMPARE(stored("portSettings"), QStringLiteral("19200,e,7,1"));
        QCOMPARE(stored("Echo"), QStringLiteral("True"));
        QVERIFY(m_echoFlag);
        // A closed port is not opened by applying.
        QVERIFY(!m_port->portOpen());
    }

    void speedOrFlowOnOpenPortKeepsItOpen()
    {
        startOnPty();
        choose(m_widgets->cboSpeed, QStringLiteral("19200"));
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QVERIFY(m_port->portOpen());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 19200L);
        QCOMPARE(stored("portSettings"), QStringLiteral("19200,n,8,1"));
        QCOMPARE(stored("CommPort"), QStringLiteral("2"));

        QTest::mouseClick(m_widgets->optFlow[1], Qt::LeftButton);
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QVERIFY(m_port->portOpen());
        QCOMPARE(m_port->handshaking(), 1);
        QCOMPARE(stored("Handshaking"), QStringLiteral("1"));
        // Bytes still arrive on the port that stayed open.
        QVERIFY(m_pty->write(QByteArray("x")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(1), 2000);
    }

    void textRefusedSpeedGoesThroughControlBlock()
    {
        startOnPty();
        choose(m_widgets->cboSpeed, QStringLiteral("76800"));
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 76800L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 76800L);
        QCOMPARE(stored("portSettings"), QStringLiteral("76800,n,8,1"));
        QVERIFY(m_port->portOpen());

        // A standard speed afterwards moves receiving as well as sending.
        choose(m_widgets->cboSpeed, QStringLiteral("19200"));
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 19200L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 19200L);
        QCOMPARE(stored("portSettings"), QStringLiteral("19200,n,8,1"));
    }

    // One and a half stop bits are refused in the text, so only the speed goes in, and
    // what is stored is what the port really runs.
    void oneAndHalfStopBitsFallBackToSpeedOnly()
    {
        startOnPty();
        QCOMPARE(m_port->setSettings(QStringLiteral("9600,n,8,2")), Outcome());
        m_panel->LoadPropertySettings();
        choose(m_widgets->cboSpeed, QStringLiteral("19200"));
        choose(m_widgets->cboStopBits, QStringLiteral("1.5"));
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 19200L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 19200L);
        QCOMPARE(stored("portSettings"), QStringLiteral("19200,n,8,2"));
        QVERIFY(m_port->portOpen());
    }

    void oneAndHalfStopBitsOnClosedPortReportNotOpen()
    {
        m_panel->LoadPropertySettings();
        choose(m_widgets->cboStopBits, QStringLiteral("1.5"));
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports.first().number, 8018);
        QVERIFY(nothingStored());
        QCOMPARE(m_port->settings(), QStringLiteral("9600,n,8,1"));
    }

    void deviceRefusalFallsBackToSpeedOnly()
    {
        startOnPty();
        choose(m_widgets->cboSpeed, QStringLiteral("57600"));
        choose(m_widgets->cboParity, QStringLiteral("Even"));
        choose(m_widgets->cboDataBits, QStringLiteral("7"));
        QTest::mouseClick(m_widgets->optFlow[2], Qt::LeftButton);
        clickOk();
        // The pty takes neither parity nor 7 bits: only the speed goes in, through the
        // control block, and the rest of the apply goes on.
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 57600L);
        QCOMPARE(stored("portSettings"), QStringLiteral("57600,n,8,1"));
        QCOMPARE(stored("Handshaking"), QStringLiteral("2"));
        QVERIFY(m_port->portOpen());
    }

    void failedPortChangeIsUndone()
    {
        startOnPty();
        QTest::mouseClick(m_widgets->optEcho[1], Qt::LeftButton);
        choose(m_widgets->cboPort, QStringLiteral("Com%1").arg(kMissingPort));
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports.first().number, MSComm1::kErrorInvalidPort);
        QCOMPARE(m_reports.first().text, QStringLiteral("No such file or directory"));
        QCOMPARE(m_port->commPort(), qint16(kPtyPort));
        QVERIFY(!m_port->portOpen());
        QVERIFY(nothingStored());
        // The echo choice took effect for the running program all the same.
        QVERIFY(m_echoFlag);
        // The user's choice stays in the list.
        QCOMPARE(m_widgets->cboPort->currentText(), QStringLiteral("Com%1").arg(kMissingPort));

        // Choosing the old port again finds equal numbers and does not reopen it.
        choose(m_widgets->cboPort, QStringLiteral("Com%1").arg(kPtyPort));
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QVERIFY(!m_port->portOpen());
        QCOMPARE(stored("CommPort"), QStringLiteral("2"));
    }

    void openPortMovesToWorkingPort()
    {
        startOnPty();
        PseudoTerminal other;
        QVERIFY(other.isValid());
        m_store->setValue(QString::fromLatin1(SettingsStore::kPortsSection), QStringLiteral("Com3"),
                          other.linkPath());
        choose(m_widgets->cboPort, QStringLiteral("Com3"));
        clickOk();
        QVERIFY(m_reports.isEmpty());
        QCOMPARE(m_port->commPort(), qint16(3));
        QVERIFY(m_port->portOpen());
        QCOMPARE(stored("CommPort"), QStringLiteral("3"));
        // The port now listens on the new device.
        QVERIFY(other.write(QByteArray("z")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(1), 2000);
        QCOMPARE(m_port->input(), QByteArray("z"));
    }

    // A failed change left the port closed; the next change to a working port opens it,
    // even after the old port was chosen again and after a second failure in between.
    void workingPortAfterFailedChangeReopens_data()
    {
        QTest::addColumn<bool>("oldPortChosenBetween");
        QTest::addColumn<bool>("secondFailureBetween");
        QTest::newRow("straight away") << false << false;
        QTest::newRow("after choosing the old port") << true << false;
        QTest::newRow("after a second failure") << false << true;
    }
    void workingPortAfterFailedChangeReopens()
    {
        QFETCH(bool, oldPortChosenBetween);
        QFETCH(bool, secondFailureBetween);
        startOnPty();
        PseudoTerminal other;
        QVERIFY(other.isValid());
        const QString ports = QString::fromLatin1(SettingsStore::kPortsSection);
        m_store->setValue(ports, QStringLiteral("Com3"), other.linkPath());
        m_store->setValue(ports, QStringLiteral("Com6"), m_dir.filePath(QStringLiteral("gone")));
        choose(m_widgets->cboPort, QStringLiteral("Com%1").arg(kMissingPort));
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QVERIFY(!m_port->portOpen());
        int expectedReports = 1;
        if (oldPortChosenBetween) {
            choose(m_widgets->cboPort, QStringLiteral("Com%1").arg(kPtyPort));
            clickOk();
            QVERIFY(!m_port->portOpen());
        }
        if (secondFailureBetween) {
            choose(m_widgets->cboPort, QStringLiteral("Com6"));
            clickOk();
            ++expectedReports;
            QCOMPARE(m_port->commPort(), qint16(kPtyPort));
            QVERIFY(!m_port->portOpen());
        }
        QCOMPARE(m_reports.size(), expectedReports);

        choose(m_widgets->cboPort, QStringLiteral("Com3"));
        clickOk();
        QCOMPARE(m_reports.size(), expectedReports);
        QCOMPARE(m_port->commPort(), qint16(3));
        QVERIFY(m_port->portOpen());
        QCOMPARE(stored("CommPort"), QStringLiteral("3"));
        QVERIFY(other.write(QByteArray("y")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(1), 2000);

        // Once reopened, the port behaves as any open port: a move back keeps it open.
        choose(m_widgets->cboPort, QStringLiteral("Com%1").arg(kPtyPort));
        clickOk();
        QCOMPARE(m_reports.size(), expectedReports);
        QVERIFY(m_port->portOpen());
    }

    // Opening failed at start-up: a new number is set and stored but not opened, also after
    // a failed change, because nothing had been open to reopen.
    void portClosedAtStartUpIsNotOpenedByChange()
    {
        QCOMPARE(m_port->setCommPort(kMissingPort), Outcome());
        QVERIFY(OPENCOMM2(*m_port));
        m_panel->LoadPropertySettings();
        QVERIFY(!m_port->portOpen());
        m_widgets->cboPort->setCurrentIndex(-1);
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_port->commPort(), qint16(kMissingPort));

        choose(m_widgets->cboPort, QStringLiteral("Com%1").arg(kPtyPort));
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_port->commPort(), qint16(kPtyPort));
        QCOMPARE(stored("CommPort"), QStringLiteral("2"));
        QVERIFY(!m_port->portOpen());
    }

    void noPortSelectedIsRefusedAndUndone()
    {
        startOnPty();
        m_widgets->cboPort->setCurrentIndex(-1);
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports.first().number, MSComm1::kErrorInvalidPort);
        QCOMPARE(m_port->commPort(), qint16(kPtyPort));
        QVERIFY(!m_port->portOpen());
        QVERIFY(nothingStored());
    }

    void fallbackOnClosedPortReportsNotOpen()
    {
        m_panel->LoadPropertySettings();
        choose(m_widgets->cboSpeed, QStringLiteral("76800"));
        clickOk();
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports.first().number, 8018);
        QCOMPARE(m_reports.first().text,
                 QStringLiteral("Operation valid only when the port is open"));
        QVERIFY(nothingStored());
    }

    void messageBoxReporterShowsError()
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            box->accept();
        });
        PortPanel::messageBoxReporter (&m_widgets->window)(
            ErrorValue { 8018, QStringLiteral("Operation valid only when the port is open") });
        QCOMPARE(title, QStringLiteral("VALTORA"));
        QCOMPARE(text, QStringLiteral("Operation valid only when the port is open"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
};

QTEST_MAIN(TestPortPanel)
#include "test_portpanel.moc"
