#pragma once
// Picture files made in memory for the face pipeline's tests: JPEG and PNG
// written with libjpeg and libpng from rows a test computes, BMP by hand,
// and the sample photographs with people that come with the face model.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/face/Picture.h"

namespace velmora::engine::testing {

using Bytes = std::vector<std::uint8_t>;

// Fills one row (width RGB pixels, 3 bytes each) of the picture being written.
using RowSource = std::function<void(long row, std::uint8_t* rgb)>;

struct JpegOptions {
  int quality = 90;
  bool progressive = false;
  int exifOrientation = 0;  // 0: no Exif block
};
Bytes encodeJpeg(long width, long height, const RowSource& rows, const JpegOptions& options = {});
Bytes encodeJpeg(const Picture& picture, const JpegOptions& options = {});

struct PngOptions {
  int colorType = 2;  // PNG_COLOR_TYPE_RGB; 0 grey, 3 palette, 4 grey+alpha, 6 RGB+alpha
  int bitDepth = 8;
  bool interlaced = false;
};
Bytes encodePng(long width, long height, const RowSource& rows, const PngOptions& options = {});
Bytes encodePng(const Picture& picture, const PngOptions& options = {});

// Only the signature and header of a PNG declaring the given size.
Bytes pngHeaderOnly(long width, long height);

// A 24-bit uncompressed BMP.
Bytes encodeBmp(const Picture& picture);

Bytes readFile(const std::string& path);

// sample1.jpg ... sample6.jpg from the face model's demo folder; empty when absent.
std::string samplePath(int number);

// A part of a picture, scaled to the given size.
Picture cropScaled(const Picture& picture, long left, long top, long width, long height, long toWidth, long toHeight);

// Copies `part` into `canvas` with its top left corner at (left, top).
void paste(Picture& canvas, const Picture& part, long left, long top);

Picture plainPicture(long width, long height, std::uint8_t grey);
Picture noisePicture(long width, long height, unsigned seed);

}  // namespace velmora::engine::testing
