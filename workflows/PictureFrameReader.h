#pragma once
// Collects the pictures that one sender frames as "AAAA" + picture + "BBBB"
// over a TCP connection. The picture has no length field and no escaping, so
// the markers are told from picture bytes by where the data events of the
// connection begin and end:
// - a data event that begins with "AAAA" starts a new picture; bytes of an
//   earlier transfer that never ended are dropped;
// - at the start of a picture (a new connection, or after a completed one) a
//   leading "AAAA" is the start marker even when it arrives in pieces;
// - when a data event leaves the collected bytes ending in "BBBB", those four
//   bytes are the end marker and the picture is complete, even when the
//   marker arrived in pieces.
// A picture that grows beyond kPictureLimit is dropped as an overflow.
#include <cstddef>
#include <string_view>

#include "text/Text.h"

namespace velmora {

class PictureFrameReader {
 public:
  static constexpr std::string_view kStartMarker = "AAAA";
  static constexpr std::string_view kEndMarker = "BBBB";
  static constexpr std::size_t kPictureLimit = 16u * 1024 * 1024;

  enum class Outcome {
    Collecting,  // more bytes are needed
    Complete,    // a picture is ready: takePicture
    Overflow,    // the picture grew beyond the limit; its bytes are dropped
  };

  // Takes the bytes of one data event.
  Outcome read(std::string_view event);

  // The completed picture (possibly empty); the reader then waits for the
  // next one.
  Bytes takePicture();

  // Bytes collected for the picture in progress.
  std::size_t collected() const { return buffer_.size(); }

 private:
  void dropStartMarker();

  Bytes buffer_;
  Bytes picture_;
  bool atPictureStart_ = true;
};

}  // namespace velmora
