#include "SingleInstance.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavilo {

SingleInstance::SingleInstance(AppPaths paths)
    : m_paths(std::move(paths))
{
}

SingleInstance::~SingleInstance()
{
    stopListening();
    if (m_lockFd >= 0)
        ::close(m_lockFd); // releases the lock
}

void SingleInstance::stopListening()
{
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
    QLocalServer::removeServer(QString::fromStdString(m_paths.instanceSocket().string()));
}

SingleInstance::Role SingleInstance::claim()
{
    std::error_code ec;
    std::filesystem::create_directories(m_paths.runtimeDir, ec);
    ::chmod(m_paths.runtimeDir.c_str(), 0700);
    m_lockFd = ::open(m_paths.instanceLock().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        m_error = QStringLiteral("cannot open %1: %2")
                      .arg(QString::fromStdString(m_paths.instanceLock().string()), QString::fromLocal8Bit(std::strerror(errno)));
        return Role::failed;
    }
    // The lock lives as long as the process, so a crashed instance never blocks the next one.
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
        return Role::primary;
    ::close(m_lockFd);
    m_lockFd = -1;
    return Role::secondary;
}

bool SingleInstance::listen(std::function<QString(const QString&)> handler)
{
    const QString name = QString::fromStdString(m_paths.instanceSocket().string());
    // We hold the lock, so a socket file still there belongs to an instance that has died.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        m_error = m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this, handler] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [socket, handler] {
                while (socket->canReadLine()) {
                    const QString request = QString::fromUtf8(socket->readLine()).trimmed();
                    socket->write((handler(request) + QLatin1Char('\n')).toUtf8());
                    socket->flush();
                }
                // A request is one line; anything longer is not ours.
                if (socket->bytesAvailable() > 4096)
                    socket->abort();
            });
        }
    });
    return true;
}

std::optional<QString> SingleInstance::send(const QString& request, int timeoutMs)
{
    const QString name = QString::fromStdString(m_paths.instanceSocket().string());
    QElapsedTimer elapsed;
    elapsed.start();
    QLocalSocket socket;
    // The primary may still be starting: it holds the lock before it listens.
    while (true) {
        socket.connectToServer(name);
        if (socket.waitForConnected(250))
            break;
        socket.abort();
        if (elapsed.elapsed() > timeoutMs)
            return std::nullopt;
        QThread::msleep(50);
    }
    socket.write((request + QLatin1Char('\n')).toUtf8());
    socket.flush();
    while (!socket.canReadLine()) {
        const int left = timeoutMs - static_cast<int>(elapsed.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left))
            return std::nullopt;
    }
    return QString::fromUtf8(socket.readLine()).trimmed();
}

} // namespace tavilo
