#include "app/qt/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace skyrelle::app {
namespace {

constexpr int AnswerMilliseconds = 2000;
const QByteArray ShowRequest = "show\n";

}  // namespace

TSingleInstance::TSingleInstance(const QString& AFolder, QObject* AParent)
    : QObject(AParent),
      FSocketPath(AFolder + QStringLiteral("/skyrelle-instance")),
      FLock(AFolder + QStringLiteral("/skyrelle-instance.lock")) {}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::HandOverToRunningInstance() {
  // Two starts at once: the lock makes one of them the listener and the other its client.
  FLock.setStaleLockTime(0);
  FLock.lock();
  QLocalSocket socket;
  socket.connectToServer(FSocketPath);
  if (socket.waitForConnected(AnswerMilliseconds)) {
    socket.write(ShowRequest);
    const bool delivered = socket.waitForBytesWritten(AnswerMilliseconds);
    socket.disconnectFromServer();
    FLock.unlock();
    if (delivered) return true;
  }
  Listen();
  FLock.unlock();
  return false;
}

void TSingleInstance::Listen() {
  // A socket left by a program that was killed answers no one; it is ours to replace.
  QLocalServer::removeServer(FSocketPath);
  FServer = new QLocalServer(this);
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  if (!FServer->listen(FSocketPath)) return;  // a lone program is better than none
  connect(FServer, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = FServer->nextPendingConnection()) {
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (client->readAll().contains('\n')) emit ShowRequested();
        client->disconnectFromServer();
      });
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    }
  });
}

QString InstanceFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

}  // namespace skyrelle::app
