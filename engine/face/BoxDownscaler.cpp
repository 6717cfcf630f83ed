#include "engine/face/BoxDownscaler.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace velmora::engine {

namespace {
long ceilDiv(long a, long b) { return (a + b - 1) / b; }
}  // namespace

BoxDownscaler::BoxDownscaler(long sourceWidth, long sourceHeight, long factor)
    : sourceWidth_(sourceWidth), factor_(factor < 1 ? 1 : factor) {
  result_.set_size(ceilDiv(sourceHeight, factor_), ceilDiv(sourceWidth, factor_));
  sums_.assign(static_cast<std::size_t>(result_.nc()) * 3, 0);
}

long BoxDownscaler::factorFor(long width, long height, long maxPixels) {
  long factor = 1;
  while (ceilDiv(width, factor) * ceilDiv(height, factor) > maxPixels) ++factor;
  return factor;
}

void BoxDownscaler::addRow(const std::uint8_t* rgb) {
  if (nextOutputRow_ >= result_.nr()) return;
  if (factor_ == 1) {
    std::memcpy(&result_(nextOutputRow_++, 0), rgb, static_cast<std::size_t>(sourceWidth_) * 3);
    return;
  }
  for (long x = 0; x < sourceWidth_; ++x) {
    std::uint32_t* sum = &sums_[static_cast<std::size_t>(x / factor_) * 3];
    sum[0] += rgb[3 * x];
    sum[1] += rgb[3 * x + 1];
    sum[2] += rgb[3 * x + 2];
  }
  if (++rowsInBlock_ == factor_) emitRow();
}

Picture BoxDownscaler::finish() {
  if (rowsInBlock_ > 0 && nextOutputRow_ < result_.nr()) emitRow();
  return std::move(result_);
}

void BoxDownscaler::emitRow() {
  const long columns = result_.nc();
  for (long c = 0; c < columns; ++c) {
    const long blockWidth = std::min(factor_, sourceWidth_ - c * factor_);
    const std::uint32_t count = static_cast<std::uint32_t>(blockWidth * rowsInBlock_);
    const std::uint32_t* sum = &sums_[static_cast<std::size_t>(c) * 3];
    result_(nextOutputRow_, c) = dlib::rgb_pixel(static_cast<unsigned char>((sum[0] + count / 2) / count),
                                                 static_cast<unsigned char>((sum[1] + count / 2) / count),
                                                 static_cast<unsigned char>((sum[2] + count / 2) / count));
  }
  std::fill(sums_.begin(), sums_.end(), 0);
  rowsInBlock_ = 0;
  ++nextOutputRow_;
}

}  // namespace velmora::engine
