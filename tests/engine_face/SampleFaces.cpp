#include "SampleFaces.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>

#include <dlib/image_transforms.h>

#include "PictureFiles.h"
#include "engine/face/PictureDecoder.h"

namespace velmora::engine::testing {

bool faceModelsPresent() {
  return !samplePath(1).empty() && std::filesystem::exists(VELMORA_SHAPE_MODEL_FILE);
}

const FaceFinder& sharedFaceFinder() {
  static const FaceFinder finder = [] {
    auto loaded = FaceFinder::load(VELMORA_SHAPE_MODEL_FILE);
    if (!loaded) throw std::runtime_error(loaded.error());
    return std::move(loaded).value();
  }();
  return finder;
}

Picture samplePicture(int number) {
  const DecodedPicture decoded = PictureDecoder().decode(readFile(samplePath(number)));
  if (!decoded.ok()) throw std::runtime_error("sample" + std::to_string(number) + ": " + decoded.error);
  return decoded.picture;
}

namespace {

struct SampleWithFaces {
  Picture picture;
  std::vector<dlib::rectangle> boxes;  // largest first
};

// Samples are searched once per test program.
const SampleWithFaces& sampleWithFaces(int number) {
  static std::mutex mutex;
  static std::map<int, SampleWithFaces> searched;
  std::lock_guard lock(mutex);
  auto found = searched.find(number);
  if (found == searched.end()) {
    SampleWithFaces sample{samplePicture(number), {}};
    for (const auto& face : sharedFaceFinder().allFaces(sample.picture)) sample.boxes.push_back(face.box);
    found = searched.emplace(number, std::move(sample)).first;
  }
  return found->second;
}

}  // namespace

Picture faceWithSurroundings(const SampleFace& which) {
  const SampleWithFaces& sample = sampleWithFaces(which.sample);
  if (static_cast<int>(sample.boxes.size()) <= which.face) throw std::runtime_error("sample face not found");
  const dlib::rectangle box = sample.boxes[static_cast<std::size_t>(which.face)];
  const long side = std::max(box.width(), box.height()) * 2;
  const dlib::rectangle square = dlib::centered_rect(box, side, side).intersect(dlib::get_rect(sample.picture));
  const long squareSide = std::min(square.width(), square.height());
  return cropScaled(sample.picture, square.left(), square.top(), squareSide, squareSide, squareSide, squareSide);
}

Picture pictureWith(const Picture& part, long side, long left, long top, long width, long height) {
  Picture canvas = plainPicture(width, height, 128);
  paste(canvas, cropScaled(part, 0, 0, part.nc(), part.nr(), side, side), left, top);
  return canvas;
}

}  // namespace velmora::engine::testing
