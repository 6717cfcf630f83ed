#include "app/toolkit/ServerControl.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <sys/socket.h>

namespace velmora {

ServerControl::ServerControl(quint16 port, QObject* parent)
    : QObject(parent), port_(port), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &ServerControl::acceptConnections);
}

bool ServerControl::listen(const QHostAddress& address) {
  // The kernel caps the backlog at its own maximum (somaxconn).
  server_->setListenBacklogSize(SOMAXCONN);
  if (server_->listen(address, port_)) {
    listenError_.clear();
    return true;
  }
  listenError_ = server_->errorString();
  emit listenFailed(listenError_);
  return false;
}

bool ServerControl::isListening() const { return server_->isListening(); }

quint16 ServerControl::listeningPort() const { return server_->isListening() ? server_->serverPort() : 0; }

void ServerControl::close() {
  server_->close();
  const QList<ConnectionId> open = connections_.keys();
  for (ConnectionId connection : open) closeConnection(connection);
}

void ServerControl::acceptConnections() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    const ConnectionId connection = nextConnection_++;
    connections_.insert(connection, socket);
    connect(socket, &QTcpSocket::readyRead, this, [this, connection, socket] { readFrom(connection, socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, connection] { forget(connection); });
  }
}

void ServerControl::readFrom(ConnectionId connection, QTcpSocket* socket) {
  const QByteArray bytes = socket->readAll();
  if (bytes.isEmpty()) return;
  emit dataArrived(bytes);
  emit connectionDataArrived(connection, bytes);
}

// The sender closed: bytes still waiting are delivered before the close.
void ServerControl::forget(ConnectionId connection) {
  QTcpSocket* socket = connections_.value(connection);
  if (!socket) return;
  readFrom(connection, socket);
  // A receiver may have dropped the connection while reading the last bytes.
  if (connections_.contains(connection)) closeConnection(connection);
}

void ServerControl::closeConnection(ConnectionId connection) {
  QTcpSocket* socket = connections_.take(connection);
  if (!socket) return;
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
  emit connectionClosed(connection);
}

}  // namespace velmora
