#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"
#include "ttytermios2.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/resource.h>
#include <termios.h>

namespace {

constexpr int kPtyPort = 2;

double processorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

} // namespace

class TestMSComm1 : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<MSComm1> m_port;

    // Opens the port on the pseudo-terminal with the receive event armed at threshold 1.
    void openOnPty()
    {
        QVERIFY(!m_port->setCommPort(kPtyPort));
        const Outcome opened = m_port->setPortOpen(true);
        QVERIFY2(!opened, qPrintable(opened ? opened->text : QString()));
        QVERIFY(m_port->portOpen());
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(QStringLiteral("store.ini")));
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("store.ini")));
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
        m_store->setValue(QLatin1String(SettingsStore::kPortsSection),
                          QStringLiteral("Com%1").arg(kPtyPort), m_pty->linkPath());
        m_port = std::make_unique<MSComm1>(*m_store);
    }
    void cleanup()
    {
        m_port.reset();
        m_pty.reset();
        m_store.reset();
    }

    void initialValues()
    {
        QCOMPARE(m_port->commPort(), qint16(1));
        QCOMPARE(m_port->settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_port->handshaking(), 0);
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->commId(), qintptr(-1));
        QCOMPARE(m_port->rThreshold(), qint16(0));
    }

    void settingsRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reported");
        QTest::newRow("upper-case none") << "9600,N,8,1"
                                         << "9600,n,8,1";
        QTest::newRow("even, 7, one") << "115200,E,7,1"
                                      << "115200,e,7,1";
        QTest::newRow("odd, two stop bits") << "19200,o,8,2"
                                            << "19200,o,8,2";
        QTest::newRow("mark, five bits") << "300,M,5,1"
                                         << "300,m,5,1";
        QTest::newRow("space, six bits, blanks") << " 4800 , s , 6 , 2 "
                                                 << "4800,s,6,2";
        QTest::newRow("highest standard speed") << "4000000,n,8,1"
                                                << "4000000,n,8,1";
    }
    void settingsRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QString, reported);
        QCOMPARE(m_port->setSettings(text), Outcome());
        QCOMPARE(m_port->settings(), reported);
    }

    void refusedSettingsKeepOld_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("bad speed") << "96OO,n,8,1";
        QTest::newRow("76800 in text") << "76800,n,8,1";
        QTest::newRow("14400 in text") << "14400,n,8,1";
        QTest::newRow("256000 in text") << "256000,n,8,1";
        QTest::newRow("negative speed") << "-9600,n,8,1";
        QTest::newRow("huge speed") << "99999999999,n,8,1";
        QTest::newRow("data bits 4") << "9600,n,4,1";
        QTest::newRow("data bits 9") << "9600,n,9,1";
        QTest::newRow("stop bits 3") << "9600,n,8,3";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0";
        // The serial layer would quietly run one stop bit and report one and a half.
        QTest::newRow("stop bits 1.5") << "9600,n,8,1.5";
        QTest::newRow("stop bits 1.5 with 5 bits") << "9600,n,5,1.5";
        QTest::newRow("parity x") << "9600,x,8,1";
        QTest::newRow("parity word") << "9600,none,8,1";
        QTest::newRow("too few fields") << "9600,n,8";
        QTest::newRow("too many fields") << "9600,n,8,1,1";
        QTest::newRow("empty") << "";
    }
    void refusedSettingsKeepOld()
    {
        QFETCH(QString, text);
        QCOMPARE(m_port->setSettings(QStringLiteral("19200,e,7,2")), Outcome());
        const Outcome refused = m_port->setSettings(text);
        QVERIFY(refused);
        QCOMPARE(refused->number, MSComm1::kErrorInvalidValue);
        QVERIFY(!refused->text.isEmpty());
        QCOMPARE(m_port->settings(), QStringLiteral("19200,e,7,2"));
    }

    void portNames_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("mapped");
        QTest::addColumn<QString>("device");
        QTest::newRow("first unmapped") << 1 << QString() << "/dev/ttyS0";
        QTest::newRow("sixteenth unmapped") << 16 << QString() << "/dev/ttyS15";
        QTest::newRow("mapped") << 5 << "/dev/ttyUSB0"
                                << "/dev/ttyUSB0";
        QTest::newRow("mapped with blanks") << 6 << " /dev/ttyACM1 "
                                            << "/dev/ttyACM1";
    }
    void portNames()
    {
        QFETCH(int, port);
        QFETCH(QString, mapped);
        QFETCH(QString, device);
        if (!mapped.isEmpty()) {
            m_store->setValue(QLatin1String(SettingsStore::kPortsSection),
                              QStringLiteral("Com%1").arg(port), mapped);
        }
        QCOMPARE(m_port->deviceName(port), device);
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
        QCOMPARE(!outcome.has_value(), accepted);
        QCOMPARE(int(m_port->commPort()), accepted ? port : 4);
        if (!accepted) {
            QCOMPARE(outcome->number, MSComm1::kErrorInvalidPort);
        }
    }

    void handshakingRange()
    {
        for (qint32 mode = 0; mode <= 3; ++mode) {
            QCOMPARE(m_port->setHandshaking(mode), Outcome());
            QCOMPARE(m_port->handshaking(), mode);
        }
        QVERIFY(m_port->setHandshaking(4));
        QVERIFY(m_port->setHandshaking(-1));
        QCOMPARE(m_port->handshaking(), 3);
    }

    void otherPropertiesRefuseOutOfRange()
    {
        QVERIFY(m_port->setInBufferSize(0));
        QCOMPARE(m_port->setInBufferSize(1024), Outcome());
        QCOMPARE(m_port->inBufferSize(), qint16(1024));
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
        QCOMPARE(m_port->commPort(), qint16(kPtyPort));
        QCOMPARE(m_port->clearCommError(), Outcome());
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->commId(), qintptr(-1));
        // Toggling twice, the way start-up opens it, works on the same device again.
        QCOMPARE(m_port->setPortOpen(!m_port->portOpen()), Outcome());
        QVERIFY(m_port->portOpen());
    }

    void openMissingDevice()
    {
        m_store->setValue(QLatin1String(SettingsStore::kPortsSection), QStringLiteral("Com7"),
                          m_dir.filePath(QStringLiteral("no-such-device")));
        QCOMPARE(m_port->setCommPort(7), Outcome());
        const Outcome opened = m_port->setPortOpen(true);
        QVERIFY(opened);
        QCOMPARE(opened->number, MSComm1::kErrorInvalidPort);
        QVERIFY(!opened->text.isEmpty());
        QVERIFY(!m_port->portOpen());
    }

    void settingsWrittenClosedApplyAtOpen()
    {
        QCOMPARE(m_port->setSettings(QStringLiteral("38400,n,8,2")), Outcome());
        openOnPty();
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B38400));
        QVERIFY(tio.c_cflag & CSTOPB);
        QCOMPARE(m_port->settings(), QStringLiteral("38400,n,8,2"));
    }

    void settingsWrittenOpenApplyNow()
    {
        openOnPty();
        QCOMPARE(m_port->setSettings(QStringLiteral("19200,N,8,2")), Outcome());
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QVERIFY(tio.c_cflag & CSTOPB);
        QCOMPARE(m_port->settings(), QStringLiteral("19200,n,8,2"));
        QVERIFY(m_port->portOpen());
    }

    void deviceRefusalRestoresOld_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("even parity") << "57600,e,8,2";
        QTest::newRow("seven data bits") << "57600,n,7,2";
        QTest::newRow("even and seven") << "57600,e,7,2";
    }
    void deviceRefusalRestoresOld()
    {
        QFETCH(QString, text);
        openOnPty();
        QCOMPARE(m_port->setSettings(QStringLiteral("19200,n,8,1")), Outcome());
        const Outcome refused = m_port->setSettings(text);
        QVERIFY(refused);
        QCOMPARE(refused->number, MSComm1::kErrorSettingsRefused);
        QCOMPARE(refused->text, QStringLiteral("Invalid argument"));
        QCOMPARE(m_port->settings(), QStringLiteral("19200,n,8,1"));
        // The speed that went in before the refusal was taken back on the device too.
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 19200L);
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QVERIFY(!(tio.c_cflag & CSTOPB));
        QVERIFY(m_port->portOpen());
    }

    void oneAndHalfStopBitsRefusedOnOpenPort()
    {
        openOnPty();
        QCOMPARE(m_port->setSettings(QStringLiteral("19200,n,8,2")), Outcome());
        const Outcome refused = m_port->setSettings(QStringLiteral("9600,n,8,1.5"));
        QVERIFY(refused);
        QCOMPARE(refused->number, MSComm1::kErrorInvalidValue);
        QCOMPARE(m_port->settings(), QStringLiteral("19200,n,8,2"));
        // The tty was left as it was: two stop bits, 19200.
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QVERIFY(tio.c_cflag & CSTOPB);
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 19200L);
        QVERIFY(m_port->portOpen());
    }

    void handshakingOnOpenPort()
    {
        openOnPty();
        QCOMPARE(m_port->setHandshaking(3), Outcome());
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QVERIFY(tio.c_cflag & CRTSCTS);
        QVERIFY(!(tio.c_iflag & IXON));
        QCOMPARE(m_port->setHandshaking(1), Outcome());
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QVERIFY(tio.c_iflag & IXON);
        QVERIFY(!(tio.c_cflag & CRTSCTS));
        QCOMPARE(m_port->handshaking(), 1);
        QVERIFY(m_port->portOpen());
    }

    void receiveWhole()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QSignalSpy events(m_port.get(), &MSComm1::onComm);
        int codeDuringEvent = 0;
        connect(m_port.get(), &MSComm1::onComm, this,
                [&] { codeDuringEvent = m_port->commEvent(); });
        const QByteArray frame = QByteArray::fromHex("aaa1a2202612050600123456"
                                                     "03");
        QVERIFY(m_pty->write(frame));
        QTRY_VERIFY_WITH_TIMEOUT(m_port->inBufferCount() == frame.size(), 2000);
        QVERIFY(events.count() >= 1);
        QCOMPARE(codeDuringEvent, int(MSComm1::EventReceive));
        QCOMPARE(m_port->input(), frame);
        QCOMPARE(m_port->inBufferCount(), qint16(0));
        QCOMPARE(m_port->input(), QByteArray());
    }

    void receiveInPieces()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QByteArray received;
        int events = 0;
        connect(m_port.get(), &MSComm1::onComm, this, [&] {
            ++events;
            received += m_port->input();
        });
        QByteArray all;
        for (int piece = 0; piece < 6; ++piece) {
            const QByteArray bytes = QByteArray(piece + 1, char(0xA0 + piece));
            all += bytes;
            QVERIFY(m_pty->write(bytes));
            QTRY_COMPARE_WITH_TIMEOUT(received.size(), all.size(), 2000);
        }
        QCOMPARE(received, all);
        QVERIFY(events >= 6);
    }

    void thresholdZeroRaisesNothing()
    {
        openOnPty();
        QSignalSpy events(m_port.get(), &MSComm1::onComm);
        QVERIFY(m_pty->write(QByteArray("\x01\x02\x03", 3)));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(3), 2000);
        QCOMPARE(events.count(), 0);
        // Arming the threshold now raises the event for what already waits.
        QCOMPARE(m_port->setRThreshold(3), Outcome());
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
    }

    void thresholdCountsWaitingBytes()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(5), Outcome());
        QSignalSpy events(m_port.get(), &MSComm1::onComm);
        QVERIFY(m_pty->write(QByteArray("abc")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(3), 2000);
        QCOMPARE(events.count(), 0);
        QVERIFY(m_pty->write(QByteArray("def")));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
        QCOMPARE(m_port->input(), QByteArray("abcdef"));
    }

    void inputLenLimitsRead()
    {
        openOnPty();
        QVERIFY(m_pty->write(QByteArray("12345")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(5), 2000);
        QCOMPARE(m_port->setInputLen(2), Outcome());
        QCOMPARE(m_port->input(), QByteArray("12"));
        QCOMPARE(m_port->setInputLen(0), Outcome());
        QCOMPARE(m_port->input(), QByteArray("345"));
    }

    void inBufferCountZeroDiscards()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QVERIFY(m_pty->write(QByteArray("old bytes")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(9), 2000);
        QCOMPARE(m_port->setInBufferCount(0), Outcome());
        QCOMPARE(m_port->inBufferCount(), qint16(0));
        QCOMPARE(m_port->input(), QByteArray());
        QVERIFY(m_pty->write(QByteArray("new")));
        QTRY_COMPARE_WITH_TIMEOUT(m_port->inBufferCount(), qint16(3), 2000);
        QCOMPARE(m_port->input(), QByteArray("new"));
    }

    void vanishedDeviceIsSurvived()
    {
        openOnPty();
        QCOMPARE(m_port->setRThreshold(1), Outcome());
        QSignalSpy events(m_port.get(), &MSComm1::onComm);
        const double before = processorSeconds();
        m_pty->closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!m_port->portOpen(), 2000);
        // Keep the event loop turning a while: a dead descriptor that stays registered
        // would keep it busy the whole time.
        QTest::qWait(500);
        const double used = processorSeconds() - before;
        QVERIFY2(used < 0.1, qPrintable(QStringLiteral("busy for %1 s").arg(used)));
        QCOMPARE(events.count(), 0);
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->commId(), qintptr(-1));
        QCOMPARE(m_port->input(), QByteArray());
        // The port can be pointed somewhere else and settings still work.
        QCOMPARE(m_port->setCommPort(3), Outcome());
        QCOMPARE(m_port->setSettings(QStringLiteral("4800,n,8,1")), Outcome());
        QCOMPARE(m_port->settings(), QStringLiteral("4800,n,8,1"));
    }
};

QTEST_GUILESS_MAIN(TestMSComm1)
#include "test_mscomm1.moc"
