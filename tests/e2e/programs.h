#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// Where the built programs are: the test command tells through VALTORA_BIN_DIR.
inline QString programPath(const QString &name)
{
    const QString besideTests = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    return QDir(qEnvironmentVariable("VALTORA_BIN_DIR", besideTests)).absoluteFilePath(name);
}

// A started program, ended by SIGTERM when the test ends (QProcess kills one that stays).
class ProgramProcess : public QProcess
{
public:
    ~ProgramProcess() override { stop(); }
    void stop()
    {
        terminate();
        waitForFinished(3000);
    }
};

// The receiver simulator on a pseudo-terminal behind link, once the link is there.
inline bool startSimulator(QProcess &simulator, const QString &link,
                           const QStringList &options = {})
{
    simulator.start(programPath(QStringLiteral("valtora-sim")),
                    QStringList { QStringLiteral("--link"), link } + options);
    return QTest::qWaitFor([&link] { return QFile::exists(link); }, 5000);
}

// Folders of its own under dir (one copy runs per user) and the clock named by VALTORA_CLOCK.
inline QProcessEnvironment programEnvironment(const QString &dir, const QString &clockSetting)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir + QStringLiteral("/cache"));
    QDir().mkpath(dir + QStringLiteral("/runtime"));
    QFile::setPermissions(dir + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("VALTORA_CLOCK"), clockSetting);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// A copy of valtora in a folder of its own (its logfile.txt goes there) reading the simulator.
struct ProgramCopy
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyReceiver"));
    ProgramProcess simulator;
    ProgramProcess valtora;

    // Correction every so many seconds, when not 0.
    // adjust, when given, changes the program's environment before it starts.
    bool start(const QString &clockSetting, int correctionSeconds = 0,
               QList<QPair<QString, QString>> settings = {},
               const std::function<void(QProcessEnvironment &)> &adjust = {})
    {
        settings.append({ QStringLiteral("Ports/Com1"), link });
        if (correctionSeconds != 0) {
            settings.append({ QStringLiteral("Properties/jiaoshiflag"), QStringLiteral("1") });
            settings.append(
                { QStringLiteral("Properties/jiaoshimiao"), QString::number(correctionSeconds) });
        }
        QSettings file(dir.filePath(QStringLiteral("config/VALTORA/VALTORA.conf")),
                       QSettings::IniFormat);
        for (const auto &[key, value] : settings) {
            file.setValue(key, value);
        }
        file.sync();
        if (!startSimulator(simulator, link)
            || !QFile::copy(programPath(QStringLiteral("valtora")), path("valtora"))) {
            return false;
        }
        QProcessEnvironment environment = programEnvironment(dir.path(), clockSetting);
        if (adjust) {
            adjust(environment);
        }
        valtora.setProcessEnvironment(environment);
        valtora.start(path("valtora"), {});
        return valtora.waitForStarted();
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

// The whole file; empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One field of a /proc/<pid>/status file, such as "CapEff:"; empty when unreadable.
inline QByteArray statusField(const QString &statusPath, const QByteArray &field)
{
    for (const QByteArray &line : fileBytes(statusPath).split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed();
        }
    }
    return {};
}

// chronyc's line for the reference clock VALT in the output of "sources", split at its commas,
// such as "#,*,VALT,0,2,377,1,-0.000012,-0.000012,0.001000" (state, ..., offset in seconds);
// empty when chrony lists no such source.
inline QList<QByteArray> valtoraSource(const QByteArray &sources)
{
    for (const QByteArray &line : sources.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 10 && fields.at(2) == "VALT") {
            return fields;
        }
    }
    return {};
}
