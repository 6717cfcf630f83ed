#include "engine/face/FaceFinder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>

#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms.h>
#include <dlib/serialize.h>

namespace velmora::engine {

// Detectors waiting to be borrowed; a new one is made when all are in use.
class FaceFinder::DetectorPool {
 public:
  class Lease {
   public:
    Lease(DetectorPool& pool, std::unique_ptr<dlib::frontal_face_detector> detector)
        : pool_(pool), detector_(std::move(detector)) {}
    ~Lease() { pool_.giveBack(std::move(detector_)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    dlib::frontal_face_detector& operator*() { return *detector_; }

   private:
    DetectorPool& pool_;
    std::unique_ptr<dlib::frontal_face_detector> detector_;
  };

  Lease borrow() {
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        auto detector = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(detector));
      }
    }
    return Lease(*this, std::make_unique<dlib::frontal_face_detector>(dlib::get_frontal_face_detector()));
  }

 private:
  void giveBack(std::unique_ptr<dlib::frontal_face_detector> detector) {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(detector));
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<dlib::frontal_face_detector>> idle_;
};

namespace {

constexpr unsigned long kLandmarkCount = 68;

void sortLargestFirst(std::vector<dlib::rectangle>& boxes) {
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const dlib::rectangle& a, const dlib::rectangle& b) { return a.area() > b.area(); });
}

dlib::rectangle scaled(const dlib::rectangle& box, double factor) {
  return dlib::rectangle(std::lround(box.left() * factor), std::lround(box.top() * factor),
                         std::lround(box.right() * factor), std::lround(box.bottom() * factor));
}

FaceChip toFaceChip(const dlib::matrix<dlib::rgb_pixel>& image) {
  FaceChip chip;
  chip.rgb.resize(static_cast<std::size_t>(kChipSize) * kChipSize * 3);
  std::memcpy(chip.rgb.data(), &image(0, 0), chip.rgb.size());
  return chip;
}

}  // namespace

LoadResult<FaceFinder> FaceFinder::load(const std::filesystem::path& shapeModelFile, long detectionSide) {
  std::ifstream in(shapeModelFile, std::ios::binary);
  if (!in) return LoadError{"cannot open the face landmark model " + shapeModelFile.string()};
  auto landmarks = std::make_unique<dlib::shape_predictor>();
  try {
    dlib::deserialize(*landmarks, in);
  } catch (const std::exception& e) {
    return LoadError{"cannot read the face landmark model " + shapeModelFile.string() + ": " + e.what()};
  }
  if (landmarks->num_parts() != kLandmarkCount) {
    return LoadError{"the face landmark model " + shapeModelFile.string() + " does not give 68 points"};
  }
  return FaceFinder(std::move(landmarks), std::max(80L, detectionSide));
}

FaceFinder::FaceFinder(std::unique_ptr<dlib::shape_predictor> landmarks, long detectionSide)
    : landmarks_(std::move(landmarks)), detectors_(std::make_unique<DetectorPool>()), detectionSide_(detectionSide) {}

FaceFinder::~FaceFinder() = default;
FaceFinder::FaceFinder(FaceFinder&&) noexcept = default;
FaceFinder& FaceFinder::operator=(FaceFinder&&) noexcept = default;

double FaceFinder::coarseScale(const Picture& picture) const {
  const long longest = std::max(picture.nr(), picture.nc());
  return longest > detectionSide_ ? static_cast<double>(detectionSide_) / longest : 1.0;
}

std::vector<dlib::rectangle> FaceFinder::detectAtScale(const Picture& picture, double scale) const {
  dlib::matrix<unsigned char> gray;
  dlib::assign_image(gray, picture);
  if (scale != 1.0) {
    dlib::matrix<unsigned char> working(std::lround(picture.nr() * scale), std::lround(picture.nc() * scale));
    dlib::resize_image(gray, working);
    gray.swap(working);
  }
  auto detector = detectors_->borrow();
  std::vector<dlib::rectangle> boxes = (*detector)(gray);
  for (auto& box : boxes) box = scaled(box, 1.0 / scale);
  sortLargestFirst(boxes);
  return boxes;
}

std::vector<dlib::rectangle> FaceFinder::findBoxes(const Picture& picture) const {
  if (picture.size() == 0) return {};
  const double scale = coarseScale(picture);
  std::vector<dlib::rectangle> boxes = detectAtScale(picture, scale);
  if (boxes.empty()) boxes = detectAtScale(picture, 2 * scale);
  return boxes;
}

FoundFace FaceFinder::cutOut(const Picture& picture, const dlib::rectangle& box) const {
  const dlib::full_object_detection shape = (*landmarks_)(picture, box);
  dlib::matrix<dlib::rgb_pixel> chip;
  dlib::extract_image_chip(picture, dlib::get_face_chip_details(shape, kChipSize, kChipPadding), chip);
  return FoundFace{box, toFaceChip(chip)};
}

std::optional<FoundFace> FaceFinder::largestFace(const Picture& picture) const {
  const std::vector<dlib::rectangle> boxes = findBoxes(picture);
  if (boxes.empty()) return std::nullopt;
  return cutOut(picture, boxes.front());
}

std::vector<FoundFace> FaceFinder::allFaces(const Picture& picture) const {
  if (picture.size() == 0) return {};
  std::vector<FoundFace> faces;
  for (const auto& box : detectAtScale(picture, 2 * coarseScale(picture))) faces.push_back(cutOut(picture, box));
  return faces;
}

}  // namespace velmora::engine
