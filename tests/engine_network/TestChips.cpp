#include "TestChips.h"

#include <algorithm>
#include <cstdio>
#include <csetjmp>
#include <memory>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace velmora::engine::testing {
namespace {

constexpr std::size_t kChipBytes = static_cast<std::size_t>(kChipSize) * kChipSize * 3;

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

struct JpegErrorExit {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrorExit*>(info->err)->jump, 1); }

RgbPicture decodeJpeg(const std::filesystem::path& file) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(file.c_str(), "rb"), &std::fclose);
  if (!in) return {};
  jpeg_decompress_struct info{};
  JpegErrorExit error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jumpOnError;
  RgbPicture picture;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, in.get());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  picture.width = static_cast<int>(info.output_width);
  picture.height = static_cast<int>(info.output_height);
  picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture.rgb.data() + static_cast<std::size_t>(info.output_scanline) * picture.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return picture;
}

}  // namespace

FaceChip uniformChip(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  FaceChip chip;
  chip.rgb.resize(kChipBytes);
  for (std::size_t i = 0; i < kChipBytes; i += 3) {
    chip.rgb[i] = red;
    chip.rgb[i + 1] = green;
    chip.rgb[i + 2] = blue;
  }
  return chip;
}

FaceChip noiseChip(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  FaceChip chip;
  chip.rgb.resize(kChipBytes);
  for (auto& value : chip.rgb) value = static_cast<std::uint8_t>(byte(random));
  return chip;
}

FaceChip centreSquareChip(const std::filesystem::path& jpegFile) {
  const RgbPicture picture = decodeJpeg(jpegFile);
  const int side = std::min(picture.width, picture.height);
  if (side < kChipSize) return {};
  const int left = (picture.width - side) / 2;
  const int top = (picture.height - side) / 2;

  // Each chip pixel is the average of the source pixels its square covers.
  FaceChip chip;
  chip.rgb.resize(kChipBytes);
  for (int y = 0; y < kChipSize; ++y) {
    const int y0 = top + y * side / kChipSize;
    const int y1 = top + (y + 1) * side / kChipSize;
    for (int x = 0; x < kChipSize; ++x) {
      const int x0 = left + x * side / kChipSize;
      const int x1 = left + (x + 1) * side / kChipSize;
      for (int c = 0; c < 3; ++c) {
        long sum = 0;
        for (int sy = y0; sy < y1; ++sy) {
          for (int sx = x0; sx < x1; ++sx) sum += picture.rgb[(static_cast<std::size_t>(sy) * picture.width + sx) * 3 + c];
        }
        const long count = static_cast<long>(y1 - y0) * (x1 - x0);
        chip.rgb[(static_cast<std::size_t>(y) * kChipSize + x) * 3 + c] = static_cast<std::uint8_t>((sum + count / 2) / count);
      }
    }
  }
  return chip;
}

}  // namespace velmora::engine::testing
