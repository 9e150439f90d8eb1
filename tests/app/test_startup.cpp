#include "app/commandline.h"
#include "app/othertimeservice.h"
#include "app/singleinstance.h"

#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// systemd's time and date service as far as the question goes.
class FakeTimedate : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
    Q_PROPERTY(bool NTP MEMBER ntp)
public:
    bool ntp = false;
};

} // namespace

// What the program settles before its window: the command line, whether a copy runs
// already, and whether another service keeps the clock.
class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    // Our options answer and end the program, Qt's own start it; a mistake is named, and so is
    // a folder of plugins of the user's choosing, even hidden as another option's value.
    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode"); // -1: the program starts
        QTest::addColumn<QString>("message"); // the output's first line, or the mistake
        QTest::newRow("-v") << "-v" << 0 << "VALTORA " VALTORA_PROJECT_VERSION "\n";
        QTest::newRow("-h before an unknown word") << "-h -style Fusion" << 0 << "Usage: valtora";
        QTest::newRow("an argument") << "now" << 2 << "unexpected argument 'now'.";
        QTest::newRow("Qt's options") << "-style Fusion -platform xcb -reverse" << -1 << "";
        QTest::newRow("login start") << "--autostart" << -1 << "";
        QTest::newRow("a folder of plugins")
            << "-platformpluginpath /tmp" << 2 << "Unknown option 'platformpluginpath'.";
        QTest::newRow("an option hidden as a value")
            << "-style -platformpluginpath -style /tmp" << 2
            << "-style wants a value, not '-platformpluginpath'.";
        QTest::newRow("Qt's option without its value")
            << "-style" << 2 << "Missing value after '-style'.";
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const CommandLine::Answer answer = CommandLine::answer(
            QStringList { QStringLiteral("/usr/bin/valtora") } + arguments.split(u' '));
        QCOMPARE(answer.exitCode.value_or(-1), exitCode);
        QCOMPARE(answer.autostart, arguments == u"--autostart");
        QCOMPARE(answer.error,
                 exitCode == 2 ? "valtora: " + message + "\nTry 'valtora --help'.\n" : QString());
        // The usage names our options only.
        QVERIFY2(exitCode == 0
                     ? answer.output.startsWith(message) && !answer.output.contains(u"style")
                     : answer.output.isEmpty(),
                 qPrintable(answer.output));
    }

    // One copy per user and settings file, through a real lock file and local socket; what a
    // crashed copy left (its lock, naming a process that is gone) does not count.
    void oneCopyPerUserAndSettingsFile()
    {
        QTemporaryDir runtime;
        const QString settings = QStringLiteral("/home/u/.config/VALTORA.conf");
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 deadPid = gone.processId(); // known only while it runs
        QVERIFY(gone.waitForFinished());
        QString lockPath;
        {
            SingleInstance crashed(runtime.path(), settings);
            QVERIFY(crashed.claim());
            const QStringList locks = QDir(runtime.path()).entryList({ QStringLiteral("*.lock") });
            QCOMPARE(locks.size(), 1);
            lockPath = QDir(runtime.path()).filePath(locks.first());
        }
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\nvaltora\n"
                   + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance first(runtime.path(), settings);
        QVERIFY(first.claim(500));
        QSignalSpy shows(&first, &SingleInstance::showRequested);
        SingleInstance second(runtime.path(), settings);
        QVERIFY(!second.claim(2000));
        QTRY_COMPARE(shows.size(), 1);
        SingleInstance other(runtime.path(), QStringLiteral("/tmp/demo/VALTORA.conf"));
        QVERIFY(other.claim());
    }

    // Asked over a real message bus of this test's own.
    void otherTimeServiceAnswers()
    {
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"),
                  { QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1") });
        QVERIFY2(bus.waitForReadyRead(5000), qPrintable(bus.errorString()));
        const auto stopBus = qScopeGuard([&bus] {
            bus.terminate();
            bus.waitForFinished(3000);
        });
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        const QString timedate = QStringLiteral("org.freedesktop.timedate1");
        QDBusConnection serviceBus = QDBusConnection::connectToBus(address, QStringLiteral("s"));
        FakeTimedate service;
        QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/timedate1"), &service,
                                          QDBusConnection::ExportAllProperties));
        QVERIFY(serviceBus.registerService(timedate));
        for (const int ntp : { 1, 0, -1 }) { // -1: no such service on the bus
            service.ntp = ntp == 1;
            QVERIFY(ntp >= 0 || serviceBus.unregisterService(timedate));
            OtherTimeService other;
            QSignalSpy answers(&other, &OtherTimeService::answered);
            other.ask(QDBusConnection::connectToBus(address, QStringLiteral("asking")));
            QVERIFY(answers.wait(OtherTimeService::kTimeoutMs + 1000));
            QCOMPARE(answers.at(0).at(0).toBool(), ntp == 1);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("s"));
        QDBusConnection::disconnectFromBus(QStringLiteral("asking"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
