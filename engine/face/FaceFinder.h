#pragma once
// Finds the faces of a decoded picture and cuts out each one as the aligned
// 150 x 150 chip the embedding network takes.
//
// Faces are found by dlib's frontal face detector (HOG) on a working copy of
// the picture whose longest side is at most detectionSide pixels (800 by
// default: the detector's smallest face is 80 pixels, a tenth of that, and a
// 640 x 480 picture is searched as it is). When nothing is found there, the
// search is repeated at twice that scale, so smaller faces are found at a
// higher cost only for the pictures that need it. The 68 landmarks and the
// chip come from the full picture, with the face's box mapped back to it.
//
// Threads: one FaceFinder may serve many threads at once. The landmark model
// is read-only and shared; the detector keeps scratch state while it runs, so
// each running search borrows a detector of its own from a small pool.
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <dlib/geometry/rectangle.h>

#include "engine/face/Picture.h"
#include "engine/network/FaceChip.h"
#include "engine/network/LoadResult.h"

namespace dlib {
class shape_predictor;
}

namespace velmora::engine {

struct FoundFace {
  dlib::rectangle box;  // where the detector saw the face, in picture pixels
  FaceChip chip;
};

class FaceFinder {
 public:
  static constexpr long kDefaultDetectionSide = 800;
  static constexpr double kChipPadding = 0.25;

  // Loads the 68-point landmark model (dlib's shape_predictor file); a missing
  // or damaged file gives an error text naming it.
  static LoadResult<FaceFinder> load(const std::filesystem::path& shapeModelFile,
                                     long detectionSide = kDefaultDetectionSide);
  ~FaceFinder();
  FaceFinder(FaceFinder&&) noexcept;
  FaceFinder& operator=(FaceFinder&&) noexcept;

  // The face with the largest box, or nothing when the picture shows no face.
  std::optional<FoundFace> largestFace(const Picture& picture) const;

  // Every face, the largest first; searched at the finer scale straight away.
  std::vector<FoundFace> allFaces(const Picture& picture) const;

  // The face boxes alone (largest first) as largestFace searches for them.
  std::vector<dlib::rectangle> findBoxes(const Picture& picture) const;

 private:
  class DetectorPool;

  FaceFinder(std::unique_ptr<dlib::shape_predictor> landmarks, long detectionSide);

  std::vector<dlib::rectangle> detectAtScale(const Picture& picture, double scale) const;
  double coarseScale(const Picture& picture) const;
  FoundFace cutOut(const Picture& picture, const dlib::rectangle& box) const;

  std::unique_ptr<dlib::shape_predictor> landmarks_;
  std::unique_ptr<DetectorPool> detectors_;
  long detectionSide_;
};

}  // namespace velmora::engine
