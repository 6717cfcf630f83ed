#pragma once
// A receive-only TCP server control. Each time bytes wait on one of its
// connections, dataArrived carries exactly those bytes (no framing), and
// connectionDataArrived carries the same bytes with the connection they came
// from, so that a receiver can keep what it collects apart per sender.
// Nothing is ever sent back; connections are closed by their senders, or
// dropped by the receiver with closeConnection.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace velmora {

class ServerControl : public QObject {
  Q_OBJECT
 public:
  // Identifies one accepted connection for its whole life; never reused.
  using ConnectionId = quint64;

  explicit ServerControl(quint16 port, QObject* parent = nullptr);

  quint16 port() const { return port_; }
  // The port the next listen uses; 0 lets the system pick a free one.
  void setPort(quint16 port) { port_ = port; }
  // Starts listening on the control's port with the system's largest
  // connection backlog; false when the port is taken (listenFailed is then
  // emitted with the reason).
  bool listen(const QHostAddress& address = QHostAddress::Any);
  bool isListening() const;
  // The port actually listened on (useful with port 0), 0 when not listening.
  quint16 listeningPort() const;
  // The reason the last listen failed; empty after a successful one.
  const QString& listenError() const { return listenError_; }
  // Stops listening and drops every open connection.
  void close();

  // The number of open connections.
  int connectionCount() const { return int(connections_.size()); }
  // Drops a connection at once; unread bytes are discarded and no further
  // data events come from it. connectionClosed follows.
  void closeConnection(ConnectionId connection);

 signals:
  void dataArrived(const QByteArray& bytes);
  void connectionDataArrived(velmora::ServerControl::ConnectionId connection, const QByteArray& bytes);
  // The connection ended (closed by its sender, dropped, or the control
  // closed); its id is not used again.
  void connectionClosed(velmora::ServerControl::ConnectionId connection);
  void listenFailed(const QString& reason);

 private:
  void acceptConnections();
  void readFrom(ConnectionId connection, QTcpSocket* socket);
  void forget(ConnectionId connection);

  quint16 port_;
  QTcpServer* server_;
  QString listenError_;
  QHash<ConnectionId, QTcpSocket*> connections_;
  ConnectionId nextConnection_ = 1;
};

}  // namespace velmora
