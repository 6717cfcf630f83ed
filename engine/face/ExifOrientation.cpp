#include "engine/face/ExifOrientation.h"

#include <cstring>

namespace velmora::engine {

namespace {

class TiffReader {
 public:
  TiffReader(const std::uint8_t* data, std::size_t length, bool bigEndian)
      : data_(data), length_(length), bigEndian_(bigEndian) {}

  bool has(std::size_t offset, std::size_t count) const {
    return offset <= length_ && count <= length_ - offset;
  }
  std::uint16_t u16(std::size_t offset) const {
    const std::uint8_t* p = data_ + offset;
    return bigEndian_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
  }
  std::uint32_t u32(std::size_t offset) const {
    const std::uint8_t* p = data_ + offset;
    return bigEndian_ ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3])
                      : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
  }

 private:
  const std::uint8_t* data_;
  std::size_t length_;
  bool bigEndian_;
};

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

}  // namespace

int exifOrientation(const std::uint8_t* app1, std::size_t length) {
  static constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
  if (length < sizeof kExifHeader + 8 || std::memcmp(app1, kExifHeader, sizeof kExifHeader) != 0) return 1;
  const std::uint8_t* tiff = app1 + sizeof kExifHeader;
  const std::size_t tiffLength = length - sizeof kExifHeader;
  bool bigEndian;
  if (tiff[0] == 'M' && tiff[1] == 'M') bigEndian = true;
  else if (tiff[0] == 'I' && tiff[1] == 'I') bigEndian = false;
  else return 1;

  const TiffReader reader(tiff, tiffLength, bigEndian);
  const std::size_t ifd = reader.u32(4);
  if (!reader.has(ifd, 2)) return 1;
  const std::size_t entries = reader.u16(ifd);
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    if (!reader.has(entry, 12)) return 1;
    if (reader.u16(entry) != kOrientationTag) continue;
    if (reader.u16(entry + 2) != kShortType) return 1;
    const int value = reader.u16(entry + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

Picture orientUpright(const Picture& stored, int orientation) {
  if (orientation <= 1 || orientation > 8) return stored;
  const long h = stored.nr();
  const long w = stored.nc();
  const bool swapsSides = orientation >= 5;
  Picture upright(swapsSides ? w : h, swapsSides ? h : w);
  for (long r = 0; r < upright.nr(); ++r) {
    for (long c = 0; c < upright.nc(); ++c) {
      long sr = r, sc = c;
      switch (orientation) {
        case 2: sc = w - 1 - c; break;                  // mirrored left-right
        case 3: sr = h - 1 - r; sc = w - 1 - c; break;  // upside down
        case 4: sr = h - 1 - r; break;                  // mirrored top-bottom
        case 5: sr = c; sc = r; break;                  // transposed
        case 6: sr = h - 1 - c; sc = r; break;          // stored turned left: turn right
        case 7: sr = h - 1 - c; sc = w - 1 - r; break;  // transversed
        case 8: sr = c; sc = w - 1 - r; break;          // stored turned right: turn left
      }
      upright(r, c) = stored(sr, sc);
    }
  }
  return upright;
}

}  // namespace velmora::engine
