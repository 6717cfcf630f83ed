#include "engine/face/PictureDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <streambuf>
#include <istream>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include <dlib/image_loader/image_loader.h>
#include <dlib/image_transforms/interpolation.h>

#include "engine/face/BoxDownscaler.h"
#include "engine/face/ExifOrientation.h"

namespace velmora::engine {

namespace {

static_assert(sizeof(dlib::rgb_pixel) == 3, "decoders write RGB rows straight into a Picture");

bool startsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> magic) {
  return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

DecodedPicture failure(std::string message) {
  DecodedPicture result;
  result.error = std::move(message);
  return result;
}

// The smallest whole factor by which a picture must still be shrunk, after a
// decoder's own scaling, to fit maxPixels.
long boxFactor(long width, long height, long maxPixels) { return BoxDownscaler::factorFor(width, height, maxPixels); }

// ---------------------------------------------------------------- JPEG

// libjpeg reports fatal errors through error_exit, which must not return; its
// default ends the process. Ours jumps back into runJpeg with the message.
struct JpegErrors {
  jpeg_error_mgr base;  // first member: libjpeg sees only this part
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void jpegErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings are silent, except that running out of data is an error: libjpeg
// would go on and fill the rest of the picture with grey.
extern "C" void jpegMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) jpegErrorExit(info);
}

// Everything a JPEG decode owns lives here, outside the frame that calls
// setjmp, so the jump skips no destructor and leaves nothing indeterminate.
struct JpegJob {
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  std::vector<std::uint8_t> row;
  std::optional<BoxDownscaler> shrink;
  int orientation = 1;
  long sourceWidth = 0;
  long sourceHeight = 0;
  bool tooLarge = false;
};

int exifOrientationOf(jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 1) return exifOrientation(marker->data, marker->data_length);
  }
  return 1;
}

// The largest DCT scaling M/8 (M = 1..8) whose output fits maxPixels, or 1/8.
unsigned jpegScaleNumerator(long width, long height, long maxPixels) {
  for (unsigned m = 8; m > 1; --m) {
    const long w = (width * m + 7) / 8;
    const long h = (height * m + 7) / 8;
    if (w * h <= maxPixels) return m;
  }
  return 1;
}

// Returns false with job.errors.message set when libjpeg gave up.
bool runJpeg(JpegJob& job, std::span<const std::uint8_t> bytes, long maxPixels) {
  jpeg_decompress_struct& info = job.info;
  info.err = jpeg_std_error(&job.errors.base);
  job.errors.base.error_exit = jpegErrorExit;
  job.errors.base.emit_message = jpegMessage;
  if (setjmp(job.errors.jump)) return false;

  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = PictureDecoder::kMaxJpegWorkingBytes;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  job.sourceWidth = info.image_width;
  job.sourceHeight = info.image_height;
  if (job.sourceWidth * job.sourceHeight > PictureDecoder::kMaxSourcePixels) {
    job.tooLarge = true;
    return false;
  }
  job.orientation = exifOrientationOf(info);

  info.out_color_space = JCS_RGB;
  info.scale_num = jpegScaleNumerator(job.sourceWidth, job.sourceHeight, maxPixels);
  info.scale_denom = 8;
  jpeg_calc_output_dimensions(&info);
  const long width = info.output_width;
  const long height = info.output_height;
  job.shrink.emplace(width, height, boxFactor(width, height, maxPixels));
  job.row.resize(static_cast<std::size_t>(width) * 3);

  jpeg_start_decompress(&info);
  JSAMPROW rowPointer = job.row.data();
  while (info.output_scanline < info.output_height) {
    if (jpeg_read_scanlines(&info, &rowPointer, 1) != 1) break;
    job.shrink->addRow(job.row.data());
  }
  // What follows the last row is not read. (A file cut just before its end
  // marker still fails: the entropy decoder reads ahead into it.)
  return true;
}

// ---------------------------------------------------------------- PNG

struct PngJob {
  std::span<const std::uint8_t> bytes;
  std::size_t position = 0;
  std::string message;
  std::vector<std::uint8_t> row;
  std::optional<BoxDownscaler> shrink;  // rows read one at a time
  Picture whole;                        // or, for a small interlaced picture, all at once
  std::vector<png_bytep> wholeRows;
  png_structp png = nullptr;
  png_infop info = nullptr;
  long sourceWidth = 0;
  long sourceHeight = 0;
  bool tooLarge = false;

  ~PngJob() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

extern "C" void pngError(png_structp png, png_const_charp message) {
  static_cast<PngJob*>(png_get_error_ptr(png))->message = message;
  png_longjmp(png, 1);
}

extern "C" void pngWarning(png_structp, png_const_charp) {}

extern "C" void pngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (job->bytes.size() - job->position < length) png_error(png, "Premature end of PNG file");
  std::memcpy(out, job->bytes.data() + job->position, length);
  job->position += length;
}

// Reads the picture row by row through the box shrink. An interlaced picture
// that needs shrinking is read from its first pass only, every eighth pixel
// of every eighth row, which arrives first in the file: the full raster of an
// interlaced picture is never held.
bool runPng(PngJob& job, long maxPixels) {
  png_structp png = job.png;
  png_infop info = job.info;
  if (setjmp(png_jmpbuf(png))) return false;

  png_set_read_fn(png, &job, pngRead);
  png_set_user_limits(png, 1u << 20, 1u << 20);
  png_set_chunk_malloc_max(png, 8u << 20);  // text and colour-profile chunks, inflated
  png_read_info(png, info);
  job.sourceWidth = png_get_image_width(png, info);
  job.sourceHeight = png_get_image_height(png, info);
  if (job.sourceWidth * job.sourceHeight > PictureDecoder::kMaxSourcePixels) {
    job.tooLarge = true;
    return false;
  }

  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const bool fits = job.sourceWidth * job.sourceHeight <= maxPixels;
  long width = job.sourceWidth;
  long height = job.sourceHeight;
  if (interlaced && fits) {
    png_set_interlace_handling(png);
  } else if (interlaced) {
    width = PNG_PASS_COLS(job.sourceWidth, 0);
    height = PNG_PASS_ROWS(job.sourceHeight, 0);
  }
  png_read_update_info(png, info);

  if (interlaced && fits) {
    // Small enough to hold whole: libpng combines the passes in place.
    job.whole.set_size(height, width);
    job.wholeRows.resize(static_cast<std::size_t>(height));
    for (long r = 0; r < height; ++r) job.wholeRows[r] = reinterpret_cast<png_bytep>(&job.whole(r, 0));
    png_read_image(png, job.wholeRows.data());
    return true;
  }
  job.shrink.emplace(width, height, boxFactor(width, height, maxPixels));
  job.row.resize(std::max<std::size_t>(png_get_rowbytes(png, info), static_cast<std::size_t>(width) * 3));
  for (long r = 0; r < height; ++r) {
    png_read_row(png, job.row.data(), nullptr);
    job.shrink->addRow(job.row.data());
  }
  return true;
}

// ---------------------------------------------------------------- BMP

class MemoryStreamBuffer : public std::streambuf {
 public:
  explicit MemoryStreamBuffer(std::span<const std::uint8_t> bytes) {
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    setg(begin, begin, begin + bytes.size());
  }
};

long bigEndian32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<long>(std::uint32_t{bytes[offset]} << 24 | std::uint32_t{bytes[offset + 1]} << 16 |
                           std::uint32_t{bytes[offset + 2]} << 8 | std::uint32_t{bytes[offset + 3]});
}

long littleEndian32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::int32_t>(std::uint32_t{bytes[offset]} | std::uint32_t{bytes[offset + 1]} << 8 |
                                   std::uint32_t{bytes[offset + 2]} << 16 | std::uint32_t{bytes[offset + 3]} << 24);
}

}  // namespace

DecodedPicture PictureDecoder::decode(std::span<const std::uint8_t> bytes) const {
  if (bytes.empty()) return failure("empty picture");
  if (startsWith(bytes, {0xFF, 0xD8, 0xFF})) return decodeJpeg(bytes);
  if (startsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return decodePng(bytes);
  if (startsWith(bytes, {'B', 'M'})) return decodeBmp(bytes);
  return failure("not a JPEG, PNG or BMP picture");
}

DecodedPicture PictureDecoder::decodeJpeg(std::span<const std::uint8_t> bytes) const {
  JpegJob job;
  const bool decoded = runJpeg(job, bytes, maxPixels_);
  jpeg_destroy_decompress(&job.info);

  DecodedPicture result;
  result.sourceWidth = job.sourceWidth;
  result.sourceHeight = job.sourceHeight;
  if (job.tooLarge) return failure("picture too large");
  if (!decoded) return failure(std::string("JPEG: ") + job.errors.message);
  result.picture = orientUpright(job.shrink->finish(), job.orientation);
  return result;
}

DecodedPicture PictureDecoder::decodePng(std::span<const std::uint8_t> bytes) const {
  // The size is refused from the header itself, before libpng reads on.
  if (bytes.size() >= 24 && bigEndian32(bytes, 16) * bigEndian32(bytes, 20) > kMaxSourcePixels) {
    return failure("picture too large");
  }
  PngJob job;
  job.bytes = bytes;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, pngError, pngWarning);
  if (job.png != nullptr) job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) return failure("PNG: out of memory");

  const bool decoded = runPng(job, maxPixels_);
  if (job.tooLarge) return failure("picture too large");
  if (!decoded) return failure("PNG: " + job.message);
  DecodedPicture result;
  result.sourceWidth = job.sourceWidth;
  result.sourceHeight = job.sourceHeight;
  result.picture = job.shrink ? job.shrink->finish() : std::move(job.whole);
  return result;
}

// BMP pictures are read whole by dlib and shrunk afterwards, so one that
// claims more than kMaxBmpPixels is refused before anything is allocated.
DecodedPicture PictureDecoder::decodeBmp(std::span<const std::uint8_t> bytes) const {
  if (bytes.size() < 26) return failure("BMP: file too short");
  const long width = std::labs(littleEndian32(bytes, 18));
  const long height = std::labs(littleEndian32(bytes, 22));
  if (width * height > kMaxBmpPixels) return failure("picture too large");

  DecodedPicture result;
  result.sourceWidth = width;
  result.sourceHeight = height;
  try {
    MemoryStreamBuffer buffer(bytes);
    std::istream in(&buffer);
    Picture whole;
    dlib::load_bmp(whole, in);
    const long factor = boxFactor(whole.nc(), whole.nr(), maxPixels_);
    if (factor == 1) {
      result.picture = std::move(whole);
    } else {
      BoxDownscaler shrink(whole.nc(), whole.nr(), factor);
      for (long r = 0; r < whole.nr(); ++r) shrink.addRow(reinterpret_cast<const std::uint8_t*>(&whole(r, 0)));
      result.picture = shrink.finish();
    }
  } catch (const dlib::image_load_error& e) {
    return failure(std::string("BMP: ") + e.what());
  }
  return result;
}

}  // namespace velmora::engine
