#include "workflows/PictureFrameReader.h"

#include <utility>

namespace velmora {

PictureFrameReader::Outcome PictureFrameReader::read(std::string_view event) {
  if (event.starts_with(kStartMarker)) {
    buffer_.clear();
    event.remove_prefix(kStartMarker.size());
    atPictureStart_ = false;
  }
  buffer_.append(event);
  if (atPictureStart_) dropStartMarker();
  if (buffer_.size() > kPictureLimit + kEndMarker.size()) {
    Bytes().swap(buffer_);
    atPictureStart_ = true;
    return Outcome::Overflow;
  }
  if (atPictureStart_ || !std::string_view(buffer_).ends_with(kEndMarker)) return Outcome::Collecting;
  buffer_.resize(buffer_.size() - kEndMarker.size());
  picture_ = std::move(buffer_);
  buffer_.clear();
  atPictureStart_ = true;
  return Outcome::Complete;
}

Bytes PictureFrameReader::takePicture() { return std::exchange(picture_, Bytes()); }

// While the collected bytes could still be the beginning of a start marker,
// the picture has not started; once they cannot, a complete marker in front
// is dropped and the rest is the picture.
void PictureFrameReader::dropStartMarker() {
  if (buffer_.size() < kStartMarker.size() && kStartMarker.starts_with(buffer_)) return;
  if (std::string_view(buffer_).starts_with(kStartMarker)) buffer_.erase(0, kStartMarker.size());
  atPictureStart_ = false;
}

}  // namespace velmora
