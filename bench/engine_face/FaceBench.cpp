// Median times of the face pipeline on this machine:
//   decode + detect + landmarks + chip of a 640 x 480 picture with a face
//   (cut from a sample photograph), and of a full-size sample photograph;
//   the stages of the 640 x 480 case one by one;
//   a whole match of two 640 x 480 pictures (both decoded, searched and
//   embedded), and the same with the first picture already in the cache;
//   decoding a 50-megapixel JPEG, with the peak memory of the process.
// Usage: engine_face_bench [runs]   (31 by default)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <dlib/image_transforms.h>

#include "engine/face/FaceEmbedder.h"
#include "engine/face/FaceFinder.h"
#include "engine/face/NetworkEmbedder.h"
#include "engine/face/PictureDecoder.h"
#include "engine/face/ScoreCalibration.h"
#include "tests/engine_face/PictureFiles.h"

using namespace velmora::engine;
using testing::Bytes;
using testing::encodeJpeg;
using testing::readFile;

namespace {

double medianMs(int runs, const std::function<void(int)>& work) {
  for (int i = 0; i < 3; ++i) work(-1 - i);  // warm-up
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work(i);
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<std::size_t>(runs / 2)];
}

// A 640 x 480 ID-photo-like picture: the face's surroundings, scaled so the
// face is about 170 pixels wide, on a plain background.
Picture portraitOf(const Picture& sample, const dlib::rectangle& face) {
  const long side = face.width() * 2;
  const dlib::rectangle square = dlib::centered_rect(face, side, side).intersect(dlib::get_rect(sample));
  Picture part = dlib::subm(sample, square.top(), square.left(), square.height(), square.width());
  Picture scaled(340, 340);
  dlib::resize_image(part, scaled);
  Picture canvas(480, 640);
  canvas = dlib::rgb_pixel(200, 200, 200);
  dlib::set_subm(canvas, 70, 150, 340, 340) = scaled;
  return canvas;
}

long peakMemoryMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  auto loadedFinder = FaceFinder::load(VELMORA_SHAPE_MODEL_FILE);
  if (!loadedFinder) {
    std::fprintf(stderr, "%s\n", loadedFinder.error().c_str());
    return 1;
  }
  const FaceFinder finder = std::move(loadedFinder).value();
  const PictureDecoder decoder;
  const std::string samples = VELMORA_FACE_SAMPLES_DIR;
  const Bytes sample3 = readFile(samples + "/sample3.jpg");
  const Bytes sample5 = readFile(samples + "/sample5.jpg");
  if (sample3.empty() || sample5.empty()) {
    std::fprintf(stderr, "sample pictures missing in %s\n", samples.c_str());
    return 1;
  }
  const Picture full3 = decoder.decode(sample3).picture;
  const Picture full5 = decoder.decode(sample5).picture;
  const Bytes portraitA = encodeJpeg(portraitOf(full3, finder.allFaces(full3).at(0).box));
  const Bytes portraitB = encodeJpeg(portraitOf(full5, finder.allFaces(full5).at(1).box));
  std::printf("runs per figure: %d (median shown)\n", runs);

  auto decodeDetectChip = [&](const Bytes& bytes) {
    const auto face = finder.largestFace(decoder.decode(bytes).picture);
    if (!face) std::abort();
  };
  std::printf("decode+detect+landmarks+chip, 640x480 JPEG:   %7.1f ms\n",
              medianMs(runs, [&](int) { decodeDetectChip(portraitA); }));
  std::printf("decode+detect+landmarks+chip, sample3 %ldx%ld: %7.1f ms\n", full3.nc(), full3.nr(),
              medianMs(runs, [&](int) { decodeDetectChip(sample3); }));

  const Picture portraitPicture = decoder.decode(portraitA).picture;
  const auto portraitFace = finder.largestFace(portraitPicture);
  std::printf("  stages of 640x480: decode %.1f ms, detect %.1f ms, detect+landmarks+chip %.1f ms\n",
              medianMs(runs, [&](int) { decoder.decode(portraitA); }),
              medianMs(runs, [&](int) { finder.findBoxes(portraitPicture); }),
              medianMs(runs, [&](int) { finder.largestFace(portraitPicture); }));

  auto network = EmbeddingNetwork::load(VELMORA_FACE_MODEL_DIR);
  if (!network) {
    std::printf("(no face-embedding network: %s)\n", network.error().c_str());
  } else {
    const NetworkEmbedder embedder(std::move(network).value());
    std::printf("  embed one chip: %.1f ms\n", medianMs(runs, [&](int) { embedder.embed(portraitFace->chip); }));

    auto match = [&](const FaceEmbedder& faces, const Bytes& first, const Bytes& second) {
      const FaceResult a = faces.embed(first);
      const FaceResult b = faces.embed(second);
      if (a.status != FaceStatus::Ok || b.status != FaceStatus::Ok) std::abort();
      return scoreFromDistance(embeddingDistance(a.embedding, b.embedding));
    };
    const FaceEmbedder uncached(finder, embedder, 0);
    std::printf("match of two 640x480 pictures:                %7.1f ms (score %.2f)\n",
                medianMs(runs, [&](int) { match(uncached, portraitA, portraitB); }),
                match(uncached, portraitA, portraitB));

    // Second pictures that differ in their bytes, so only the first is cached.
    std::vector<Bytes> seconds;
    for (int i = 0; i < runs + 3; ++i) seconds.push_back(encodeJpeg(decoder.decode(portraitB).picture, {.quality = 80 + i % 15}));
    for (std::size_t i = 0; i < seconds.size(); ++i) seconds[i].push_back(static_cast<std::uint8_t>(i));  // after the end marker
    const FaceEmbedder cached(finder, embedder);
    cached.embed(portraitA);
    std::printf("match with the first picture cached:          %7.1f ms\n",
                medianMs(runs, [&](int i) { match(cached, portraitA, seconds[static_cast<std::size_t>(i + 3)]); }));
  }

  constexpr long kWidth = 8000, kHeight = 6250;
  const Bytes huge = encodeJpeg(kWidth, kHeight, [&](long row, std::uint8_t* rgb) {
    const Picture& source = full3;
    const long sr = row * source.nr() / kHeight;
    for (long x = 0; x < kWidth; ++x) {
      const dlib::rgb_pixel p = source(sr, x * source.nc() / kWidth);
      rgb[3 * x] = p.red, rgb[3 * x + 1] = p.green, rgb[3 * x + 2] = p.blue;
    }
  });
  const long memoryBefore = peakMemoryMb();
  DecodedPicture decodedHuge;
  const double hugeMs = medianMs(std::min(runs, 5), [&](int) { decodedHuge = decoder.decode(huge); });
  std::printf("decode of a %ldx%ld JPEG (%.1f MB):        %7.1f ms -> %ldx%ld, peak memory %ld MB -> %ld MB\n", kWidth,
              kHeight, huge.size() / 1e6, hugeMs, decodedHuge.picture.nc(), decodedHuge.picture.nr(), memoryBefore,
              peakMemoryMb());
  std::printf("decode+detect+landmarks+chip of it:           %7.1f ms\n",
              medianMs(std::min(runs, 5), [&](int) { finder.largestFace(decoder.decode(huge).picture); }));
  return 0;
}
