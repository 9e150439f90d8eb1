#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");

} // namespace

SingleInstance::SingleInstance(const QString &runtimeFolder, const QString &key, QObject *parent)
    : QObject(parent)
{
    // A short name: a local socket's path has a small limit.
    const QString name
        = QStringLiteral("valtora-")
        + QString::fromLatin1(
              QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    QDir().mkpath(runtimeFolder);
    m_lockPath = QDir(runtimeFolder).filePath(name + QStringLiteral(".lock"));
    m_socketPath = QDir(runtimeFolder).filePath(name + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(int timeoutMs)
{
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Stale only when its owner is gone, however old it is: a copy may run for months.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError) {
            // Held by a copy that runs: the port is its own, whether or not it answers.
            askRunningCopyToShow(timeoutMs);
            return false;
        }
        // The runtime folder cannot be written: better two copies than none.
        return true;
    }
    // A socket file left by a crashed copy would stop the server from listening.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kShowRequest.trimmed())) {
                    emit showRequested();
                }
            });
        }
    });
    m_server->listen(m_socketPath);
    return true;
}

bool SingleInstance::askRunningCopyToShow(int timeoutMs) const
{
    // The first copy may still be starting and not listen yet.
    const QDeadlineTimer deadline(timeoutMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(500)) {
            socket.write(kShowRequest);
            const bool sent = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return sent;
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}
