#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <memory>

class QLockFile;

// One running copy per user and settings file: the port is the first copy's alone. A
// second start finds the first through a lock file and a local socket in a folder of the
// user's own, asks it to show its window, says so and ends. A lock whose owner does not
// answer within a second (a copy that crashed or hangs, a damaged lock file) is taken over,
// so it never stops a start.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // key tells apart copies that must not share a port and settings: the settings file.
    SingleInstance(const QString &folder, const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Where the lock and the socket go: on Windows the user's local application data; else
    // the user's runtime folder when it is the user's own and closed to others, or else a
    // folder in the user's cache made for them. Created when missing; empty when no such
    // folder can be had.
    static QString userFolder();

    // True when this copy goes on: it is the first, or the lock's owner did not answer within
    // answerMs and the lock was taken over; it then answers later starts. False when another
    // copy answered: it was asked to show its window, and this one should end without
    // touching the port.
    bool claim(int answerMs = 1000);

signals:
    // A later start asked this copy to show its window.
    void showRequested();

private:
    bool askRunningCopyToShow(int answerMs) const;
    void listen();

    QString m_lockPath;
    QString m_socketName;
    std::unique_ptr<QLockFile> m_lock;
    // The socket is answered on a thread of its own, so that a copy busy starting up still
    // answers at once and is never taken for one that hangs.
    QThread m_listenerThread;
    QObject *m_listener = nullptr;
};
