#include "app/othertimeservice.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

// systemd's time and date service as far as the question goes.
class FakeTimedate : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
    Q_PROPERTY(bool NTP READ ntp)
public:
    explicit FakeTimedate(bool ntp)
        : m_ntp(ntp)
    {
    }
    bool ntp() const { return m_ntp; }

private:
    bool m_ntp;
};

} // namespace

// The question over a real message bus of this test's own.
class TestOtherTimeService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_bus.start(QStringLiteral("dbus-daemon"),
                    { QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1") });
        QVERIFY2(m_bus.waitForReadyRead(5000), qPrintable(m_bus.errorString()));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }
    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished(3000);
    }

    void answer_data()
    {
        QTest::addColumn<int>("service"); // -1: none on the bus, else its NTP
        QTest::addColumn<bool>("active");
        QTest::newRow("network time on") << 1 << true;
        QTest::newRow("network time off") << 0 << false;
        QTest::newRow("no such service") << -1 << false;
    }
    void answer()
    {
        QFETCH(int, service);
        const QString serviceName = QString::fromLatin1(QTest::currentDataTag()) + " service";
        const QString askingName = QString::fromLatin1(QTest::currentDataTag()) + " asking";
        QDBusConnection serviceBus = QDBusConnection::connectToBus(m_address, serviceName);
        FakeTimedate timedate(service == 1);
        if (service >= 0) {
            QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/timedate1"),
                                              &timedate, QDBusConnection::ExportAllProperties));
            QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.timedate1")));
        }
        QDBusConnection asking = QDBusConnection::connectToBus(m_address, askingName);
        OtherTimeService other;
        QSignalSpy answers(&other, &OtherTimeService::answered);
        other.ask(asking);
        QVERIFY(answers.wait(OtherTimeService::kTimeoutMs + 1000));
        QTEST(answers.at(0).at(0).toBool(), "active");
        serviceBus.unregisterService(QStringLiteral("org.freedesktop.timedate1"));
        QDBusConnection::disconnectFromBus(serviceName);
        QDBusConnection::disconnectFromBus(askingName);
    }

private:
    QProcess m_bus;
    QString m_address;
};

QTEST_GUILESS_MAIN(TestOtherTimeService)
#include "test_othertimeservice.moc"
