#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>

// Where the built programs are: the test command tells through VALTORA_BIN_DIR.
inline QString programPath(const QString &name)
{
    QString directory = qEnvironmentVariable("VALTORA_BIN_DIR");
    if (directory.isEmpty()) {
        directory = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    }
    return QDir(directory).absoluteFilePath(name);
}

// The receiver simulator on a pseudo-terminal behind a link, ended when the test ends.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QString &linkPath, const QStringList &extraArguments = {})
        : m_linkPath(linkPath)
    {
        m_process.setProgram(programPath(QStringLiteral("valtora-sim")));
        m_process.setArguments(QStringList { QStringLiteral("--link"), linkPath } + extraArguments);
        m_process.start();
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
            if (!m_process.waitForFinished(3000)) {
                m_process.kill();
                m_process.waitForFinished(3000);
            }
        }
    }

private:
    QString m_linkPath;
    QProcess m_process;
};
