#pragma once
// The remote picture receiver: other programs hand the system pictures over
// TCP, each framed by "AAAA" and "BBBB". Every connection of the server
// control has its own PictureFrameReader, so two senders never mix their
// bytes; a connection whose picture grows beyond the limit is dropped. Each
// completed picture is handed on from the event loop, after the data event
// that completed it has returned, in the order the pictures completed.
// Nothing is ever sent back.
#include <QObject>
#include <functional>
#include <unordered_map>

#include "app/toolkit/ServerControl.h"
#include "text/Text.h"
#include "workflows/PictureFrameReader.h"

namespace velmora {

class PictureReceiver : public QObject {
  Q_OBJECT
 public:
  using PictureHandler = std::function<void(Bytes picture)>;

  // Listens to the server's data events for as long as both live; the
  // receiver is a child of the server.
  PictureReceiver(ServerControl& server, PictureHandler handler);

  // Connections with bytes of an unfinished picture.
  std::size_t connectionsCollecting() const;

 private:
  void read(ServerControl::ConnectionId connection, const QByteArray& bytes);
  void handOn(Bytes picture);

  ServerControl& server_;
  PictureHandler handler_;
  std::unordered_map<ServerControl::ConnectionId, PictureFrameReader> readers_;
};

}  // namespace velmora
