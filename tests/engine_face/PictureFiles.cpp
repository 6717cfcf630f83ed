#include "PictureFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

#include <dlib/image_transforms.h>

namespace velmora::engine::testing {

namespace {

RowSource rowsOf(const Picture& picture) {
  return [&picture](long row, std::uint8_t* rgb) { std::memcpy(rgb, &picture(row, 0), picture.nc() * 3); };
}

// An APP1 payload: "Exif\0\0", a big-endian TIFF header, one IFD with the
// orientation tag.
Bytes exifWithOrientation(int orientation) {
  return Bytes{'E', 'x', 'i', 'f', 0, 0,              // Exif header
               'M', 'M', 0, 42, 0, 0, 0, 8,           // TIFF header, IFD0 at offset 8
               0, 1,                                   // one entry
               0x01, 0x12, 0, 3, 0, 0, 0, 1,           // tag 0x0112, SHORT, count 1
               0, static_cast<std::uint8_t>(orientation), 0, 0,
               0, 0, 0, 0};                            // no next IFD
}

}  // namespace

Bytes encodeJpeg(long width, long height, const RowSource& rows, const JpegOptions& options) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  if (options.exifOrientation != 0) {
    const Bytes exif = exifWithOrientation(options.exifOrientation);
    jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  }
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  JSAMPROW pointer = row.data();
  for (long r = 0; r < height; ++r) {
    rows(r, row.data());
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

Bytes encodeJpeg(const Picture& picture, const JpegOptions& options) {
  return encodeJpeg(picture.nc(), picture.nr(), rowsOf(picture), options);
}

namespace {

extern "C" void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
extern "C" void flushNothing(png_structp) {}

// Turns an RGB row into the samples of the requested PNG layout.
std::vector<std::uint8_t> packRow(const std::uint8_t* rgb, long width, const PngOptions& options) {
  std::vector<std::uint8_t> out;
  auto push = [&](std::uint8_t value) {
    out.push_back(value);
    if (options.bitDepth == 16) out.push_back(value);  // high byte then low byte
  };
  for (long x = 0; x < width; ++x) {
    const std::uint8_t r = rgb[3 * x], g = rgb[3 * x + 1], b = rgb[3 * x + 2];
    const std::uint8_t grey = static_cast<std::uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
    switch (options.colorType) {
      case PNG_COLOR_TYPE_GRAY: push(grey); break;
      case PNG_COLOR_TYPE_GRAY_ALPHA: push(grey); push(255); break;
      case PNG_COLOR_TYPE_RGB: push(r); push(g); push(b); break;
      case PNG_COLOR_TYPE_RGB_ALPHA: push(r); push(g); push(b); push(255); break;
      case PNG_COLOR_TYPE_PALETTE: out.push_back(static_cast<std::uint8_t>(r >> 5 << 5 | g >> 5 << 2 | b >> 6)); break;
    }
  }
  return out;
}

}  // namespace

Bytes encodePng(long width, long height, const RowSource& rows, const PngOptions& options) {
  Bytes bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("PNG writing failed");
  png_set_write_fn(png, &bytes, appendToBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), options.bitDepth,
               options.colorType, options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette(256);
  if (options.colorType == PNG_COLOR_TYPE_PALETTE) {
    // 3-3-2 bits of red, green and blue, as packRow indexes them.
    for (int i = 0; i < 256; ++i) {
      palette[i] = png_color{static_cast<png_byte>((i >> 5) << 5), static_cast<png_byte>(((i >> 2) & 7) << 5),
                             static_cast<png_byte>((i & 3) << 6)};
    }
    png_set_PLTE(png, info, palette.data(), 256);
  }
  png_set_compression_level(png, 1);
  png_write_info(png, info);

  // Interlaced pictures are written whole; the others row by row.
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
  if (options.interlaced) {
    std::vector<std::vector<std::uint8_t>> all;
    for (long r = 0; r < height; ++r) {
      rows(r, rgb.data());
      all.push_back(packRow(rgb.data(), width, options));
    }
    std::vector<png_bytep> pointers;
    for (auto& row : all) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
  } else {
    for (long r = 0; r < height; ++r) {
      rows(r, rgb.data());
      std::vector<std::uint8_t> packed = packRow(rgb.data(), width, options);
      png_write_row(png, packed.data());
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

Bytes encodePng(const Picture& picture, const PngOptions& options) {
  return encodePng(picture.nc(), picture.nr(), rowsOf(picture), options);
}

Bytes pngHeaderOnly(long width, long height) {
  Bytes bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("PNG writing failed");
  png_set_write_fn(png, &bytes, appendToBytes, flushNothing);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

Bytes encodeBmp(const Picture& picture) {
  const std::uint32_t width = static_cast<std::uint32_t>(picture.nc());
  const std::uint32_t height = static_cast<std::uint32_t>(picture.nr());
  const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
  const std::uint32_t dataSize = rowBytes * height;
  Bytes out;
  auto u16 = [&](std::uint32_t v) { out.push_back(v & 0xFF); out.push_back(v >> 8 & 0xFF); };
  auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  out.push_back('B'); out.push_back('M');
  u32(54 + dataSize); u32(0); u32(54);                      // file header
  u32(40); u32(width); u32(height); u16(1); u16(24);        // info header
  u32(0); u32(dataSize); u32(2835); u32(2835); u32(0); u32(0);
  for (long r = picture.nr() - 1; r >= 0; --r) {            // bottom row first, BGR
    for (long c = 0; c < picture.nc(); ++c) {
      out.push_back(picture(r, c).blue);
      out.push_back(picture(r, c).green);
      out.push_back(picture(r, c).red);
    }
    for (std::uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string samplePath(int number) {
  const std::string path = std::string(VELMORA_FACE_SAMPLES_DIR) + "/sample" + std::to_string(number) + ".jpg";
  return std::ifstream(path).good() ? path : std::string();
}

Picture cropScaled(const Picture& picture, long left, long top, long width, long height, long toWidth,
                   long toHeight) {
  Picture part = dlib::subm(picture, top, left, height, width);
  Picture scaledPart(toHeight, toWidth);
  dlib::resize_image(part, scaledPart);
  return scaledPart;
}

void paste(Picture& canvas, const Picture& part, long left, long top) {
  dlib::set_subm(canvas, top, left, part.nr(), part.nc()) = part;
}

Picture plainPicture(long width, long height, std::uint8_t grey) {
  Picture picture(height, width);
  picture = dlib::rgb_pixel(grey, grey, grey);
  return picture;
}

Picture noisePicture(long width, long height, unsigned seed) {
  std::mt19937 random(seed);
  Picture picture(height, width);
  for (long r = 0; r < height; ++r) {
    for (long c = 0; c < width; ++c) {
      const auto v = random();
      picture(r, c) = dlib::rgb_pixel(v & 0xFF, v >> 8 & 0xFF, v >> 16 & 0xFF);
    }
  }
  return picture;
}

}  // namespace velmora::engine::testing
