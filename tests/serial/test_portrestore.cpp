#include "common/settingsstore.h"
#include "pseudoterminal.h"
#include "serial/mscomm1.h"
#include "serial/portrestore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {
constexpr int kPtyPort = 3;
const QString kProperties = QString::fromLatin1(SettingsStore::kPropertiesSection);
} // namespace

class TestPortRestore : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<MSComm1> m_port;

private slots:
    void init()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("store.ini")));
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("store.ini")));
        m_port = std::make_unique<MSComm1>(*m_store);
    }
    void cleanup()
    {
        m_port.reset();
        m_store.reset();
    }

    void firstRunKeepsInitialValues()
    {
        bool echo = false;
        QVERIFY(m_port->setInBufferSize(100) == Outcome());
        restorePortSettings(*m_port, *m_store, echo);
        QCOMPARE(m_port->settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_port->commPort(), qint16(1));
        QCOMPARE(m_port->handshaking(), 0);
        QCOMPARE(m_port->inBufferSize(), qint16(1024));
        QCOMPARE(echo, false);
    }

    void restoresEachKey_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("handshaking");
        QTest::addColumn<QString>("echoText");
        QTest::addColumn<QString>("expectedSettings");
        QTest::addColumn<int>("expectedPort");
        QTest::addColumn<int>("expectedHandshaking");
        QTest::addColumn<bool>("expectedEcho");
        // The port starts at 1, 9600,n,8,1, handshaking 0; the echo flag starts set.
        QTest::newRow("all stored") << "19200,E,7,2"
                                    << "3"
                                    << "1"
                                    << "False"
                                    << "19200,e,7,2" << 3 << 1 << false;
        QTest::newRow("refused settings, rest restored") << "76800,n,8,1"
                                                         << "5"
                                                         << "2"
                                                         << "True"
                                                         << "9600,n,8,1" << 5 << 2 << true;
        QTest::newRow("port text without number") << ""
                                                  << "abc"
                                                  << "3"
                                                  << ""
                                                  << "9600,n,8,1" << 1 << 3 << true;
        QTest::newRow("port half to even") << ""
                                           << "2.5"
                                           << ""
                                           << ""
                                           << "9600,n,8,1" << 2 << 0 << true;
        QTest::newRow("port beyond 16 bits") << ""
                                             << "40000"
                                             << ""
                                             << ""
                                             << "9600,n,8,1" << 1 << 0 << true;
        QTest::newRow("port zero refused") << ""
                                           << "0"
                                           << ""
                                           << ""
                                           << "9600,n,8,1" << 1 << 0 << true;
        QTest::newRow("leading blanks and letters") << ""
                                                    << " 12com"
                                                    << " 1x"
                                                    << ""
                                                    << "9600,n,8,1" << 12 << 1 << true;
        QTest::newRow("handshaking out of range") << ""
                                                  << ""
                                                  << "7"
                                                  << ""
                                                  << "9600,n,8,1" << 1 << 0 << true;
        QTest::newRow("echo not a Boolean") << ""
                                            << ""
                                            << ""
                                            << "maybe"
                                            << "9600,n,8,1" << 1 << 0 << true;
        QTest::newRow("echo as number 0") << ""
                                          << ""
                                          << ""
                                          << "0"
                                          << "9600,n,8,1" << 1 << 0 << false;
    }
    void restoresEachKey()
    {
        QFETCH(QString, settings);
        QFETCH(QString, port);
        QFETCH(QString, handshaking);
        QFETCH(QString, echoText);
        const auto put = [this](const char *key, const QString &text) {
            if (!text.isEmpty()) {
                m_store->setValue(kProperties, QLatin1String(key), text);
            }
        };
        put("portSettings", settings);
        put("CommPort", port);
        put("Handshaking", handshaking);
        put("Echo", echoText);
        bool echo = true;
        restorePortSettings(*m_port, *m_store, echo);
        QTEST(m_port->settings(), "expectedSettings");
        QTEST(int(m_port->commPort()), "expectedPort");
        QTEST(int(m_port->handshaking()), "expectedHandshaking");
        QTEST(echo, "expectedEcho");
        QCOMPARE(m_port->inBufferSize(), qint16(1024));
    }

    void openAndArm()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        m_store->setValue(QLatin1String(SettingsStore::kPortsSection),
                          QStringLiteral("Com%1").arg(kPtyPort), pty.linkPath());
        QCOMPARE(m_port->setCommPort(kPtyPort), Outcome());
        QCOMPARE(m_port->setInputMode(1), Outcome());
        QCOMPARE(m_port->setInputLen(5), Outcome());
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        QVERIFY(m_port->portOpen());
        QCOMPARE(m_port->inputLen(), qint16(0));
        QCOMPARE(m_port->inputMode(), 0);
        QCOMPARE(m_port->rThreshold(), qint16(1));
        // Armed: the first byte raises the receive event.
        QSignalSpy events(m_port.get(), &MSComm1::onComm);
        QVERIFY(pty.write(QByteArray(1, char(0xAA))));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
        QCOMPARE(m_port->input(), QByteArray(1, char(0xAA)));
        // It toggles: a second call closes the port.
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        QVERIFY(!m_port->portOpen());
    }

    void openFailureIsReturnedAndArmingStillRuns()
    {
        m_store->setValue(QLatin1String(SettingsStore::kPortsSection), QStringLiteral("Com9"),
                          m_dir.filePath(QStringLiteral("missing")));
        QCOMPARE(m_port->setCommPort(9), Outcome());
        QCOMPARE(m_port->setInputMode(1), Outcome());
        const Outcome opened = OPENCOMM2(*m_port);
        QVERIFY(opened);
        QCOMPARE(opened->number, MSComm1::kErrorInvalidPort);
        QVERIFY(!opened->text.isEmpty());
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->inputMode(), 0);
        QCOMPARE(m_port->rThreshold(), qint16(1));
    }
};

QTEST_GUILESS_MAIN(TestPortRestore)
#include "test_portrestore.moc"
