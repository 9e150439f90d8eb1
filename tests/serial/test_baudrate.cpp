#include "ptyport.h"
#include "serial/baudrate.h"
#include "serial/nativebaudrate.h"

#include <QTest>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestBaudRate : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPort> m_f;
    MSComm1 *m_port = nullptr;

    void openOnPty() { QCOMPARE(m_f->openPty(), Outcome()); }

private slots:
    void init()
    {
        m_f = std::make_unique<PtyPort>();
        QVERIFY(m_f->pty.isValid());
        m_port = &m_f->port;
    }
    void cleanup() { m_f.reset(); }

    void closedPortRaisesNotOpenFirst()
    {
        const unsigned long callsBefore = NativeBaudRate::systemCallCount();
        const ErrorValue notOpen { 8018, u"Operation valid only when the port is open"_s };
        QCOMPARE(SetBaudRate(*m_port, 19200), Outcome(notOpen));
        const Result<qint32> got = GetBaudRate(*m_port);
        QVERIFY(!got.ok());
        QCOMPARE(got.error(), notOpen);
        QCOMPARE(NativeBaudRate::joinInputToOutput(false, 0), NativeBaudRate::NotOpen);
        QCOMPARE(NativeBaudRate::systemCallCount(), callsBefore);
        QCOMPARE(m_f->speeds(), u"38400/38400"_s);
    }

    // Only the speed changes (the two stop bits stay), and a settings text afterwards moves
    // receiving as well as sending: the port must not keep receiving at the old speed.
    void controlBlockSpeedThenSettings_data()
    {
        QTest::addColumn<qint32>("baud");
        QTest::addColumn<QString>("settings");
        QTest::newRow("76800 then 9600") << 76800 << u"9600,n,8,1"_s;
        QTest::newRow("14400 then 38400") << 14400 << u"38400,n,8,1"_s;
        QTest::newRow("256000 then 19200") << 256000 << u"19200,n,8,2"_s;
        QTest::newRow("standard 19200 then 115200") << 19200 << u"115200,n,8,1"_s;
        QTest::newRow("standard 4800 then 115200") << 4800 << u"115200,n,8,1"_s;
    }
    void controlBlockSpeedThenSettings()
    {
        QFETCH(qint32, baud);
        QFETCH(QString, settings);
        QCOMPARE(m_port->setSettings(u"9600,n,8,2"_s), Outcome());
        openOnPty();
        QCOMPARE(SetBaudRate(*m_port, baud), Outcome());
        QCOMPARE(m_f->speeds(), u"%1/%1"_s.arg(baud));
        QCOMPARE(GetBaudRate(*m_port).value(), baud);
        termios tio {};
        QCOMPARE(tcgetattr(m_f->fd(), &tio), 0);
        QVERIFY(tio.c_cflag & CSTOPB);
        QCOMPARE(m_port->settings(), u"%1,n,8,2"_s.arg(baud));

        QCOMPARE(m_port->setSettings(settings), Outcome());
        QCOMPARE(m_f->speeds(), u"%1/%1"_s.arg(settings.section(u',', 0, 0)));
        QCOMPARE(m_port->settings(), settings);
        QCOMPARE(GetBaudRate(*m_port).value(), settings.section(u',', 0, 0).toInt());
    }

    void speedSurvivesClosingAndOpening()
    {
        openOnPty();
        QCOMPARE(SetBaudRate(*m_port, 76800), Outcome());
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QCOMPARE(m_port->settings(), u"76800,n,8,1"_s);
        // Someone else moves the tty meanwhile; opening again puts the port's speed back.
        termios tio {};
        QCOMPARE(tcgetattr(m_f->fd(), &tio), 0);
        cfsetspeed(&tio, B1200);
        QCOMPARE(tcsetattr(m_f->fd(), TCSANOW, &tio), 0);
        QCOMPARE(m_port->setPortOpen(true), Outcome());
        QCOMPARE(m_f->speeds(), u"76800/76800"_s);
    }

    // Another program may leave the tty receiving at a speed of its own; the port's speed
    // is then used both ways, at opening and when settings change.
    void splitSpeedsLeftBehindAreJoined()
    {
        QVERIFY(TtyTermios2::setSplitSpeeds(m_f->fd(), 1200, 2400));
        QCOMPARE(m_f->speeds(), u"2400/1200"_s);
        QCOMPARE(m_port->setSettings(u"4800,n,8,1"_s), Outcome());
        openOnPty();
        QCOMPARE(m_f->speeds(), u"4800/4800"_s);

        QVERIFY(TtyTermios2::setSplitSpeeds(m_f->fd(), 300, 4800));
        QCOMPARE(m_port->setSettings(u"38400,n,8,1"_s), Outcome());
        QCOMPARE(m_f->speeds(), u"38400/38400"_s);
    }

    void impossibleSpeedRefused()
    {
        openOnPty();
        for (const qint32 baud : { 0, -9600 }) {
            QCOMPARE(SetBaudRate(*m_port, baud),
                     Outcome(ErrorValue { 8015, u"Could not set port to specified baud rate"_s }));
        }
        QCOMPARE(m_f->speeds(), u"9600/9600"_s);
        QVERIFY(m_port->portOpen());
    }

    void unreadableBlock()
    {
        const int fd = ::open("/dev/null", O_RDWR); // not a tty
        QVERIFY(fd >= 0);
        std::int32_t baud = 1;
        QCOMPARE(NativeBaudRate::getBaudRate(true, fd, baud), NativeBaudRate::ReadFailed);
        QCOMPARE(baud, 1);
        QCOMPARE(NativeBaudRate::setBaudRate(true, fd, 9600), NativeBaudRate::ReadFailed);
        QCOMPARE(NativeBaudRate::joinInputToOutput(true, fd), NativeBaudRate::ReadFailed);
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestBaudRate)
#include "test_baudrate.moc"
