#include "app/single_instance.h"

#include <unistd.h>

#include <QLocalSocket>

namespace sorvane::app {
namespace {

constexpr int kConnectMs = 1000;
constexpr char kRaise[] = "raise\n";

}  // namespace

TSingleInstance::TSingleInstance(QString serverName, QObject* parent)
    : QObject(parent), name_(std::move(serverName)) {
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Answer);
}

QString TSingleInstance::UserServerName() {
    return QStringLiteral("sorvane-wizard-%1").arg(::getuid());
}

bool TSingleInstance::Start() {
    QLocalSocket first;
    first.connectToServer(name_);
    if (first.waitForConnected(kConnectMs)) {
        first.write(kRaise);
        first.waitForBytesWritten(kConnectMs);
        first.disconnectFromServer();
        return false;
    }
    // Nobody answers: whatever socket is there was left by an instance that
    // did not end cleanly.
    QLocalServer::removeServer(name_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // Should another user's program hold the name, this one still runs,
    // only without being found by a later start.
    server_.listen(name_);
    return true;
}

void TSingleInstance::Answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains('\n')) emit Activated();
        });
    }
}

}  // namespace sorvane::app
