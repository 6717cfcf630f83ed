#pragma once
// Decodes picture bytes for text recognition, with bounded memory and work:
// JPEGs are decoded at a reduced size when they are much larger than needed,
// other formats beyond maxDecodedPixels are refused before decoding, and the
// result is scaled down so that its longer side is at most maxSide.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct Pix;

namespace velmora::engine {

struct PixDeleter {
  void operator()(Pix* pix) const;
};
using PixPointer = std::unique_ptr<Pix, PixDeleter>;

struct PictureLimits {
  // Text a person can read stays readable at this size; the cloud service
  // takes no larger pictures either.
  int maxSide = 4096;
  // 64 megapixels: 256 MB while decoding at four bytes a pixel.
  std::int64_t maxDecodedPixels = 64'000'000;
};

enum class PictureProblem { None, NotAPicture, TooLarge };

struct LoadedPicture {
  PixPointer pix;  // 8 or 32 bits a pixel, no alpha, no colour map; null on a problem
  PictureProblem problem = PictureProblem::None;
  std::string error;
};

LoadedPicture loadPicture(std::string_view bytes, const PictureLimits& limits = {});

}  // namespace velmora::engine
