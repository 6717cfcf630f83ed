#pragma once
// Decodes the bytes of a JPEG, PNG or BMP picture, held in memory, into RGB.
//
// Memory stays bounded whatever the picture claims to be: a picture larger
// than maxPixels (4 megapixels by default) is shrunk while it is decoded, so
// the full-size raster is never held. JPEG uses the decoder's own DCT scaling
// (1/8 steps), then whole-factor box averaging if that is not yet enough; PNG
// is read row by row through box averaging. 4 megapixels (about 2450 x 1630)
// keeps a face that fills a tenth of the picture's width over 200 pixels wide,
// twice what the 150-pixel aligned chip takes, while a decoded picture stays
// at 12 MB. Pictures claiming more than kMaxSourcePixels are refused, and the
// JPEG decoder's own working memory (large for progressive pictures) is capped
// at kMaxJpegWorkingBytes. BMP (rare, uncompressed) is read whole, up to
// kMaxBmpPixels, and shrunk after.
//
// A truncated picture is an error, like bytes that are no picture: its missing
// part would be grey, and a face cut in half compares as someone else.
// The Exif orientation of a JPEG is applied, so phone pictures stand upright.
//
// A PictureDecoder holds no state: one object may serve many threads at once.
#include <cstdint>
#include <span>
#include <string>

#include "engine/face/Picture.h"

namespace velmora::engine {

struct DecodedPicture {
  Picture picture;         // upright and at most maxPixels; empty on failure
  long sourceWidth = 0;    // the size the file declares (before orientation)
  long sourceHeight = 0;
  std::string error;       // empty on success

  bool ok() const { return error.empty(); }
};

class PictureDecoder {
 public:
  static constexpr long kDefaultMaxPixels = 4'000'000;
  static constexpr long kMaxSourcePixels = 16384L * 16384L;
  static constexpr long kMaxJpegWorkingBytes = 256L * 1024 * 1024;
  static constexpr long kMaxBmpPixels = 16'000'000;

  explicit PictureDecoder(long maxPixels = kDefaultMaxPixels) : maxPixels_(maxPixels) {}

  DecodedPicture decode(std::span<const std::uint8_t> bytes) const;

 private:
  DecodedPicture decodeJpeg(std::span<const std::uint8_t> bytes) const;
  DecodedPicture decodePng(std::span<const std::uint8_t> bytes) const;
  DecodedPicture decodeBmp(std::span<const std::uint8_t> bytes) const;

  long maxPixels_;
};

}  // namespace velmora::engine
