// Scores of real embeddings from the face-embedding network: pictures of one
// person score at least 80, pictures of two people less.
#include <gtest/gtest.h>

#include <filesystem>

#include "PictureFiles.h"
#include "SampleFaces.h"
#include "engine/face/FaceEmbedder.h"
#include "engine/face/NetworkEmbedder.h"
#include "engine/face/ScoreCalibration.h"

using namespace velmora::engine;
using namespace velmora::engine::testing;

namespace {

class MatchScores : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!faceModelsPresent()) return;
    auto network = EmbeddingNetwork::load(VELMORA_FACE_MODEL_DIR);
    if (network) embedder_ = new NetworkEmbedder(std::move(network).value());
  }
  static void TearDownTestSuite() {
    delete embedder_;
    embedder_ = nullptr;
  }
  void SetUp() override {
    if (embedder_ == nullptr) GTEST_SKIP() << "face models or sample pictures not installed";
  }

  static double score(const Bytes& first, const Bytes& second) {
    const FaceEmbedder faces(sharedFaceFinder(), *embedder_);
    const FaceResult a = faces.embed(first);
    const FaceResult b = faces.embed(second);
    EXPECT_EQ(a.status, FaceStatus::Ok);
    EXPECT_EQ(b.status, FaceStatus::Ok);
    return scoreFromDistance(embeddingDistance(a.embedding, b.embedding));
  }

  // The face alone in a 640 x 480 picture, as an ID photo would show it.
  static Bytes portrait(const SampleFace& face) {
    return encodeJpeg(pictureWith(faceWithSurroundings(face), 300, 170, 90));
  }

  static inline NetworkEmbedder* embedder_ = nullptr;
};

std::string nameOf(const SampleFace& face) {
  return "sample" + std::to_string(face.sample) + " face " + std::to_string(face.face);
}

}  // namespace

// The sample photographs show different groups; one person appears in two
// of them (sample1's largest face and sample3's). Other same-person pairs
// are a face and a second picture of it: smaller, shifted and compressed
// harder, or mirrored.
TEST_F(MatchScores, PicturesOfOnePersonScoreAtLeast80) {
  EXPECT_GE(score(portrait({1, 0}), portrait({3, 0})), 80.0) << "the same woman in sample1 and sample3";

  for (const SampleFace face : {SampleFace{2, 0}, SampleFace{3, 2}, SampleFace{4, 1}, SampleFace{5, 1},
                                SampleFace{6, 0}, SampleFace{6, 3}}) {
    const Picture alone = faceWithSurroundings(face);
    const Bytes first = portrait(face);
    const Bytes smallerShifted = encodeJpeg(pictureWith(alone, 240, 330, 150), {.quality = 55});
    const Bytes mirrored = encodeJpeg(pictureWith(dlib::fliplr(alone), 300, 170, 90));
    EXPECT_GE(score(first, smallerShifted), 80.0) << nameOf(face) << ", smaller, shifted, recompressed";
    EXPECT_GE(score(first, mirrored), 80.0) << nameOf(face) << ", mirrored";
  }
}

// Faces of one group photograph are different people by construction.
TEST_F(MatchScores, PicturesOfTwoPeopleScoreBelow80) {
  const struct {
    SampleFace first, second;
  } pairs[] = {
      {{1, 0}, {1, 1}}, {{1, 0}, {1, 2}}, {{3, 0}, {3, 2}}, {{3, 1}, {3, 2}}, {{4, 0}, {4, 1}},
      {{4, 1}, {4, 2}}, {{5, 0}, {5, 1}}, {{5, 0}, {5, 2}}, {{6, 0}, {6, 1}}, {{6, 1}, {6, 3}},
      {{1, 0}, {6, 2}}, {{2, 0}, {5, 3}},
  };
  for (const auto& pair : pairs) {
    EXPECT_LT(score(portrait(pair.first), portrait(pair.second)), 80.0)
        << nameOf(pair.first) << " and " << nameOf(pair.second);
  }
}
