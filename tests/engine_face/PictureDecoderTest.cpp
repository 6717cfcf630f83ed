#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <random>
#include <string>

#include <png.h>

#include "PictureFiles.h"
#include "engine/face/BoxDownscaler.h"
#include "engine/face/ExifOrientation.h"
#include "engine/face/PictureDecoder.h"

using namespace velmora::engine;
using namespace velmora::engine::testing;

namespace {

Picture gradient(long width, long height) {
  Picture picture(height, width);
  for (long r = 0; r < height; ++r) {
    for (long c = 0; c < width; ++c) {
      picture(r, c) = dlib::rgb_pixel(static_cast<unsigned char>(c * 4), static_cast<unsigned char>(r * 5), 128);
    }
  }
  return picture;
}

Picture greyOf(const Picture& picture) {
  Picture grey = picture;
  for (auto& p : grey) {
    const auto v = static_cast<unsigned char>((p.red * 299 + p.green * 587 + p.blue * 114 + 500) / 1000);
    p = dlib::rgb_pixel(v, v, v);
  }
  return grey;
}

Picture paletteOf(const Picture& picture) {
  Picture quantised = picture;
  for (auto& p : quantised) p = dlib::rgb_pixel(p.red >> 5 << 5, p.green >> 5 << 5, p.blue >> 6 << 6);
  return quantised;
}

double meanAbsoluteDifference(const Picture& a, const Picture& b) {
  double sum = 0;
  for (long r = 0; r < a.nr(); ++r) {
    for (long c = 0; c < a.nc(); ++c) {
      sum += std::abs(a(r, c).red - b(r, c).red) + std::abs(a(r, c).green - b(r, c).green) +
             std::abs(a(r, c).blue - b(r, c).blue);
    }
  }
  return sum / (3.0 * a.size());
}

long peakMemoryKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

Bytes cut(Bytes bytes, double share) {
  bytes.resize(static_cast<std::size_t>(bytes.size() * share));
  return bytes;
}

Bytes withoutLast(Bytes bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

}  // namespace

TEST(PictureDecoder, ReadsEachFormatAndSampleLayout) {
  const Picture source = gradient(64, 48);
  const struct {
    const char* name;
    Bytes bytes;
    Picture expected;
    double tolerance;  // mean absolute difference per sample
  } cases[] = {
      {"baseline JPEG", encodeJpeg(source), source, 3.0},
      {"progressive JPEG", encodeJpeg(source, {.progressive = true}), source, 3.0},
      {"RGB PNG", encodePng(source), source, 0.0},
      {"RGBA PNG", encodePng(source, {.colorType = PNG_COLOR_TYPE_RGB_ALPHA}), source, 0.0},
      {"16-bit RGB PNG", encodePng(source, {.bitDepth = 16}), source, 0.0},
      {"grey PNG", encodePng(source, {.colorType = PNG_COLOR_TYPE_GRAY}), greyOf(source), 0.0},
      {"grey+alpha PNG", encodePng(source, {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA}), greyOf(source), 0.0},
      {"palette PNG", encodePng(source, {.colorType = PNG_COLOR_TYPE_PALETTE}), paletteOf(source), 0.0},
      {"interlaced PNG", encodePng(source, {.interlaced = true}), source, 0.0},
      {"BMP", encodeBmp(source), source, 0.0},
  };
  const PictureDecoder decoder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodedPicture decoded = decoder.decode(c.bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    EXPECT_EQ(decoded.sourceWidth, 64);
    EXPECT_EQ(decoded.sourceHeight, 48);
    ASSERT_EQ(decoded.picture.nc(), 64);
    ASSERT_EQ(decoded.picture.nr(), 48);
    EXPECT_LE(meanAbsoluteDifference(decoded.picture, c.expected), c.tolerance);
  }
}

// Damaged or foreign bytes fail with a message and never give a picture; a
// truncated picture is one of them (its missing part would be decoded grey).
TEST(PictureDecoder, RefusesBytesThatAreNoWholePicture) {
  const Picture source = gradient(64, 48);
  std::mt19937 random(5);
  Bytes noise(4096);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  Bytes jpegMagicThenNoise{0xFF, 0xD8, 0xFF};
  jpegMagicThenNoise.insert(jpegMagicThenNoise.end(), noise.begin(), noise.end());
  Bytes bmpTruncated = encodeBmp(source);
  bmpTruncated.resize(bmpTruncated.size() / 2);
  const Bytes pngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes bmpDeclaringHuge = encodeBmp(source);
  bmpDeclaringHuge[19] = 0x13, bmpDeclaringHuge[20] = 0;  // 64 -> 4928 wide
  bmpDeclaringHuge[23] = 0x13, bmpDeclaringHuge[24] = 0;  // 48 -> 4912 high

  const struct {
    const char* name;
    Bytes bytes;
    const char* errorPart;
  } cases[] = {
      {"empty", {}, "empty"},
      {"random bytes", noise, "not a JPEG, PNG or BMP"},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, "not a JPEG, PNG or BMP"},
      {"JPEG marker then noise", jpegMagicThenNoise, "JPEG"},
      {"JPEG cut after its header", cut(encodeJpeg(source), 0.2), "JPEG"},
      {"JPEG cut in its pixel data", cut(encodeJpeg(source), 0.7), "Premature end"},
      {"JPEG without its end marker", withoutLast(encodeJpeg(source), 2), "Premature end"},
      {"progressive JPEG cut", cut(encodeJpeg(source, {.progressive = true}), 0.7), "Premature end"},
      {"PNG signature alone", pngSignature, "PNG"},
      {"PNG cut in its pixel data", cut(encodePng(noisePicture(64, 48, 1)), 0.6), "PNG"},
      {"PNG declaring 20000 x 20000", pngHeaderOnly(20000, 20000), "too large"},
      {"BMP header cut", Bytes{'B', 'M', 1, 2, 3}, "BMP"},
      {"BMP cut in its pixel data", bmpTruncated, "BMP"},
      {"BMP declaring 24 megapixels", bmpDeclaringHuge, "too large"},
  };
  const PictureDecoder decoder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodedPicture decoded = decoder.decode(c.bytes);
    EXPECT_FALSE(decoded.ok());
    EXPECT_NE(decoded.error.find(c.errorPart), std::string::npos) << decoded.error;
    EXPECT_EQ(decoded.picture.size(), 0);
  }
}

// Flipped bytes anywhere (headers, tables, pixel data) give an error or a
// picture within the bound, never a crash.
TEST(PictureDecoder, RandomlyDamagedPicturesNeverCrash) {
  const Picture source = noisePicture(96, 64, 4);
  const Bytes originals[] = {encodeJpeg(source), encodeJpeg(source, {.progressive = true}), encodePng(source),
                             encodePng(source, {.interlaced = true}), encodeBmp(source)};
  std::mt19937 random(11);
  const PictureDecoder decoder(2000);
  int decodedCount = 0, refusedCount = 0;
  for (const Bytes& original : originals) {
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = original;
      const int flips = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
      const DecodedPicture decoded = decoder.decode(damaged);
      if (decoded.ok()) {
        ++decodedCount;
        EXPECT_LE(decoded.picture.size(), 2000);
      } else {
        ++refusedCount;
        EXPECT_FALSE(decoded.error.empty());
      }
    }
  }
  EXPECT_GT(refusedCount, 0);
  EXPECT_GT(decodedCount, 0);
}

TEST(PictureDecoder, FiftyMegapixelJpegIsScaledWhileDecoding) {
  constexpr long kWidth = 8000, kHeight = 6250;
  const Bytes bytes = encodeJpeg(kWidth, kHeight, [](long row, std::uint8_t* rgb) {
    for (long x = 0; x < kWidth; ++x) {
      rgb[3 * x] = static_cast<std::uint8_t>(x * 255 / kWidth);
      rgb[3 * x + 1] = static_cast<std::uint8_t>(row * 255 / kHeight);
      rgb[3 * x + 2] = 60;
    }
  });

  const long memoryBefore = peakMemoryKb();
  const DecodedPicture decoded = PictureDecoder().decode(bytes);
  const long memoryGrowthKb = peakMemoryKb() - memoryBefore;

  ASSERT_TRUE(decoded.ok()) << decoded.error;
  EXPECT_EQ(decoded.sourceWidth, kWidth);
  EXPECT_EQ(decoded.sourceHeight, kHeight);
  // DCT scaling by 2/8 is the largest that fits 4 megapixels.
  EXPECT_EQ(decoded.picture.nc(), 2000);
  EXPECT_EQ(decoded.picture.nr(), 1563);
  EXPECT_LE(decoded.picture.size(), PictureDecoder::kDefaultMaxPixels);
  // The full picture would take 150 MB; the decoder needs its result (9 MB)
  // and a few rows.
  EXPECT_LT(memoryGrowthKb, 40 * 1024);
  const dlib::rgb_pixel middle = decoded.picture(781, 1000);
  EXPECT_NEAR(middle.red, 127, 4);
  EXPECT_NEAR(middle.green, 127, 4);
  EXPECT_NEAR(middle.blue, 60, 4);
}

TEST(PictureDecoder, LargePngIsAveragedDownRowByRow) {
  // A checkerboard of single black and white pixels averages to mid grey.
  constexpr long kWidth = 4000, kHeight = 3000;
  const Bytes bytes = encodePng(kWidth, kHeight, [](long row, std::uint8_t* rgb) {
    for (long x = 0; x < kWidth; ++x) {
      const std::uint8_t v = (x + row) % 2 ? 255 : 0;
      rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = v;
    }
  });
  const DecodedPicture decoded = PictureDecoder().decode(bytes);
  ASSERT_TRUE(decoded.ok()) << decoded.error;
  EXPECT_EQ(decoded.picture.nc(), 2000);
  EXPECT_EQ(decoded.picture.nr(), 1500);
  for (long r : {0L, 749L, 1499L}) {
    for (long c : {0L, 1000L, 1999L}) EXPECT_NEAR(decoded.picture(r, c).green, 128, 1) << r << "," << c;
  }
}

TEST(PictureDecoder, LargeInterlacedPngIsReadFromItsFirstPass) {
  constexpr long kWidth = 4100, kHeight = 3000;
  auto pixel = [](long x, long y) {
    return dlib::rgb_pixel(static_cast<unsigned char>(x / 8), static_cast<unsigned char>(y / 8),
                           static_cast<unsigned char>(x % 8 + y % 8));
  };
  const Bytes bytes = encodePng(kWidth, kHeight, [&](long row, std::uint8_t* rgb) {
    for (long x = 0; x < kWidth; ++x) {
      const dlib::rgb_pixel p = pixel(x, row);
      rgb[3 * x] = p.red, rgb[3 * x + 1] = p.green, rgb[3 * x + 2] = p.blue;
    }
  }, {.interlaced = true});
  const DecodedPicture decoded = PictureDecoder().decode(bytes);
  ASSERT_TRUE(decoded.ok()) << decoded.error;
  ASSERT_EQ(decoded.picture.nc(), (kWidth + 7) / 8);
  ASSERT_EQ(decoded.picture.nr(), (kHeight + 7) / 8);
  for (long r : {0L, 100L, 374L}) {
    for (long c : {0L, 300L, 512L}) EXPECT_EQ(decoded.picture(r, c), pixel(8 * c, 8 * r)) << r << "," << c;
  }
}

TEST(PictureDecoder, SmallBoundShrinksEveryFormat) {
  const Picture source = gradient(64, 48);
  const PictureDecoder decoder(400);  // 64 x 48 needs a factor of 3 to fit: 22 x 16
  for (const Bytes& bytes : {encodePng(source), encodeBmp(source)}) {
    const DecodedPicture decoded = decoder.decode(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    EXPECT_EQ(decoded.picture.nc(), 22);
    EXPECT_EQ(decoded.picture.nr(), 16);
  }
  // JPEG: DCT scaling by 2/8 gives 16 x 12.
  const DecodedPicture jpeg = decoder.decode(encodeJpeg(source));
  ASSERT_TRUE(jpeg.ok()) << jpeg.error;
  EXPECT_EQ(jpeg.picture.nc(), 16);
  EXPECT_EQ(jpeg.picture.nr(), 12);
}

TEST(BoxDownscaler, EdgeBlocksAverageTheSourcePixelsThereAre) {
  // 5 x 3 source, factor 2: result 3 x 2; the last column and row are
  // averages of narrower blocks.
  const Picture source = [] {
    Picture p(3, 5);
    for (long r = 0; r < 3; ++r)
      for (long c = 0; c < 5; ++c) p(r, c) = dlib::rgb_pixel(static_cast<unsigned char>(10 * (r * 5 + c)), 0, 0);
    return p;
  }();
  BoxDownscaler shrink(5, 3, 2);
  for (long r = 0; r < 3; ++r) shrink.addRow(reinterpret_cast<const std::uint8_t*>(&source(r, 0)));
  const Picture result = shrink.finish();
  ASSERT_EQ(result.nc(), 3);
  ASSERT_EQ(result.nr(), 2);
  EXPECT_EQ(result(0, 0).red, (0 + 10 + 50 + 60) / 4);
  EXPECT_EQ(result(0, 2).red, (40 + 90) / 2);
  EXPECT_EQ(result(1, 0).red, (100 + 110) / 2);
  EXPECT_EQ(result(1, 2).red, 140);
}

TEST(ExifOrientation, TurnsEachStoredOrientationUpright) {
  // Stored 2 rows x 3 columns: a b c / d e f.
  Picture stored(2, 3);
  for (long i = 0; i < 6; ++i) stored(i / 3, i % 3) = dlib::rgb_pixel(static_cast<unsigned char>('a' + i), 0, 0);
  const struct {
    int orientation;
    long rows;
    const char* upright;  // row by row
  } cases[] = {
      {1, 2, "abcdef"}, {2, 2, "cbafed"}, {3, 2, "fedcba"}, {4, 2, "defabc"},
      {5, 3, "adbecf"}, {6, 3, "daebfc"}, {7, 3, "fcebda"}, {8, 3, "cfbead"},
  };
  for (const auto& c : cases) {
    const Picture upright = orientUpright(stored, c.orientation);
    ASSERT_EQ(upright.nr(), c.rows) << c.orientation;
    std::string pixels;
    for (const auto& p : upright) pixels.push_back(static_cast<char>(p.red));
    EXPECT_EQ(pixels, c.upright) << "orientation " << c.orientation;
  }
}

TEST(ExifOrientation, ReadsTheTagInBothByteOrdersAndIgnoresMalformedBlocks) {
  const Bytes bigEndian{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                        0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
  const Bytes littleEndian{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0,
                           0x0F, 0x01, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0,   // another tag first
                           0x12, 0x01, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0};
  Bytes offsetOutside = bigEndian;
  offsetOutside[13] = 200;
  Bytes entryCut = bigEndian;
  entryCut.resize(20);
  Bytes valueOutOfRange = bigEndian;
  valueOutOfRange[25] = 9;
  Bytes notExif = bigEndian;
  notExif[0] = 'X';
  const struct {
    const char* name;
    Bytes block;
    int orientation;
  } cases[] = {
      {"big-endian", bigEndian, 6},      {"little-endian", littleEndian, 8},
      {"IFD offset outside", offsetOutside, 1}, {"entry cut", entryCut, 1},
      {"value 9", valueOutOfRange, 1},   {"not Exif", notExif, 1},
      {"empty", Bytes{}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(exifOrientation(c.block.data(), c.block.size()), c.orientation) << c.name;
}

TEST(PictureDecoder, JpegStandsUprightByItsExifOrientation) {
  // Left half red, right half blue, stored with orientations 6 and 8.
  Picture stored(32, 64);
  for (long r = 0; r < 32; ++r)
    for (long c = 0; c < 64; ++c) stored(r, c) = c < 32 ? dlib::rgb_pixel(255, 0, 0) : dlib::rgb_pixel(0, 0, 255);
  const struct {
    int orientation;
    bool redOnTop;
  } cases[] = {{6, true}, {8, false}};
  for (const auto& c : cases) {
    const DecodedPicture decoded = PictureDecoder().decode(encodeJpeg(stored, {.exifOrientation = c.orientation}));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    ASSERT_EQ(decoded.picture.nc(), 32);
    ASSERT_EQ(decoded.picture.nr(), 64);
    const dlib::rgb_pixel top = decoded.picture(8, 16);
    EXPECT_EQ(top.red > top.blue, c.redOnTop) << "orientation " << c.orientation;
  }
}
