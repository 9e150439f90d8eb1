#include "programs.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <unistd.h>

// The program with a file capability, started by another user, the way an installed copy
// that may set the clock runs: no plugin of that user's choosing is loaded, and the right is
// never in effect outside the clock-setting call. A harmless capability stands in for the
// clock right, which the test command withholds.
class TestEndToEndRights : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setcap")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
            QSKIP("Needs the administrator, setcap and setpriv to start a copy as another user.");
        }
        QVERIFY(m_dir.isValid());
        // The other user must reach the copy, its plugin folder and the folder for marks.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::Permissions(0x7755)));
        QVERIFY(QFile::copy(programPath(QStringLiteral("valtora")), copyPath()));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("plugins/generic"))));
        QVERIFY(QFile::copy(qEnvironmentVariable("VALTORA_PROBE_PLUGIN"),
                            m_dir.filePath(QStringLiteral("plugins/generic/libprobe.so"))));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("home/config"))));
        for (const QString &folder : { QStringLiteral("home"), QStringLiteral("home/config") }) {
            QVERIFY(QFile::setPermissions(m_dir.filePath(folder), QFile::Permissions(0x7777)));
        }
    }

    void pluginOfTheUsersChoosingIsNotLoaded()
    {
        // Without the capability the probe loads: the variables do reach it.
        QCOMPARE(runAsOtherUser(QStringLiteral("bogus")), 2);
        QVERIFY(QFile::exists(markPath()));
        QVERIFY(QFile::remove(markPath()));

        setCapability(QStringLiteral("cap_net_bind_service+ep"));
        QCOMPARE(runAsOtherUser(QStringLiteral("bogus")), 2);
        QVERIFY(!QFile::exists(markPath()));
    }

    void rightIsNotInEffectWhileRunning()
    {
        setCapability(QStringLiteral("cap_net_bind_service+ep"));
        ProgramProcess valtora;
        start(valtora, QStringLiteral("simulated"));
        QVERIFY(valtora.waitForStarted());
        const QString status = QStringLiteral("/proc/%1/status").arg(valtora.processId());
        QTest::qWait(1500); // well into the start-up
        QCOMPARE(statusField(status, "CapEff:"), QByteArray("0000000000000000"));
        // Only the clock right would be kept; the stand-in is dropped altogether.
        QCOMPARE(statusField(status, "CapPrm:"), QByteArray("0000000000000000"));
    }

private:
    QString copyPath() const { return m_dir.filePath(QStringLiteral("valtora")); }
    QString markPath() const { return m_dir.filePath(QStringLiteral("home/loaded")); }

    void setCapability(const QString &capability)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("setcap"), { capability, copyPath() }), 0);
    }

    void start(QProcess &process, const QString &clock)
    {
        // The other user may not enter the private runtime folder: it goes without one.
        QProcessEnvironment environment
            = programEnvironment(m_dir.filePath(QStringLiteral("home")), clock);
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("QT_PLUGIN_PATH"),
                           m_dir.filePath(QStringLiteral("plugins")));
        environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
                           QStringLiteral("valtoraprobe"));
        environment.insert(QStringLiteral("VALTORA_PROBE_MARKER"), markPath());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.filePath(QStringLiteral("home")));
        process.start(QStringLiteral("setpriv"),
                      { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                        QStringLiteral("--clear-groups"), copyPath() });
    }

    int runAsOtherUser(const QString &clock)
    {
        ProgramProcess process;
        start(process, clock);
        return process.waitForFinished(15000) ? process.exitCode() : -1;
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestEndToEndRights)
#include "test_e2e_rights.moc"
