#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <csignal>

// Where the built programs are: the test command tells through VALTORA_BIN_DIR.
inline QString programPath(const QString &name)
{
    const QString besideTests = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    return QDir(qEnvironmentVariable("VALTORA_BIN_DIR", besideTests)).absoluteFilePath(name);
}

// A started program that is killed when the test ends, however it ends.
class ProgramProcess : public QProcess
{
public:
    ~ProgramProcess() override
    {
        kill();
        waitForFinished(3000);
    }
};

// The receiver simulator on a pseudo-terminal behind a link, ended when the test ends.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QString &linkPath, const QStringList &extraArguments = {})
        : m_linkPath(linkPath)
    {
        m_process.start(programPath(QStringLiteral("valtora-sim")),
                        QStringList { QStringLiteral("--link"), linkPath } + extraArguments);
    }
    ~SimulatorProcess() { stop(); }

    bool waitForLink(int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!QFile::exists(m_linkPath) && !deadline.hasExpired()) {
            QTest::qWait(20);
        }
        return QFile::exists(m_linkPath);
    }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGTERM);
            m_process.waitForFinished(3000);
        }
    }

private:
    QString m_linkPath;
    ProgramProcess m_process;
};

// What a started program sees: settings and data in private XDG folders under dir, a runtime
// folder of its own (one copy per user runs, and the tests run side by side), and the clock
// named by VALTORA_CLOCK.
inline QProcessEnvironment programEnvironment(const QString &dir, const QString &clockSetting)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    QDir().mkpath(dir + QStringLiteral("/runtime"));
    QFile::setPermissions(dir + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("VALTORA_CLOCK"), clockSetting);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// A copy of valtora in dir, so that its logfile.txt is written there, started with these
// settings and clock.
inline bool startCopy(QProcess &valtora, const QString &dir, const QString &clockSetting,
                      const QList<QPair<QString, QString>> &settings)
{
    QDir().mkpath(dir + QStringLiteral("/config/VALTORA"));
    QSettings file(dir + QStringLiteral("/config/VALTORA/VALTORA.conf"), QSettings::IniFormat);
    for (const auto &[key, value] : settings) {
        file.setValue(key, value);
    }
    file.sync();
    if (!QFile::copy(programPath(QStringLiteral("valtora")), dir + QStringLiteral("/valtora"))) {
        return false;
    }
    valtora.setProcessEnvironment(programEnvironment(dir, clockSetting));
    valtora.start(dir + QStringLiteral("/valtora"), {});
    return valtora.waitForStarted();
}

// One field of a /proc/<pid>/status file, such as "CapEff:"; empty when unreadable.
inline QByteArray statusField(const QString &statusPath, const QByteArray &field)
{
    QFile status(statusPath);
    if (!status.open(QIODevice::ReadOnly)) {
        return {};
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed();
        }
    }
    return {};
}
