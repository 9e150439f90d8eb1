#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/baudrate.h"
#include "serial/mscomm1.h"
#include "serial/nativebaudrate.h"
#include "ttytermios2.h"

#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kPtyPort = 4;
}

class TestBaudRate : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<MSComm1> m_port;

    void openOnPty()
    {
        QCOMPARE(m_port->setCommPort(kPtyPort), Outcome());
        QCOMPARE(m_port->setPortOpen(true), Outcome());
    }

private slots:
    void init()
    {
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

    void closedPortRaisesNotOpenFirst()
    {
        const unsigned long callsBefore = NativeBaudRate::systemCallCount();
        const Outcome set = SetBaudRate(*m_port, 19200);
        QVERIFY(set);
        QCOMPARE(set->number, 8018);
        QCOMPARE(set->text, QStringLiteral("Operation valid only when the port is open"));
        const Result<qint32> got = GetBaudRate(*m_port);
        QVERIFY(!got.ok());
        QCOMPARE(got.error().number, 8018);
        QCOMPARE(got.error().text, QStringLiteral("Operation valid only when the port is open"));
        QCOMPARE(NativeBaudRate::joinInputToOutput(false, 0), NativeBaudRate::NotOpen);
        QCOMPARE(NativeBaudRate::systemCallCount(), callsBefore);
        // The tty was not touched either.
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 38400L);
    }

    void nonStandardSpeedReachesDevice_data()
    {
        QTest::addColumn<qint32>("baud");
        QTest::newRow("76800") << 76800;
        QTest::newRow("14400") << 14400;
        QTest::newRow("256000") << 256000;
        QTest::newRow("standard 19200") << 19200;
    }
    void nonStandardSpeedReachesDevice()
    {
        QFETCH(qint32, baud);
        QCOMPARE(m_port->setSettings(QStringLiteral("9600,n,8,2")), Outcome());
        openOnPty();
        QCOMPARE(SetBaudRate(*m_port, baud), Outcome());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), long(baud));
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), long(baud));
        const Result<qint32> got = GetBaudRate(*m_port);
        QVERIFY(got.ok());
        QCOMPARE(got.value(), baud);
        // Only the speed changed: the two stop bits set before are still there.
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        QVERIFY(tio.c_cflag & CSTOPB);
        QCOMPARE(m_port->settings(), QStringLiteral("%1,n,8,2").arg(baud));
    }

    void speedSurvivesClosingAndOpening()
    {
        openOnPty();
        QCOMPARE(SetBaudRate(*m_port, 76800), Outcome());
        QCOMPARE(m_port->setPortOpen(false), Outcome());
        QCOMPARE(m_port->settings(), QStringLiteral("76800,n,8,1"));
        // Someone else moves the tty meanwhile; opening again puts the port's speed back.
        termios tio {};
        QCOMPARE(tcgetattr(m_pty->slaveFd(), &tio), 0);
        cfsetspeed(&tio, B1200);
        QCOMPARE(tcsetattr(m_pty->slaveFd(), TCSANOW, &tio), 0);
        QCOMPARE(m_port->setPortOpen(true), Outcome());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 76800L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 76800L);
        // A standard speed in a settings text takes over again, in both directions.
        QCOMPARE(m_port->setSettings(QStringLiteral("9600,n,8,1")), Outcome());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 9600L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 9600L);
        QCOMPARE(m_port->settings(), QStringLiteral("9600,n,8,1"));
    }

    // Receiving must not stay at a control-block speed once the port reports another one.
    void standardSpeedAfterControlBlockMovesBothDirections_data()
    {
        QTest::addColumn<qint32>("controlBlockBaud");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<long>("expected");
        QTest::newRow("76800 then 9600") << 76800 << "9600,n,8,1" << 9600L;
        QTest::newRow("256000 then 19200") << 256000 << "19200,n,8,2" << 19200L;
        QTest::newRow("standard 4800 then 115200") << 4800 << "115200,n,8,1" << 115200L;
    }
    void standardSpeedAfterControlBlockMovesBothDirections()
    {
        QFETCH(qint32, controlBlockBaud);
        QFETCH(QString, settings);
        QFETCH(long, expected);
        openOnPty();
        QCOMPARE(SetBaudRate(*m_port, controlBlockBaud), Outcome());
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), long(controlBlockBaud));
        QCOMPARE(m_port->setSettings(settings), Outcome());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), expected);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), expected);
        QCOMPARE(m_port->settings(), settings);
        QCOMPARE(GetBaudRate(*m_port).value(), qint32(expected));
    }

    // Another program may leave the tty receiving at a speed of its own; the port's speed
    // is then used both ways, at opening and when settings change.
    void splitSpeedsLeftBehindAreJoined()
    {
        QVERIFY(TtyTermios2::setSplitSpeeds(m_pty->slaveFd(), 1200, 2400));
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 1200L);
        QCOMPARE(m_port->setSettings(QStringLiteral("4800,n,8,1")), Outcome());
        openOnPty();
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 4800L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 4800L);

        QVERIFY(TtyTermios2::setSplitSpeeds(m_pty->slaveFd(), 300, 4800));
        QCOMPARE(m_port->setSettings(QStringLiteral("38400,n,8,1")), Outcome());
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 38400L);
        QCOMPARE(TtyTermios2::inputSpeed(m_pty->slaveFd()), 38400L);
    }

    void impossibleSpeedRefused_data()
    {
        QTest::addColumn<qint32>("baud");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -9600;
    }
    void impossibleSpeedRefused()
    {
        QFETCH(qint32, baud);
        openOnPty();
        const Outcome set = SetBaudRate(*m_port, baud);
        QVERIFY(set);
        QCOMPARE(set->number, 8015);
        QCOMPARE(set->text, QStringLiteral("Could not set port to specified baud rate"));
        QCOMPARE(TtyTermios2::outputSpeed(m_pty->slaveFd()), 9600L);
        QVERIFY(m_port->portOpen());
    }

    void unreadableBlock_data()
    {
        QTest::addColumn<bool>("useNull");
        QTest::newRow("not a tty") << true;
        QTest::newRow("closed descriptor") << false;
    }
    void unreadableBlock()
    {
        QFETCH(bool, useNull);
        int fd = -1;
        if (useNull) {
            fd = ::open("/dev/null", O_RDWR);
            QVERIFY(fd >= 0);
        } else {
            fd = ::open("/dev/null", O_RDWR);
            ::close(fd);
        }
        std::int32_t baud = 1;
        QCOMPARE(NativeBaudRate::getBaudRate(true, fd, baud), NativeBaudRate::ReadFailed);
        QCOMPARE(baud, 1);
        QCOMPARE(NativeBaudRate::setBaudRate(true, fd, 9600), NativeBaudRate::ReadFailed);
        QCOMPARE(NativeBaudRate::joinInputToOutput(true, fd), NativeBaudRate::ReadFailed);
        if (useNull) {
            ::close(fd);
        }
    }
};

QTEST_GUILESS_MAIN(TestBaudRate)
#include "test_baudrate.moc"
