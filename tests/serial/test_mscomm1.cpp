#include "ptyport.h"
#include "serial/portmessage.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <sys/resource.h>
#include <termios.h>

using namespace Qt::StringLiterals;

namespace {

double processorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

termios lineOf(int fd)
{
    termios tio {};
    tcgetattr(fd, &tio);
    return tio;
}

} // namespace

class TestMSComm1 : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPort> m_f;
    MSComm1 *m_port = nullptr;

    void openOnPty()
    {
        const Outcome opened = m_f->openPty();
        QVERIFY2(!opened, qPrintable(opened ? opened->text : QString()));
        QVERIFY(m_port->portOpen());
    }
    // Writes on the master and waits until the port holds `count` bytes.
    void send(const QByteArray &bytes, int count)
    {
        QVERIFY(m_f->pty.write(bytes));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_port->inBufferCount()), count, 2000);
    }

private slots:
    void init()
    {
        m_f = std::make_unique<PtyPort>();
        QVERIFY(m_f->pty.isValid());
        m_port = &m_f->port;
    }
    void cleanup() { m_f.reset(); }

    void settingsRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reported");
        QTest::newRow("upper-case none") << u"9600,N,8,1"_s << u"9600,n,8,1"_s;
        QTest::newRow("even, 7, one") << u"115200,E,7,1"_s << u"115200,e,7,1"_s;
        QTest::newRow("odd, two stop bits") << u"19200,o,8,2"_s << u"19200,o,8,2"_s;
        QTest::newRow("mark, five bits") << u"300,M,5,1"_s << u"300,m,5,1"_s;
        QTest::newRow("space, six bits, blanks") << u" 4800 , s , 6 , 2 "_s << u"4800,s,6,2"_s;
        QTest::newRow("highest standard speed") << u"4000000,n,8,1"_s << u"4000000,n,8,1"_s;
    }
    void settingsRoundTrip()
    {
        QFETCH(QString, text);
        QCOMPARE(m_port->setSettings(text), Outcome());
        QTEST(m_port->settings(), "reported");
    }

    void refusedSettingsKeepOld_data()
    {
        QTest::addColumn<QString>("text");
        // 1.5 stop bits: the serial layer would quietly run one and report one and a half.
        const QString texts = u"96OO,n,8,1|76800,n,8,1|14400,n,8,1|256000,n,8,1|-9600,n,8,1|"
                              "99999999999,n,8,1|9600,n,4,1|9600,n,9,1|9600,n,8,3|9600,n,8,1.0|"
                              "9600,n,8,1.5|9600,n,5,1.5|9600,x,8,1|9600,none,8,1|9600,n,8|"
                              "9600,n,8,1,1|"_s;
        for (const QString &text : texts.split(u'|')) {
            QTest::newRow(text.isEmpty() ? "empty" : qPrintable(text)) << text;
        }
    }
    void refusedSettingsKeepOld()
    {
        QFETCH(QString, text);
        QCOMPARE(m_port->setSettings(u"19200,e,7,2"_s), Outcome());
        const Outcome refused = m_port->setSettings(text);
        QVERIFY(refused);
        QCOMPARE(refused->number, MSComm1::kErrorInvalidValue);
        QCOMPARE(refused->text, u"Invalid property value"_s);
        QCOMPARE(m_port->settings(), u"19200,e,7,2"_s);
    }

    void portNames_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("mapped");
        QTest::addColumn<QString>("device");
        QTest::newRow("first unmapped") << 1 << QString() << u"/dev/ttyS0"_s;
        QTest::newRow("sixteenth unmapped") << 16 << QString() << u"/dev/ttyS15"_s;
        QTest::newRow("mapped") << 5 << u"/dev/ttyUSB0"_s << u"/dev/ttyUSB0"_s;
        QTest::newRow("mapped with blanks") << 6 << u" /dev/ttyACM1 "_s << u"/dev/ttyACM1"_s;
    }
    void portNames()
    {
        QFETCH(int, port);
        QFETCH(QString, mapped);
        if (!mapped.isEmpty()) {
            m_f->mapPort(port, mapped);
        }
        QTEST(m_port->deviceName(port), "device");
    }

    // A device the user may not open says how to get access. (No device refuses root, who
    // runs these tests, so the error is given.)
    void permissionDeniedSaysHowToGetAccess()
    {
        const QString text
            = portMessage(*m_port, 3, { MSComm1::kErrorPortOpen, u"Permission denied"_s }).text;
        QVERIFY2(text.startsWith(u"Com3 (/dev/ttyS2): Permission denied\n"_s), qPrintable(text));
        QVERIFY2(text.contains(u"group dialout"_s) && text.contains(u"log in again"_s),
                 qPrintable(text));
    }

    void portNumberRange_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("zero") << 0 << false;
        QTest::newRow("negative") << -3 << false;
        QTest::newRow("beyond 16 bits") << 32768 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("seventeen") << 17 << true;
    }
    void portNumberRange()
    {
        QFETCH(int, port);
        QFETCH(bool, accepted);
        QCOMPARE(m_port->setCommPort(4), Outcome());
        const Outcome outcome = m_port->setCommPort(port);
        QCOMPARE(outcome ? outcome->number : 0, accepted ? 0 : MSComm1::kErrorInvalidPort);
        QCOMPARE(int(m_port->commPort()), accepted ? port : 4);
    }

    void propertiesRefuseOutOfRange()
    {
        for (qint32 mode = 0; mode <= 3; ++mode) {
            QCOMPARE(m_port->setHandshaking(mode), Outcome());
            QCOMPARE(m_port->handshaking(), mode);
        }
        QVERIFY(m_port->setHandshaking(4));
        QVERIFY(m_port->setHandshaking(-1));
        QCOMPARE(m_port->handshaking(), 3);
        QVERIFY(m_port->setInBufferSize(0));
        QCOMPARE(m_port->setInBufferSize(1024), Outcome());
        QVERIFY(m_port->setInputMode(2));
        QCOMPARE(m_port->setInputMode(1), Outcome());
        QCOMPARE(m_port->inputMode(), 1);
        QVERIFY(m_port->setInputLen(-1));
        QVERIFY(m_port->setRThreshold(-1));
        QVERIFY(m_port->setInBufferCount(5));
        QCOMPARE(m_port->inputLen(), qint16(0));
        QCOMPARE(m_port->rThreshold(), qint16(0));
        // Nothing is open, so nothing waits and there is nothing to clear.
        QCOMPARE(m_port->setInBufferCount(0), Outcome());
        QVERIFY(m_port->clearCommError());
    }

    void openAndClose()
    {
        openOnPty();
        QVERIFY(m_port->commId() >= 0);
        const Outcome whileOpen = m_port->setCommPort(3);
        QVERIFY(whileOpen);
        QCOMPARE(whileOpen->number, MSComm1::kErrorPortOpen);
        QCOMPARE(m_port->commPort(), qint16(PtyPort::kPtyPort));
        QCOMPARE(m_port->clearCommError(), Outcome());
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->commId(), qintptr(-1));
        // Toggling, the way start-up opens it, works on the same device again.
        QCOMPARE(m_port->setPortOpen(!m_port->portOpen()), Outcome());
        QVERIFY(m_port->portOpen());
    }

    // Written while closed they wait for the opening; written while open they apply at once.
    void settingsReachDevice()
    {
        QCOMPARE(m_port->setSettings(u"38400,N,8,2"_s), Outcome());
        openOnPty();
        QCOMPARE(m_f->speeds(), u"38400/38400"_s);
        QVERIFY(lineOf(m_f->fd()).c_cflag & CSTOPB);
        QCOMPARE(m_port->settings(), u"38400,n,8,2"_s);
        QCOMPARE(m_port->setSettings(u"19200,n,8,1"_s), Outcome());
        QCOMPARE(m_f->speeds(), u"19200/19200"_s);
        QVERIFY(!(lineOf(m_f->fd()).c_cflag & CSTOPB));
    }

    // The pty refuses parity and 7 bits; 1.5 stop bits are refused by the text itself.
    // Either way the old line stays, on the device too, and the port stays open.
    void refusalOnOpenPortRestoresOld_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message");
        const int refused = MSComm1::kErrorSettingsRefused;
        QTest::newRow("even parity") << u"57600,e,8,2"_s << refused << u"Invalid argument"_s;
        QTest::newRow("seven data bits") << u"57600,n,7,2"_s << refused << u"Invalid argument"_s;
        QTest::newRow("1.5 stop bits")
            << u"9600,n,8,1.5"_s << MSComm1::kErrorInvalidValue << u"Invalid property value"_s;
    }
    void refusalOnOpenPortRestoresOld()
    {
        QFETCH(QString, text);
        openOnPty();
        QCOMPARE(m_port->setSettings(u"19200,n,8,1"_s), Outcome());
        const Outcome refused = m_port->setSettings(text);
        QVERIFY(refused);
        QTEST(refused->number, "number");
        QTEST(refused->text, "message");
        QCOMPARE(m_port->settings(), u"19200,n,8,1"_s);
        QCOMPARE(m_f->speeds(), u"19200/19200"_s);
        QVERIFY(!(lineOf(m_f->fd()).c_cflag & CSTOPB));
        QVERIFY(m_port->portOpen());
    }

    void handshakingOnOpenPort()
    {
        openOnPty();
        QCOMPARE(m_port->setHandshaking(3), Outcome());
        QVERIFY(lineOf(m_f->fd()).c_cflag & CRTSCTS);
        QVERIFY(!(lineOf(m_f->fd()).c_iflag & IXON));
        QCOMPARE(m_port->setHandshaking(1), Outcome());
        QVERIFY(lineOf(m_f->fd()).c_iflag & IXON);
        QVERIFY(!(lineOf(m_f->fd()).c_cflag & CRTSCTS));
        QCOMPARE(m_port->handshaking(), 1);
        QVERIFY(m_port->portOpen());
    }

    void receive_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::newRow("one frame")
            << QList<QByteArray> { QByteArray::fromHex("aaa1a220261205060012345603") };
        QList<QByteArray> pieces;
        for (int piece = 0; piece < 6; ++piece) {
            pieces.append(QByteArray(piece + 1, char(0xA0 + piece)));
        }
        QTest::newRow("in pieces") << pieces;
    }
    void receive()
    {
        QFETCH(QList<QByteArray>, pieces);
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QByteArray received;
        QList<int> codes;
        connect(m_port, &MSComm1::onComm, this, [&] {
            codes.append(m_port->commEvent());
            received += m_port->input();
        });
        QByteArray all;
        for (const QByteArray &bytes : pieces) {
            all += bytes;
            QVERIFY(m_f->pty.write(bytes));
            QTRY_COMPARE_WITH_TIMEOUT(received.size(), all.size(), 2000);
        }
        QCOMPARE(received, all);
        QVERIFY(codes.size() >= pieces.size());
        QCOMPARE(codes.count(int(MSComm1::EventReceive)), codes.size());
        QCOMPARE(m_port->inBufferCount(), qint16(0));
        QCOMPARE(m_port->input(), QByteArray());
    }

    // Events come when the waiting bytes reach the threshold, by arrival or by arming it.
    void thresholdCountsWaitingBytes()
    {
        openOnPty();
        QSignalSpy events(m_port, &MSComm1::onComm);
        send("abc", 3); // threshold 0: no receive events at all
        QCOMPARE(m_port->setRThreshold(5), Outcome());
        send("d", 4);
        QCOMPARE(events.count(), 0);
        QVERIFY(m_f->pty.write("e"));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
        QCOMPARE(m_port->input(), QByteArray("abcde"));
        send("xyz", 3);
        QCOMPARE(events.count(), 1);
        QCOMPARE(m_port->setRThreshold(3), Outcome());
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 2, 2000);
    }

    void inputLenAndDiscarding()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        send("12345", 5);
        QCOMPARE(m_port->setInputLen(2), Outcome());
        QCOMPARE(m_port->input(), QByteArray("12"));
        QCOMPARE(m_port->setInBufferCount(0), Outcome()); // discards what waits
        QCOMPARE(m_port->inBufferCount(), qint16(0));
        QCOMPARE(m_port->input(), QByteArray());
        QCOMPARE(m_port->setInputLen(0), Outcome());
        send("new", 3);
        QCOMPARE(m_port->input(), QByteArray("new"));
    }

    void vanishedDeviceIsSurvived()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QSignalSpy events(m_port, &MSComm1::onComm);
        const double before = processorSeconds();
        m_f->pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_port->portOpen(), 2000);
        // A dead descriptor left registered would keep the event loop busy meanwhile.
        QTest::qWait(500);
        const double used = processorSeconds() - before;
        QVERIFY2(used < 0.1, qPrintable(u"busy for %1 s"_s.arg(used)));
        QCOMPARE(events.count(), 0);
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->commId(), qintptr(-1));
        QCOMPARE(m_port->input(), QByteArray());
        // The port can be pointed somewhere else and settings still work.
        QCOMPARE(m_port->setCommPort(3), Outcome());
        QCOMPARE(m_port->setSettings(u"4800,n,8,1"_s), Outcome());
        QCOMPARE(m_port->settings(), u"4800,n,8,1"_s);
    }
};

QTEST_GUILESS_MAIN(TestMSComm1)
#include "test_mscomm1.moc"
