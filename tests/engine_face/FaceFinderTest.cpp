#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "PictureFiles.h"
#include "SampleFaces.h"
#include "engine/face/FaceFinder.h"

using namespace velmora::engine;
using namespace velmora::engine::testing;

namespace {

class FaceFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!faceModelsPresent()) GTEST_SKIP() << "landmark model or sample pictures not installed";
  }
  const FaceFinder& finder() { return sharedFaceFinder(); }
};

long centreX(const dlib::rectangle& box) { return (box.left() + box.right()) / 2; }

double meanAbsoluteDifference(const FaceChip& a, const FaceChip& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int{a.rgb[i]} - int{b.rgb[i]});
  return sum / a.rgb.size();
}

}  // namespace

TEST_F(FaceFinderTest, ChoosesTheLargestFaceWhereverItIs) {
  const Picture first = faceWithSurroundings({3, 0});
  const Picture second = faceWithSurroundings({3, 1});
  const struct {
    const char* name;
    long firstSide, secondSide;
    bool largestOnLeft;
  } cases[] = {
      {"first larger", 260, 180, true},
      {"second larger", 180, 260, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Picture picture = pictureWith(first, c.firstSide, 20, 100);
    paste(picture, pictureWith(second, c.secondSide, 0, 0, c.secondSide, c.secondSide), 620 - c.secondSide, 140);
    ASSERT_EQ(finder().findBoxes(picture).size(), 2u);
    const auto largest = finder().largestFace(picture);
    ASSERT_TRUE(largest.has_value());
    EXPECT_EQ(centreX(largest->box) < 320, c.largestOnLeft) << largest->box;
    EXPECT_EQ(largest->chip.rgb.size(), std::size_t{kChipSize} * kChipSize * 3);
  }
}

TEST_F(FaceFinderTest, GivesEveryFaceOfAGroupPhotoLargestFirst) {
  const std::vector<FoundFace> faces = finder().allFaces(samplePicture(3));
  ASSERT_EQ(faces.size(), 3u);
  for (std::size_t i = 1; i < faces.size(); ++i) EXPECT_GE(faces[i - 1].box.area(), faces[i].box.area());
  for (const auto& face : faces) EXPECT_EQ(face.chip.rgb.size(), std::size_t{kChipSize} * kChipSize * 3);
}

TEST_F(FaceFinderTest, PicturesWithoutAFaceGiveNone) {
  const struct {
    const char* name;
    Picture picture;
  } cases[] = {
      {"plain grey", plainPicture(640, 480, 128)},
      {"noise", noisePicture(640, 480, 3)},
      {"empty", Picture()},
      {"one pixel", plainPicture(1, 1, 0)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(finder().largestFace(c.picture).has_value()) << c.name;
    EXPECT_TRUE(finder().allFaces(c.picture).empty()) << c.name;
  }
}

// A face under the detector's 80-pixel window is found by the second,
// finer search.
TEST_F(FaceFinderTest, FindsASmallFaceOnTheFinerSearch) {
  const Picture picture = pictureWith(faceWithSurroundings({3, 0}), 110, 300, 200);
  const auto face = finder().largestFace(picture);
  ASSERT_TRUE(face.has_value());
  EXPECT_LT(face->box.width(), 80);
  EXPECT_NEAR(centreX(face->box), 355, 15);
}

// The face is found on a smaller working copy of a large picture, and its
// chip cut from the full picture: it must match the chip of the same face
// in a small picture that is searched at full size.
TEST_F(FaceFinderTest, ChipOfALargePictureMatchesTheChipOfTheFaceAlone) {
  const Picture full = samplePicture(3);
  const auto fromFull = finder().allFaces(full);
  ASSERT_FALSE(fromFull.empty());
  const dlib::rectangle box = fromFull.front().box;
  const dlib::rectangle around = dlib::centered_rect(box, box.width() * 2, box.height() * 2);
  const Picture alone = dlib::subm(full, around.top(), around.left(), around.height(), around.width());
  ASSERT_GT(std::max(full.nc(), full.nr()), FaceFinder::kDefaultDetectionSide);

  const auto largestInFull = finder().largestFace(full);
  const auto largestAlone = finder().largestFace(alone);
  ASSERT_TRUE(largestInFull && largestAlone);
  EXPECT_LT(meanAbsoluteDifference(largestInFull->chip, largestAlone->chip), 8.0);
}

TEST_F(FaceFinderTest, ConcurrentSearchesGiveWhatOneAtATimeGives) {
  std::vector<Picture> pictures;
  for (int sample : {1, 3, 5, 6}) pictures.push_back(samplePicture(sample));
  std::vector<dlib::rectangle> expected;
  for (const auto& picture : pictures) expected.push_back(finder().largestFace(picture)->box);

  std::vector<std::vector<dlib::rectangle>> seen(4);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t round = 0; round < 3; ++round) {
        const auto face = finder().largestFace(pictures[(t + round) % pictures.size()]);
        seen[t].push_back(face ? face->box : dlib::rectangle());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (std::size_t t = 0; t < 4; ++t) {
    for (std::size_t round = 0; round < 3; ++round) EXPECT_EQ(seen[t][round], expected[(t + round) % pictures.size()]);
  }
}

TEST(FaceFinderLoad, MissingOrDamagedModelGivesAnErrorNamingTheFile) {
  const std::filesystem::path damaged = std::filesystem::temp_directory_path() / "velmora-face-damaged-model.dat";
  std::ofstream(damaged, std::ios::binary) << "not a landmark model";
  const std::filesystem::path missing = "/nonexistent/velmora/shape_predictor.dat";
  for (const auto& path : {missing, damaged}) {
    const auto loaded = FaceFinder::load(path);
    EXPECT_FALSE(loaded.ok());
    EXPECT_NE(loaded.error().find(path.string()), std::string::npos) << loaded.error();
  }
  std::filesystem::remove(damaged);
}
