#pragma once
// Shrinks a picture by a whole factor while its rows arrive one at a time, so
// that a decoder never holds more than one source row and the (small) result.
// Each result pixel is the mean of a factor x factor block of source pixels;
// blocks at the right and bottom edges may be narrower and use what there is.
#include <cstdint>
#include <vector>

#include "engine/face/Picture.h"

namespace velmora::engine {

class BoxDownscaler {
 public:
  BoxDownscaler(long sourceWidth, long sourceHeight, long factor);

  // One source row of sourceWidth RGB pixels (3 bytes each), top to bottom.
  void addRow(const std::uint8_t* rgb);

  // The result, after every source row has been added (rows never added
  // stay black).
  Picture finish();

  // The smallest whole factor that brings width x height to at most maxPixels.
  static long factorFor(long width, long height, long maxPixels);

 private:
  void emitRow();

  long sourceWidth_;
  long factor_;
  long rowsInBlock_ = 0;
  long nextOutputRow_ = 0;
  std::vector<std::uint32_t> sums_;  // per result pixel of the current row: r, g, b
  Picture result_;
};

}  // namespace velmora::engine
