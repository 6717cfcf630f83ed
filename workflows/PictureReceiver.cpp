#include "workflows/PictureReceiver.h"

#include <QMetaObject>
#include <string_view>
#include <utility>

namespace velmora {

PictureReceiver::PictureReceiver(ServerControl& server, PictureHandler handler)
    : QObject(&server), server_(server), handler_(std::move(handler)) {
  connect(&server, &ServerControl::connectionDataArrived, this, &PictureReceiver::read);
  connect(&server, &ServerControl::connectionClosed, this,
          [this](ServerControl::ConnectionId connection) { readers_.erase(connection); });
}

std::size_t PictureReceiver::connectionsCollecting() const {
  std::size_t collecting = 0;
  for (const auto& [connection, reader] : readers_) collecting += reader.collected() > 0 ? 1 : 0;
  return collecting;
}

void PictureReceiver::read(ServerControl::ConnectionId connection, const QByteArray& bytes) {
  PictureFrameReader& reader = readers_[connection];
  switch (reader.read(std::string_view(bytes.constData(), std::size_t(bytes.size())))) {
    case PictureFrameReader::Outcome::Collecting:
      break;
    case PictureFrameReader::Outcome::Complete:
      handOn(reader.takePicture());
      break;
    case PictureFrameReader::Outcome::Overflow:
      readers_.erase(connection);
      server_.closeConnection(connection);
      break;
  }
}

// The handler runs a service request and may show message boxes; it runs
// from the event loop rather than inside the socket's data event, so that
// nothing of the connection is on the stack while it blocks or nests.
void PictureReceiver::handOn(Bytes picture) {
  QMetaObject::invokeMethod(
      this, [this, picture = std::move(picture)]() mutable { handler_(std::move(picture)); }, Qt::QueuedConnection);
}

}  // namespace velmora
