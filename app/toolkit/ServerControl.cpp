#include "app/toolkit/ServerControl.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace velmora {

ServerControl::ServerControl(quint16 port, QObject* parent)
    : QObject(parent), port_(port), server_(new QTcpServer(this)) {
  connect(server_, &QTcpServer::newConnection, this, &ServerControl::acceptConnections);
}

bool ServerControl::listen(const QHostAddress& address) {
  return server_->listen(address, port_);
}

quint16 ServerControl::listeningPort() const { return server_->isListening() ? server_->serverPort() : 0; }

void ServerControl::close() { server_->close(); }

void ServerControl::acceptConnections() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
      const QByteArray bytes = socket->readAll();
      if (!bytes.isEmpty()) emit dataArrived(bytes);
    });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }
}

}  // namespace velmora
