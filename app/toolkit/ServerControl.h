#pragma once
// A receive-only TCP server control. Each time bytes wait on one of its
// connections, dataArrived carries exactly those bytes (no framing). Nothing
// is ever sent back; connections are closed by their senders.
#include <QByteArray>
#include <QHostAddress>
#include <QObject>

class QTcpServer;

namespace velmora {

class ServerControl : public QObject {
  Q_OBJECT
 public:
  explicit ServerControl(quint16 port, QObject* parent = nullptr);

  quint16 port() const { return port_; }
  // Starts listening on the control's port; false when the port is taken.
  bool listen(const QHostAddress& address = QHostAddress::Any);
  // The port actually listened on (useful with port 0), 0 when not listening.
  quint16 listeningPort() const;
  void close();

 signals:
  void dataArrived(const QByteArray& bytes);

 private:
  void acceptConnections();

  quint16 port_;
  QTcpServer* server_;
};

}  // namespace velmora
