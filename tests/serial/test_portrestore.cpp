#include "ptyport.h"
#include "serial/portrestore.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

class TestPortRestore : public QObject
{
    Q_OBJECT
    std::unique_ptr<PtyPort> m_f;
    MSComm1 *m_port = nullptr;

private slots:
    void init()
    {
        m_f = std::make_unique<PtyPort>();
        QVERIFY(m_f->pty.isValid());
        m_port = &m_f->port;
    }
    void cleanup() { m_f.reset(); }

    // Stored: portSettings, CommPort, Handshaking, Echo ("" = key absent). The port starts
    // at 1, 9600,n,8,1, handshaking 0; the echo flag starts set. Each refused key is skipped.
    void restoresEachKey_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<bool>("echo");
        const QString initial = u"9600,n,8,1"_s;
        QTest::newRow("nothing stored")
            << QStringList { "", "", "", "" } << initial << 1 << 0 << true;
        QTest::newRow("all stored") << QStringList { "19200,E,7,2", "3", "1", "False" }
                                    << u"19200,e,7,2"_s << 3 << 1 << false;
        QTest::newRow("refused settings, rest restored")
            << QStringList { "76800,n,8,1", "5", "2", "True" } << initial << 5 << 2 << true;
        QTest::newRow("port text without number")
            << QStringList { "", "abc", "3", "" } << initial << 1 << 3 << true;
        QTest::newRow("port half to even")
            << QStringList { "", "2.5", "", "" } << initial << 2 << 0 << true;
        QTest::newRow("port beyond 16 bits")
            << QStringList { "", "40000", "", "" } << initial << 1 << 0 << true;
        QTest::newRow("port zero refused")
            << QStringList { "", "0", "", "" } << initial << 1 << 0 << true;
        QTest::newRow("leading blanks and letters")
            << QStringList { "", " 12com", " 1x", "" } << initial << 12 << 1 << true;
        QTest::newRow("handshaking out of range")
            << QStringList { "", "", "7", "" } << initial << 1 << 0 << true;
        QTest::newRow("echo not a Boolean")
            << QStringList { "", "", "", "maybe" } << initial << 1 << 0 << true;
        QTest::newRow("echo as number 0")
            << QStringList { "", "", "", "0" } << initial << 1 << 0 << false;
    }
    void restoresEachKey()
    {
        QFETCH(QStringList, stored);
        const char *keys[] = { "portSettings", "CommPort", "Handshaking", "Echo" };
        for (int index = 0; index < 4; ++index) {
            if (!stored.at(index).isEmpty()) {
                m_f->store.setValue(QString::fromLatin1(SettingsStore::kPropertiesSection),
                                    QLatin1String(keys[index]), stored.at(index));
            }
        }
        QCOMPARE(m_port->setInBufferSize(100), Outcome());
        bool echo = true;
        restorePortSettings(*m_port, m_f->store, echo);
        QTEST(m_port->settings(), "settings");
        QTEST(int(m_port->commPort()), "port");
        QTEST(int(m_port->handshaking()), "handshaking");
        QTEST(echo, "echo");
        QCOMPARE(m_port->inBufferSize(), qint16(1024));
    }

    void openAndArm()
    {
        QCOMPARE(m_port->setCommPort(PtyPort::kPtyPort), Outcome());
        QCOMPARE(m_port->setInputMode(1), Outcome());
        QCOMPARE(m_port->setInputLen(5), Outcome());
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        QVERIFY(m_port->portOpen());
        QCOMPARE(m_port->inputLen(), qint16(0));
        QCOMPARE(m_port->inputMode(), 0);
        QCOMPARE(m_port->rThreshold(), qint16(1));
        // Armed: the first byte raises the receive event.
        QSignalSpy events(m_port, &MSComm1::onComm);
        QVERIFY(m_f->pty.write(QByteArray(1, char(0xAA))));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(), 1, 2000);
        QCOMPARE(m_port->input(), QByteArray(1, char(0xAA)));
        // It toggles: a second call closes the port.
        QCOMPARE(OPENCOMM2(*m_port), Outcome());
        QVERIFY(!m_port->portOpen());
    }

    void openFailureIsReturnedAndArmingStillRuns()
    {
        m_f->mapPort(9, m_f->missingDevice());
        QCOMPARE(m_port->setCommPort(9), Outcome());
        QCOMPARE(m_port->setInputMode(1), Outcome());
        const Outcome opened = OPENCOMM2(*m_port);
        QVERIFY(opened);
        QCOMPARE(opened->number, MSComm1::kErrorInvalidPort);
        QCOMPARE(opened->text, u"No such file or directory"_s);
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->inputMode(), 0);
        QCOMPARE(m_port->rThreshold(), qint16(1));
    }
};

QTEST_GUILESS_MAIN(TestPortRestore)
#include "test_portrestore.moc"
