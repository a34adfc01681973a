#include "shell/main/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace blenvar {
namespace {

// Versioned, so a later program can tell an older copy's message apart.
constexpr char kShowMessage[] = "blenvar 1 show\n";

}  // namespace

QString RuntimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent),
      lockPath_(QDir(folder).filePath("blenvar.lock")),
      socketPath_(QDir(folder).filePath("blenvar.socket")),
      lock_(lockPath_) {
    // Never stale by age: only a lock whose process has gone is taken over.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::Acquire() {
    if (!lock_.tryLock(0)) return false;
    // The socket file of a crashed copy is ours to remove now that we hold the lock.
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    // Without the socket the program still runs; it just cannot be asked to show.
    server_->listen(socketPath_);
    return true;
}

bool SingleInstance::AskToShow(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kShowMessage);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            while (client->canReadLine()) {
                if (client->readLine() == kShowMessage) emit showRequested();
            }
            if (client->bytesAvailable() > 256) client->abort();  // not one of ours
        });
    }
}

}  // namespace blenvar
