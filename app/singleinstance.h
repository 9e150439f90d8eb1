#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// One running copy per user and settings file: the port is the first copy's alone. A
// second start finds the first through a lock file and a local socket in the user's runtime
// folder, asks it to show its window, and ends. A lock left by a copy that crashed is taken
// over, so it never stops the next start.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // key tells apart copies that must not share a port and settings: the settings file.
    SingleInstance(const QString &runtimeFolder, const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy; it then listens for later starts. Otherwise another
    // copy runs: it has been asked to show its window (trying for up to timeoutMs while it
    // may still be starting) and this one should end without touching the port.
    bool claim(int timeoutMs = 5000);

signals:
    // A later start asked this copy to show its window.
    void showRequested();

private:
    bool askRunningCopyToShow(int timeoutMs) const;

    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
