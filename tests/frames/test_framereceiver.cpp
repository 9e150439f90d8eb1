#include "common/monotonicclock.h"
#include "common/settingsstore.h"
#include "frames/framereceiver.h"
#include "framestest.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The receive handler on the real port service over a real pseudo-terminal.
class TestFrameReceiver : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<MSComm1> m_port;
    std::unique_ptr<Reception> m_reception;
    std::unique_ptr<FrameReceiver> m_receiver;

    const ReceivedTimeState &received() const { return m_reception->logic.receivedTime(); }

    void openPort(const QString &device)
    {
        m_store->setValue(QLatin1String(SettingsStore::kPortsSection), u"Com1"_s, device);
        QVERIFY(!m_port->setCommPort(1));
        const Outcome opened = m_port->setPortOpen(true);
        QVERIFY2(!opened, qPrintable(opened ? opened->text : QString()));
        QVERIFY(!m_port->setRThreshold(1));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(u"store.ini"_s));
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(u"store.ini"_s));
        m_port = std::make_unique<MSComm1>(*m_store);
        m_reception = std::make_unique<Reception>();
        m_receiver = std::make_unique<FrameReceiver>(*m_port, m_reception->logic);
        m_receiver->connectPort();
    }
    void cleanup()
    {
        m_receiver.reset();
        m_reception.reset();
        m_port.reset();
        m_store.reset();
    }

    // A frame in two writes: two receive events, each reading all that waits.
    void frameOverPseudoTerminal()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        openPort(pty.linkPath());
        QVERIFY(pty.write(kWorkedFrame.left(5)));
        QTRY_COMPARE(m_reception->logic.assembler().frameIndex(), qint16(4));
        QVERIFY(pty.write(kWorkedFrame.mid(5)));
        QTRY_COMPARE(m_reception->logic.assembler().frameIndex(), qint16(11));
        QCOMPARE(texts(m_reception->displays), QStringList { kWorkedText });
        QCOMPARE(m_port->inputMode(), 1); // the handler reads raw bytes
        QCOMPARE(m_port->inputLen(), qint16(0));
        // Control characters such as 0x03 pass the line unchanged.
        QVERIFY(m_reception->logic.dump().text().endsWith(u" 04  03 "_s));
    }

    // The simulator on its own pseudo-terminal: the first frame is on show within two
    // seconds of opening the port, and the next ones follow a second apart.
    void simulatorFramesArrive()
    {
        const QString link = m_dir.filePath(u"ttySIM"_s);
        QProcess simulator;
        simulator.start(simulatorPath(),
                        { u"--link"_s, link, u"--start"_s, u"2026-12-05T23:59:57"_s });
        QVERIFY2(simulator.waitForStarted(5000), qPrintable(simulator.errorString()));
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString slave = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        QVERIFY(slave.startsWith(u"/dev/pts/"_s));
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

        openPort(link);
        QElapsedTimer sinceOpen;
        sinceOpen.start();
        QTRY_VERIFY_WITH_TIMEOUT(received().recvDateTime.startsWith(u"2026-12-0"_s), 2000);
        QVERIFY(sinceOpen.elapsed() < 2000);
        QTRY_COMPARE_WITH_TIMEOUT(received().recvDateTime, u"2026-12-06 00:00:00"_s, 5000);
        QCOMPARE(received().recvStamp1, 0);
        QCOMPARE(received().recvStamp2, 86399);
        // Frames streaming in from a line are stamped with their arrival.
        QVERIFY(monotonicNowNs() - received().frameEndNs < 1'100'000'000);

        simulator.terminate();
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestFrameReceiver)
#include "test_framereceiver.moc"
