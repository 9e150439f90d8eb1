#include "common/settingsstore.h"
#include "frames/framereceiver.h"
#include "frames/receptionlogic.h"
#include "manualclock.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QByteArray kFrame = QByteArray::fromHex("AAA1A2200308230412130403");

QString simulatorPath()
{
    QString directory = qEnvironmentVariable("VALTORA_BIN_DIR");
    if (directory.isEmpty()) {
        directory = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    }
    return QDir(directory).filePath(QStringLiteral("valtora-sim"));
}

} // namespace

// The receive handler on the real port service over a real pseudo-terminal.
class TestFrameReceiver : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<MSComm1> m_port;
    std::unique_ptr<ReceptionLogic> m_logic;
    std::unique_ptr<FrameReceiver> m_receiver;

    void openPort(const QString &device)
    {
        m_store->setValue(QLatin1String(SettingsStore::kPortsSection), QStringLiteral("Com1"),
                          device);
        QVERIFY(!m_port->setCommPort(1));
        const Outcome opened = m_port->setPortOpen(true);
        QVERIFY2(!opened, qPrintable(opened ? opened->text : QString()));
        QVERIFY(!m_port->setRThreshold(1));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(QStringLiteral("store.ini")));
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("store.ini")));
        m_port = std::make_unique<MSComm1>(*m_store);
        m_logic = std::make_unique<ReceptionLogic>(m_clock, [] { return false; });
        m_receiver = std::make_unique<FrameReceiver>(*m_port, *m_logic);
        m_receiver->connectPort();
    }
    void cleanup()
    {
        m_receiver.reset();
        m_logic.reset();
        m_port.reset();
        m_store.reset();
    }

    void frameOverPseudoTerminal_data()
    {
        QTest::addColumn<int>("pieceSize");
        QTest::newRow("one write") << 12;
        QTest::newRow("byte by byte") << 1;
        QTest::newRow("pieces of five") << 5;
    }
    void frameOverPseudoTerminal()
    {
        QFETCH(int, pieceSize);
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        openPort(pty.linkPath());
        QSignalSpy displays(m_logic.get(), &ReceptionLogic::label2CaptionChanged);
        for (qsizetype from = 0; from < kFrame.size(); from += pieceSize) {
            QVERIFY(pty.write(kFrame.mid(from, pieceSize)));
            QTest::qWait(5);
        }
        QTRY_COMPARE(m_logic->assembler().frameIndex(), qint16(11));
        QCOMPARE(displays.count(), 1);
        QCOMPARE(m_logic->receivedTime().recvDateTime, QStringLiteral("2003-08-23 12:13:04"));
        QVERIFY(m_logic->receivedTime().frameEndNs > 0);
        QCOMPARE(m_port->inputMode(), 1); // the handler reads raw bytes
        QCOMPARE(m_port->inputLen(), qint16(0));
        // The dump saw every byte: control characters such as 0x03 pass the line unchanged.
        QVERIFY(m_logic->dump().text().endsWith(QStringLiteral(" 04  03 ")));
    }

    // The simulator on its own pseudo-terminal: the first frame is on show within two
    // seconds of opening the port, and the next ones follow a second apart.
    void simulatorFramesArrive()
    {
        const QString link = m_dir.filePath(QStringLiteral("ttySIM"));
        QProcess simulator;
        simulator.start(simulatorPath(),
                        { QStringLiteral("--link"), link, QStringLiteral("--start"),
                          QStringLiteral("2026-12-05T23:59:57") });
        QVERIFY2(simulator.waitForStarted(5000), qPrintable(simulator.errorString()));
        QVERIFY(simulator.waitForReadyRead(5000));
        const QString slave = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        QVERIFY(slave.startsWith(QStringLiteral("/dev/pts/")));
        QCOMPARE(QFileInfo(link).symLinkTarget(), slave);

        openPort(link);
        QElapsedTimer sinceOpen;
        sinceOpen.start();
        QTRY_VERIFY_WITH_TIMEOUT(
            m_logic->receivedTime().recvDateTime.startsWith(QStringLiteral("2026-12-0")), 2000);
        QVERIFY(sinceOpen.elapsed() < 2000);
        QTRY_COMPARE_WITH_TIMEOUT(m_logic->receivedTime().recvDateTime,
                                  QStringLiteral("2026-12-06 00:00:00"), 5000);
        const ReceivedTimeState &state = m_logic->receivedTime();
        QCOMPARE(state.recvStamp1, 0);
        QCOMPARE(state.recvStamp2, 86399);

        simulator.terminate();
        QVERIFY(simulator.waitForFinished(5000));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestFrameReceiver)
#include "test_framereceiver.moc"
