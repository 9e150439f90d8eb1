#include "history/trackingrecord.h"
#include "programs.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The process number a lock file names; 0 when none.
qint64 lockOwner(const QString &path)
{
    return fileBytes(path).split('\n').constFirst().toLongLong();
}

// The lock file that a copy whose settings lie in dir makes in folder.
QString lockPath(const QString &folder, const QString &dir)
{
    const QByteArray settings = (dir + QStringLiteral("/config/VALTORA/VALTORA.conf")).toUtf8();
    return folder + QStringLiteral("/valtora-")
        + QString::fromLatin1(
               QCryptographicHash::hash(settings, QCryptographicHash::Sha1).toHex().left(12))
        + QStringLiteral(".lock");
}

} // namespace

// Hostile files and folders around the real program, each copy in a folder of its own.
class TestEndToEndAttacks : public QObject
{
    Q_OBJECT
private slots:
    // Each attack is met with a clear error or a quiet recovery: never a hang, a lost or
    // glued record, or a start that ends without a word.
    void attackLeavesTheProgramSound_data()
    {
        QTest::addColumn<QString>("attack");
        QTest::newRow("pipe as tracking.csv") << "pipe";
        QTest::newRow("full file system") << "full";
        QTest::newRow("empty lock file") << "empty lock";
        QTest::newRow("garbage lock file") << "garbage lock";
        QTest::newRow("lock of a stopped copy") << "stopped copy";
        QTest::newRow("runtime folder of another user") << "shared runtime";
    }
    void attackLeavesTheProgramSound()
    {
        QFETCH(QString, attack);
        ProgramCopy copy;
        const QString data = copy.path("data/VALTORA/VALTORA");
        const QString tracking = data + QStringLiteral("/tracking.csv");
        QVERIFY(QDir().mkpath(data));
        QString lockFolder = copy.path("runtime");
        std::function<void(QProcessEnvironment &)> adjust;
        if (attack == u"pipe") {
            QCOMPARE(mkfifo(QFile::encodeName(tracking), 0600), 0);
        } else if (attack == u"full") {
            // No file may grow past 700 bytes: the tracking file fills after a few records.
            copy.valtora.setChildProcessModifier([] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit { 700, 700 };
                setrlimit(RLIMIT_FSIZE, &limit);
            });
        } else if (attack.endsWith(u"lock")) {
            QDir().mkpath(lockFolder);
            QFile lock(lockPath(lockFolder, copy.dir.path()));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(attack == u"empty lock" ? "" : "garbage\n\x01\x02");
        } else if (attack == u"shared runtime") {
            // Made by another user first and open to all: never used.
            const QString shared = copy.path("shared");
            QVERIFY(QDir().mkpath(shared));
            QVERIFY(::chown(QFile::encodeName(shared), 65534, 65534) == 0
                    && ::chmod(QFile::encodeName(shared), 0777) == 0);
            adjust = [shared](QProcessEnvironment &environment) {
                environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), shared);
            };
            lockFolder = copy.path("cache/VALTORA");
        }
        QVERIFY(copy.start(QStringLiteral("simulated"), 1, {}, adjust));
        const QString lock = lockPath(lockFolder, copy.dir.path());
        QTRY_COMPARE_WITH_TIMEOUT(lockOwner(lock), copy.valtora.processId(), 10000);

        if (attack == u"pipe") {
            // A correction set the clock and was logged; the window's thread still runs.
            QTRY_VERIFY_WITH_TIMEOUT(fileBytes(copy.path("logfile.txt")).contains("CHANGED"),
                                     15000);
            ::kill(pid_t(copy.valtora.processId()), SIGTERM);
            QVERIFY(copy.valtora.waitForFinished(2000));
            QCOMPARE(copy.valtora.exitCode(), 0);
        } else if (attack == u"full") {
            // Filled to within a record, then at least one more correction tried to add one.
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(tracking).size() > 700 - 90, 30000);
            QTest::qWait(2500);
            const QByteArray bytes = fileBytes(tracking);
            QVERIFY2(bytes.startsWith(QByteArray(TrackingRecord::kHeader) + '\n')
                         && bytes.endsWith('\n'),
                     bytes.constData());
            const QList<QByteArray> lines = bytes.trimmed().split('\n');
            for (const QByteArray &line : lines.mid(1)) {
                QVERIFY2(TrackingRecord::fromLine(QString::fromUtf8(line)), line.constData());
            }
            for (const QByteArray &line : fileBytes(copy.path("logfile.txt")).split('\n')) {
                QVERIFY2(line.isEmpty() || (line.startsWith('"') && line.endsWith("\"\r")),
                         line.constData());
            }
        } else if (attack == u"stopped copy") {
            // Its lock is taken over, and what it held stays with the new copy.
            ::kill(pid_t(copy.valtora.processId()), SIGSTOP);
            ProgramProcess second;
            second.setProcessEnvironment(copy.valtora.processEnvironment());
            second.start(copy.valtora.program(), {});
            QTRY_COMPARE_WITH_TIMEOUT(lockOwner(lock), second.processId(), 10000);
            QCOMPARE(second.state(), QProcess::Running);
            ::kill(pid_t(copy.valtora.processId()), SIGCONT);
        } else if (attack == u"shared runtime") {
            QVERIFY(QDir(copy.path("shared")).isEmpty());
            QCOMPARE(QFileInfo(lockFolder).permissions() & 0x0077, 0);
            QTRY_VERIFY(QFileInfo::exists(lock.chopped(4) + QStringLiteral("socket")));
        }
    }

    // A copy with a file capability (a harmless one stands in for the clock right) started by
    // another user loads no plugin of that user's choosing, by any route, and never has the
    // right in effect. Each route is shown to work for the same copy without the capability.
    void fileCapabilityGrantsTheUserNothing_data()
    {
        QTest::addColumn<QString>("route");
        QTest::newRow("plugin variables") << "variables";
        QTest::newRow("beside the program") << "beside";
        QTest::newRow("qt.conf beside the program") << "qt.conf";
    }
    void fileCapabilityGrantsTheUserNothing()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setcap")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
            QSKIP("Needs the administrator, setcap and setpriv to start a copy as another user.");
        }
        QFETCH(QString, route);
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("valtora"));
        const QString home = dir.filePath(QStringLiteral("home"));
        const QString mark = dir.filePath(QStringLiteral("home/loaded"));
        // The other user must reach the copy and its plugin folder, and write in its home.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)));
        QVERIFY(QFile::copy(programPath(QStringLiteral("valtora")), copy));
        const QString plugins
            = route == u"beside" ? dir.path() : dir.filePath(QStringLiteral("plugins"));
        QVERIFY(QDir().mkpath(plugins + QStringLiteral("/generic")));
        QVERIFY(QFile::copy(qEnvironmentVariable("VALTORA_PROBE_PLUGIN"),
                            plugins + QStringLiteral("/generic/libprobe.so")));
        QFile configuration(dir.filePath(QStringLiteral("qt.conf")));
        QVERIFY(route != u"qt.conf"
                || (configuration.open(QIODevice::WriteOnly)
                    && configuration.write("[Paths]\nPlugins=" + plugins.toUtf8() + '\n') > 0));
        configuration.close();
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QFile::setPermissions(home, QFile::Permissions(0x7777)));
        const auto startAsOtherUser = [&](QProcess &process, const QString &clock) {
            // It may not enter the private runtime folder, so it goes without one.
            QProcessEnvironment environment = programEnvironment(home, clock);
            environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            environment.insert(QStringLiteral("HOME"), home);
            QStringList arguments { QStringLiteral("--reuid=65534"),
                                    QStringLiteral("--regid=65534"),
                                    QStringLiteral("--clear-groups"), copy };
            if (route == u"variables") {
                environment.insert(QStringLiteral("QT_PLUGIN_PATH"), plugins);
                environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
                                   QStringLiteral("valtoraprobe"));
            } else {
                arguments << QStringLiteral("-plugin") << QStringLiteral("valtoraprobe");
            }
            if (route == u"qt.conf") {
                // Its folder takes the place of Qt's own, where the display plugins are.
                environment.insert(QStringLiteral("QT_PLUGIN_PATH"),
                                   QLibraryInfo::path(QLibraryInfo::PluginsPath));
            }
            environment.insert(QStringLiteral("VALTORA_PROBE_MARKER"), mark);
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(home);
            process.start(QStringLiteral("setpriv"), arguments);
        };
        for (const bool capability : { false, true }) {
            if (capability) {
                QCOMPARE(QProcess::execute(QStringLiteral("setcap"),
                                           { QStringLiteral("cap_net_bind_service+ep"), copy }),
                         0);
            }
            ProgramProcess refused;
            startAsOtherUser(refused, QStringLiteral("bogus"));
            QVERIFY(refused.waitForFinished(15000));
            QCOMPARE(refused.exitCode(), 2);
            QCOMPARE(QFile::remove(mark), !capability);
        }

        ProgramProcess valtora;
        startAsOtherUser(valtora, QStringLiteral("simulated"));
        QVERIFY(valtora.waitForStarted());
        QTest::qWait(1500); // well into the start-up
        const QString status = QStringLiteral("/proc/%1/status").arg(valtora.processId());
        QCOMPARE(statusField(status, "CapEff:"), QByteArray("0000000000000000"));
        // Only the clock right would be kept; the stand-in is dropped altogether.
        QCOMPARE(statusField(status, "CapPrm:"), QByteArray("0000000000000000"));
        QVERIFY(!QFile::exists(mark));
    }
};

QTEST_GUILESS_MAIN(TestEndToEndAttacks)
#include "test_e2e_attacks.moc"
