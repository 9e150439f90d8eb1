#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShownAnswer = QByteArrayLiteral("shown\n");

// A folder that no other user can enter or replace: a real folder, not a link, owned by this
// user, with no rights for anyone else.
bool isOwnFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const QFileInfo folder(path);
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
        | QFileDevice::ExeOther;
    return !path.isEmpty() && folder.isDir() && !folder.isSymLink()
        && folder.ownerId() == ::geteuid() && (folder.permissions() & others) == 0;
#else
    return !path.isEmpty() && QFileInfo(path).isDir();
#endif
}

} // namespace

QString SingleInstance::userFolder()
{
#ifdef Q_OS_WIN
    // Inside the user's profile, which only the user may enter.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    return isOwnFolder(folder) ? folder : QString();
#else
    // Not Qt's runtime location: without XDG_RUNTIME_DIR it falls back to a fixed name in
    // /tmp that another user may have made first.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isOwnFolder(runtime)) {
        return runtime;
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) {
        return QString();
    }
    const QString folder = QDir(cache).filePath(QStringLiteral("VALTORA"));
    if (QDir().mkpath(folder)) {
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return isOwnFolder(folder) ? folder : QString();
#endif
}

SingleInstance::SingleInstance(const QString &folder, const QString &key, QObject *parent)
    : QObject(parent)
{
    if (folder.isEmpty()) {
        return; // no lock: better two copies than none
    }
    // A short name: a local socket's path has a small limit. On Windows the socket is a
    // named pipe, whose names all users share: the user's folder goes into its name too.
    const QString hashed
        = QStringLiteral("valtora-")
        + QString::fromLatin1(
              QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    m_lockPath = QDir(folder).filePath(hashed + QStringLiteral(".lock"));
#ifdef Q_OS_WIN
    m_socketName = QStringLiteral("valtora-")
        + QString::fromLatin1(QCryptographicHash::hash((folder + u'|' + key).toUtf8(),
                                                       QCryptographicHash::Sha1)
                                  .toHex()
                                  .left(24));
#else
    m_socketName = QDir(folder).filePath(hashed + QStringLiteral(".socket"));
#endif
}

SingleInstance::~SingleInstance()
{
    m_listenerThread.quit();
    m_listenerThread.wait();
}

bool SingleInstance::claim(int answerMs)
{
    if (m_lockPath.isEmpty()) {
        return true;
    }
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Stale only when its owner does not answer, however old it is: a copy may run for months.
    m_lock->setStaleLockTime(0);
    // Twice: a copy that starts at the same moment may take a lock given up as stale first.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_lock->tryLock(0)) {
            listen();
            return true;
        }
        if (m_lock->error() != QLockFile::LockFailedError) {
            // The folder cannot be written: better two copies than none.
            return true;
        }
        if (askRunningCopyToShow(answerMs)) {
            return false;
        }
        // Nobody answers for the lock: a damaged file, a copy that crashed or hangs, another
        // program with a reused process number. Taken over, whoever may still hold it.
        QFile::remove(m_lockPath);
    }
    return true;
}

void SingleInstance::listen()
{
    m_listener = new QObject;
    m_listener->moveToThread(&m_listenerThread);
    connect(&m_listenerThread, &QThread::finished, m_listener, &QObject::deleteLater);
    m_listenerThread.setObjectName(QStringLiteral("one-copy listener"));
    m_listenerThread.start();
    QMetaObject::invokeMethod(
        m_listener,
        [this] {
            // A socket file left by a copy that crashed would stop the server from listening.
            QLocalServer::removeServer(m_socketName);
            auto *server = new QLocalServer(m_listener);
            server->setSocketOptions(QLocalServer::UserAccessOption);
            connect(server, &QLocalServer::newConnection, server, [this, server] {
                while (QLocalSocket *socket = server->nextPendingConnection()) {
                    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                        if (socket->readAll().contains(kShowRequest.trimmed())) {
                            socket->write(kShownAnswer);
                            socket->flush();
                            emit showRequested();
                        }
                    });
                }
            });
            server->listen(m_socketName);
        },
        Qt::BlockingQueuedConnection);
}

bool SingleInstance::askRunningCopyToShow(int answerMs) const
{
    const QDeadlineTimer deadline(answerMs);
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        return false;
    }
    socket.write(kShowRequest);
    socket.flush();
    // Only an answer counts: a copy that hangs may still have its socket accept.
    while (!socket.canReadLine() && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
            break;
        }
    }
    return socket.canReadLine() && socket.readLine() == kShownAnswer;
}
