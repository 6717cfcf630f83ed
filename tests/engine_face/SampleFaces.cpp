#include "SampleFaces.h"

#include <algorithm>
#include <stdexcept>

#include <dlib/image_transforms.h>

#include "PictureFiles.h"
#include "engine/face/PictureDecoder.h"

namespace velmora::engine::testing {

bool faceModelsPresent() {
  return !samplePath(1).empty() && !readFile(VELMORA_SHAPE_MODEL_FILE).empty();
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

Picture faceWithSurroundings(const SampleFace& which) {
  const Picture picture = samplePicture(which.sample);
  const std::vector<FoundFace> faces = sharedFaceFinder().allFaces(picture);
  if (static_cast<int>(faces.size()) <= which.face) throw std::runtime_error("sample face not found");
  const dlib::rectangle box = faces[static_cast<std::size_t>(which.face)].box;
  const long side = std::max(box.width(), box.height()) * 2;
  const dlib::rectangle square = dlib::centered_rect(box, side, side).intersect(dlib::get_rect(picture));
  const long squareSide = std::min(square.width(), square.height());
  return cropScaled(picture, square.left(), square.top(), squareSide, squareSide, squareSide, squareSide);
}

Picture pictureWith(const Picture& part, long side, long left, long top, long width, long height) {
  Picture canvas = plainPicture(width, height, 128);
  paste(canvas, cropScaled(part, 0, 0, part.nc(), part.nr(), side, side), left, top);
  return canvas;
}

}  // namespace velmora::engine::testing
