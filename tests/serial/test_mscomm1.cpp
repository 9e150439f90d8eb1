#include "ptyport.h"
#include "serial/baudrate.h"
#include "serial/nativebaudrate.h"
#include "serial/portmessage.h"
#include "serial/portrestore.h"

#include <QSignalSpy>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const Outcome kInvalidValue = ErrorValue { 380, u"Invalid property value"_s };
const QString kOld = u"19200,e,7,2"_s;
} // namespace

// The port service on a real pseudo-terminal: its properties, the line that reaches the tty,
// speeds through the control block, reception, a lost device, and the start-up restore.
class TestMSComm1 : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPort> m_f;
    MSComm1 *m_port = nullptr;

    void openOnPty() { QCOMPARE(m_f->openPty(), Outcome()); }
    // Writes on the master and waits until the port holds `waiting` bytes.
    void send(const QByteArray &bytes, int waiting)
    {
        QVERIFY(m_f->pty.write(bytes));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_port->inBufferCount()), waiting, 2000);
    }
    bool twoStopBits() const { return m_f->line().c_cflag & CSTOPB; }

private slots:
    void init()
    {
        m_f = std::make_unique<PtyPort>();
        QVERIFY(m_f->pty.isValid());
        m_port = &m_f->port;
    }
    void cleanup() { m_f.reset(); }

    // On a closed port; a refused text leaves the old one (kOld).
    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reported");
        QTest::newRow("upper-case none") << u"9600,N,8,1"_s << u"9600,n,8,1"_s;
        QTest::newRow("mark, five bits") << u"300,M,5,1"_s << u"300,m,5,1"_s;
        QTest::newRow("space, six bits, blanks") << u" 4800 , s , 6 , 2 "_s << u"4800,s,6,2"_s;
        QTest::newRow("highest standard speed") << u"4000000,n,8,1"_s << u"4000000,n,8,1"_s;
        // A speed without a B-constant needs an open port; 1.5 stop bits would quietly run 1.
        const QString refused = u"96OO,n,8,1|76800,n,8,1|-9600,n,8,1|99999999999,n,8,1|"
                                "9600,n,4,1|9600,n,9,1|9600,n,8,3|9600,n,8,1.5|9600,x,8,1|"
                                "9600,none,8,1|9600,n,8|9600,n,8,1,1|"_s;
        for (const QString &text : refused.split(u'|')) {
            QTest::newRow(text.isEmpty() ? "empty" : qPrintable(text)) << text << kOld;
        }
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, reported);
        QCOMPARE(m_port->setSettings(kOld), Outcome());
        QCOMPARE(m_port->setSettings(text), reported == kOld ? kInvalidValue : Outcome());
        QCOMPARE(m_port->settings(), reported);
    }

    void badValuesRefusedAndDeviceNames()
    {
        QCOMPARE(m_port->setCommPort(4), Outcome());
        for (const int refused : { 0, -3, 32768 }) {
            QCOMPARE(m_port->setCommPort(refused), Outcome({ 8002, u"Invalid port number"_s }));
        }
        QCOMPARE(m_port->commPort(), qint16(4));
        QCOMPARE(m_port->setHandshaking(3), Outcome());
        QVERIFY(m_port->setHandshaking(4) && m_port->setHandshaking(-1));
        QCOMPARE(m_port->handshaking(), 3);
        QVERIFY(m_port->setInBufferSize(0) && m_port->setInputMode(2) && m_port->setInputLen(-1)
                && m_port->setRThreshold(-1) && m_port->setInBufferCount(5));
        QCOMPARE(m_port->clearCommError(), Outcome({ 8012, u"The device is not open"_s }));
        QCOMPARE(m_port->deviceName(1), u"/dev/ttyS0"_s);
        QCOMPARE(m_port->deviceName(16), u"/dev/ttyS15"_s);
        m_f->mapPort(6, u" /dev/ttyACM1 "_s);
        QCOMPARE(m_port->deviceName(6), u"/dev/ttyACM1"_s);
        // Root, who runs these tests, is refused by no device, so the error is given.
        const QString text = portMessage(*m_port, 3, { 8005, u"Permission denied"_s }).text;
        QVERIFY2(text.startsWith(u"Com3 (/dev/ttyS2): Permission denied\n"_s)
                     && text.contains(u"group dialout"_s) && text.contains(u"log in again"_s),
                 qPrintable(text));
    }

    // Written while closed the line waits for the opening; written while open it applies at
    // once. A refused one (the pty takes no parity or 7 bits, the text no 1.5 stop bits)
    // leaves the old line, on the device too, and the port open.
    void lineReachesDevice()
    {
        QCOMPARE(m_port->setSettings(u"38400,N,8,2"_s), Outcome());
        openOnPty();
        QCOMPARE(m_f->speeds(), u"38400/38400"_s);
        QVERIFY(twoStopBits());
        QCOMPARE(m_port->setCommPort(3), Outcome({ 8005, u"Port already open"_s }));
        QCOMPARE(m_port->setSettings(u"19200,n,8,1"_s), Outcome());
        const Outcome refused = ErrorValue { 8015, u"Invalid argument"_s };
        QCOMPARE(m_port->setSettings(u"57600,e,8,2"_s), refused);
        QCOMPARE(m_port->setSettings(u"57600,n,7,2"_s), refused);
        QCOMPARE(m_port->setSettings(u"9600,n,8,1.5"_s), kInvalidValue);
        QCOMPARE(m_port->settings(), u"19200,n,8,1"_s);
        QCOMPARE(m_f->speeds(), u"19200/19200"_s);
        QVERIFY(!twoStopBits() && m_port->portOpen());
        QCOMPARE(m_port->setHandshaking(3), Outcome());
        QVERIFY((m_f->line().c_cflag & CRTSCTS) && !(m_f->line().c_iflag & IXON));
        QCOMPARE(m_port->setHandshaking(1), Outcome());
        QVERIFY(!(m_f->line().c_cflag & CRTSCTS) && (m_f->line().c_iflag & IXON));
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QCOMPARE(m_port->commId(), qintptr(-1));
        QCOMPARE(m_port->setPortOpen(true), Outcome()); // the same device again
    }

    // Events come when the waiting bytes reach the threshold, by arrival or by arming it.
    void reception()
    {
        openOnPty();
        QSignalSpy events(m_port, &MSComm1::onComm);
        send("abc", 3); // threshold 0: no receive events at all
        QCOMPARE(m_port->setRThreshold(5), Outcome());
        send("d", 4);
        QCOMPARE(events.count(), 0);
        QVERIFY(m_f->pty.write("e"));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
        QCOMPARE(m_port->commEvent(), qint16(MSComm1::EventReceive));
        QCOMPARE(m_port->setInputLen(2), Outcome());
        QCOMPARE(m_port->input(), QByteArray("ab"));
        QCOMPARE(m_port->setInBufferCount(0), Outcome()); // discards what waits
        QCOMPARE(m_port->setInputLen(0), Outcome());
        send("xyz", 3);
        QCOMPARE(m_port->setRThreshold(3), Outcome());
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 2, 2000);
        QCOMPARE(m_port->input(), QByteArray("xyz"));
    }

    void vanishedDeviceIsSurvived()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QSignalSpy events(m_port, &MSComm1::onComm);
        const std::clock_t before = std::clock();
        m_f->pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_port->portOpen(), 2000);
        // A dead descriptor left registered would keep the event loop busy meanwhile.
        QTest::qWait(500);
        QCOMPARE_LT(double(std::clock() - before) / CLOCKS_PER_SEC, 0.1);
        QCOMPARE(events.count(), 0);
        QCOMPARE(m_port->input(), QByteArray());
    }

    // Only the speed changes, and it is kept over closing. The port's speed is used both ways
    // when another program left the tty receiving at its own: at opening, on a settings text.
    void controlBlockSpeed()
    {
        QCOMPARE(m_port->setSettings(u"9600,n,8,2"_s), Outcome());
        openOnPty();
        QCOMPARE(SetBaudRate(*m_port, 76800), Outcome());
        QCOMPARE(m_f->speeds(), u"76800/76800"_s);
        QCOMPARE(GetBaudRate(*m_port).value(), 76800);
        QVERIFY(twoStopBits());
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QCOMPARE(m_port->settings(), u"76800,n,8,2"_s);
        QVERIFY(m_f->setSpeeds(1200, 2400));
        QCOMPARE(m_port->setPortOpen(true), Outcome());
        QCOMPARE(m_f->speeds(), u"76800/76800"_s);
        QVERIFY(m_f->setSpeeds(300, 4800));
        QCOMPARE(m_port->setSettings(u"38400,n,8,1"_s), Outcome());
        QCOMPARE(m_f->speeds(), u"38400/38400"_s);
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QVERIFY(m_f->setSpeeds(1200, 2400));
        QCOMPARE(m_port->setPortOpen(true), Outcome());
        QCOMPARE(m_f->speeds(), u"38400/38400"_s);
    }

    // A closed port is refused before the system is asked; an impossible speed or a block
    // that cannot be read leaves the device as it was.
    void controlBlockRefusals()
    {
        using namespace NativeBaudRate;
        const unsigned long callsBefore = systemCallCount();
        const ErrorValue notOpen { 8018, u"Operation valid only when the port is open"_s };
        QCOMPARE(SetBaudRate(*m_port, 19200), Outcome(notOpen));
        QCOMPARE(GetBaudRate(*m_port).error(), notOpen);
        QCOMPARE(systemCallCount(), callsBefore);
        openOnPty();
        for (const qint32 baud : { 0, -9600 }) {
            QCOMPARE(SetBaudRate(*m_port, baud),
                     Outcome({ 8015, u"Could not set port to specified baud rate"_s }));
        }
        QCOMPARE(m_f->speeds(), u"9600/9600"_s);
        const int fd = ::open("/dev/null", O_RDWR); // not a tty: no block to read
        std::int32_t baud = 1;
        QVERIFY(getBaudRate(true, fd, baud) == ReadFailed && baud == 1
                && setBaudRate(true, fd, 9600) == ReadFailed
                && joinInputToOutput(true, fd) == ReadFailed);
        ::close(fd);
    }

    // Stored keys (as PtyPort::stored) and what the port then has: "settings port flow echo".
    // It starts as "9600,n,8,1 1 0 1"; each refused key is skipped.
    void restoresEachKey_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::newRow("settings refused") << u"76800,n,8,1|5|2|True"_s << u"9600,n,8,1 5 2 1"_s;
        QTest::newRow("port no number") << u"|abc|3|"_s << u"9600,n,8,1 1 3 1"_s;
        QTest::newRow("port beyond 16 bits") << u"|40000||"_s << u"9600,n,8,1 1 0 1"_s;
        QTest::newRow("port zero") << u"|0||"_s << u"9600,n,8,1 1 0 1"_s;
        QTest::newRow("blanks, letters after") << u"| 12com| 1x|"_s << u"9600,n,8,1 12 1 1"_s;
        QTest::newRow("flow 7, echo maybe") << u"||7|maybe"_s << u"9600,n,8,1 1 0 1"_s;
        QTest::newRow("echo 0") << u"|||0"_s << u"9600,n,8,1 1 0 0"_s;
    }
    void restoresEachKey()
    {
        QFETCH(QString, stored);
        for (int index = 0; index < 4; ++index) {
            if (const QString value = stored.section(u'|', index, index); !value.isEmpty()) {
                m_f->store.setValue(QString::fromLatin1(SettingsStore::kPropertiesSection),
                                    QLatin1String(PtyPort::kKeys[index]), value);
            }
        }
        QCOMPARE(m_port->setInBufferSize(100), Outcome());
        bool echo = true;
        restorePortSettings(*m_port, m_f->store, echo);
        QTEST(u"%1 %2 %3 %4"_s.arg(m_port->settings())
                  .arg(m_port->commPort())
                  .arg(m_port->handshaking())
                  .arg(int(echo)),
              "restored");
        QCOMPARE(m_port->inBufferSize(), qint16(1024));
    }

    // Opening arms the port (threshold 1, whole input, text mode), also when it fails to
    // open; a second call closes it.
    void openAndArm()
    {
        m_f->mapPort(9, m_f->missingDevice());
        QVERIFY(!m_port->setCommPort(9) && !m_port->setInputMode(1) && !m_port->setInputLen(5));
        QCOMPARE(OPENCOMM2(*m_port), Outcome({ 8002, u"No such file or directory"_s }));
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->inputMode(), 0);
        QCOMPARE(m_port->inputLen(), qint16(0));
        QCOMPARE(m_port->rThreshold(), qint16(1));
        QCOMPARE(m_port->setCommPort(PtyPort::kPtyPort), Outcome());
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        QSignalSpy events(m_port, &MSComm1::onComm);
        QVERIFY(m_f->pty.write("\xAA"));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        QVERIFY(!m_port->portOpen());
    }
};

QTEST_GUILESS_MAIN(TestMSComm1)
#include "test_mscomm1.moc"
