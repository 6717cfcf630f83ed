#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <numeric>
#include <thread>

#include "PictureFiles.h"
#include "SampleFaces.h"
#include "engine/face/EmbeddingCache.h"
#include "engine/face/FaceEmbedder.h"

using namespace velmora::engine;
using namespace velmora::engine::testing;

namespace {

// Gives an embedding computed from the chip's pixels and counts its calls.
class CountingEmbedder : public Embedder {
 public:
  Embedding embed(const FaceChip& chip) const override {
    ++calls;
    Embedding embedding{};
    for (std::size_t i = 0; i < chip.rgb.size(); ++i) embedding[i % embedding.size()] += chip.rgb[i] / 255.0f;
    return embedding;
  }
  mutable std::atomic<int> calls{0};
};

class FaceEmbedderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!faceModelsPresent()) GTEST_SKIP() << "landmark model or sample pictures not installed";
  }
  static Bytes faceJpeg(const SampleFace& which, int quality = 90) {
    return encodeJpeg(pictureWith(faceWithSurroundings(which), 300, 170, 90), {.quality = quality});
  }

  CountingEmbedder embedder;
};

bool isLowerHex(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(c) || (c >= 'a' && c <= 'f'); });
}

}  // namespace

TEST_F(FaceEmbedderTest, SaysWhatThePictureHolds) {
  const FaceEmbedder faces(sharedFaceFinder(), embedder);
  Bytes cutJpeg = faceJpeg({3, 0});
  cutJpeg.resize(cutJpeg.size() / 2);
  const struct {
    const char* name;
    Bytes bytes;
    FaceStatus status;
  } cases[] = {
      {"face", faceJpeg({3, 0}), FaceStatus::Ok},
      {"face in a PNG", encodePng(pictureWith(faceWithSurroundings({5, 0}), 300, 170, 90)), FaceStatus::Ok},
      {"plain picture", encodePng(plainPicture(640, 480, 200)), FaceStatus::NoFace},
      {"noise picture", encodeJpeg(noisePicture(640, 480, 9)), FaceStatus::NoFace},
      {"cut JPEG", cutJpeg, FaceStatus::NotAPicture},
      {"text", Bytes{'a', 'b', 'c'}, FaceStatus::NotAPicture},
      {"nothing", Bytes{}, FaceStatus::NotAPicture},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int callsBefore = embedder.calls;
    const FaceResult result = faces.embed(c.bytes);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(embedder.calls - callsBefore, c.status == FaceStatus::Ok ? 1 : 0);
    EXPECT_EQ(result.error.empty(), c.status != FaceStatus::NotAPicture) << result.error;
    EXPECT_EQ(result.faceToken.size(), 32u);
    EXPECT_TRUE(isLowerHex(result.faceToken)) << result.faceToken;
  }
}

TEST_F(FaceEmbedderTest, FaceTokenIsTheStartOfTheSha256OfTheBytes) {
  const FaceEmbedder faces(sharedFaceFinder(), embedder);
  // SHA-256("abc") = ba7816bf8f01cfea414140de5dae2223 b00361a396177a9cb410ff61f20015ad
  EXPECT_EQ(faces.embed(Bytes{'a', 'b', 'c'}).faceToken, "ba7816bf8f01cfea414140de5dae2223");
}

TEST_F(FaceEmbedderTest, SameBytesAreWorkedOnOnce) {
  const FaceEmbedder faces(sharedFaceFinder(), embedder);
  const Bytes first = faceJpeg({3, 0});
  const FaceResult once = faces.embed(first);
  ASSERT_EQ(once.status, FaceStatus::Ok);
  for (int i = 0; i < 3; ++i) {
    const FaceResult again = faces.embed(first);
    EXPECT_EQ(again.status, FaceStatus::Ok);
    EXPECT_EQ(again.embedding, once.embedding);
    EXPECT_EQ(again.faceToken, once.faceToken);
  }
  EXPECT_EQ(embedder.calls, 1);

  // The same picture in other bytes is another picture to the cache.
  const FaceResult recompressed = faces.embed(faceJpeg({3, 0}, 70));
  EXPECT_EQ(recompressed.status, FaceStatus::Ok);
  EXPECT_NE(recompressed.faceToken, once.faceToken);
  EXPECT_EQ(embedder.calls, 2);

  // A picture without a face keeps that answer.
  const Bytes plain = encodePng(plainPicture(640, 480, 30));
  EXPECT_EQ(faces.embed(plain).status, FaceStatus::NoFace);
  EXPECT_EQ(faces.embed(plain).status, FaceStatus::NoFace);
  EXPECT_EQ(embedder.calls, 2);
}

TEST_F(FaceEmbedderTest, CacheOfNoEntriesWorksEveryTime) {
  const FaceEmbedder faces(sharedFaceFinder(), embedder, 0);
  const Bytes first = faceJpeg({3, 0});
  EXPECT_EQ(faces.embed(first).embedding, faces.embed(first).embedding);
  EXPECT_EQ(embedder.calls, 2);
}

TEST_F(FaceEmbedderTest, ManyThreadsAtOnceGetTheAnswersOfOne) {
  const FaceEmbedder faces(sharedFaceFinder(), embedder);
  const std::vector<Bytes> pictures = {faceJpeg({3, 0}), faceJpeg({5, 0}), faceJpeg({6, 1}),
                                       encodePng(plainPicture(640, 480, 90))};
  const FaceEmbedder reference(sharedFaceFinder(), embedder, 0);
  std::vector<FaceResult> expected;
  for (const auto& bytes : pictures) expected.push_back(reference.embed(bytes));

  std::vector<std::vector<FaceResult>> seen(6);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < seen.size(); ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t round = 0; round < 4; ++round) seen[t].push_back(faces.embed(pictures[(t + round) % 4]));
    });
  }
  for (auto& thread : threads) thread.join();
  for (std::size_t t = 0; t < seen.size(); ++t) {
    for (std::size_t round = 0; round < 4; ++round) {
      const FaceResult& want = expected[(t + round) % 4];
      EXPECT_EQ(seen[t][round].status, want.status);
      EXPECT_EQ(seen[t][round].embedding, want.embedding);
      EXPECT_EQ(seen[t][round].faceToken, want.faceToken);
    }
  }
}

// A 50-megapixel photograph with a face is shrunk while decoding, and its
// face still found.
TEST_F(FaceEmbedderTest, FiftyMegapixelPictureWithAFace) {
  constexpr long kWidth = 8000, kHeight = 6250, kFaceSide = 2400, kLeft = 3000, kTop = 2000;
  const Picture face = faceWithSurroundings({3, 0});
  const Bytes bytes = encodeJpeg(kWidth, kHeight, [&](long row, std::uint8_t* rgb) {
    for (long x = 0; x < kWidth; ++x) {
      dlib::rgb_pixel p(120, 130, 140);
      if (x >= kLeft && x < kLeft + kFaceSide && row >= kTop && row < kTop + kFaceSide) {
        p = face((row - kTop) * face.nr() / kFaceSide, (x - kLeft) * face.nc() / kFaceSide);
      }
      rgb[3 * x] = p.red, rgb[3 * x + 1] = p.green, rgb[3 * x + 2] = p.blue;
    }
  });
  const FaceResult result = FaceEmbedder(sharedFaceFinder(), embedder).embed(bytes);
  EXPECT_EQ(result.status, FaceStatus::Ok) << result.error;
}

namespace {

PictureDigest digestNumbered(std::uint8_t n) {
  PictureDigest digest{};
  digest[0] = n;
  digest[31] = n;
  return digest;
}

CachedFace faceNumbered(float n) {
  CachedFace face{true, {}};
  face.embedding[0] = n;
  return face;
}

}  // namespace

TEST(EmbeddingCache, ForgetsTheLeastRecentlyUsedWhenFull) {
  EmbeddingCache cache(2);
  cache.store(digestNumbered(1), faceNumbered(1));
  cache.store(digestNumbered(2), faceNumbered(2));
  ASSERT_TRUE(cache.find(digestNumbered(1)).has_value());  // 1 is now the most recent
  cache.store(digestNumbered(3), faceNumbered(3));         // 2 goes

  EXPECT_EQ(cache.size(), 2u);
  EXPECT_FALSE(cache.find(digestNumbered(2)).has_value());
  ASSERT_TRUE(cache.find(digestNumbered(1)).has_value());
  EXPECT_EQ(cache.find(digestNumbered(1))->embedding[0], 1);
  EXPECT_EQ(cache.find(digestNumbered(3))->embedding[0], 3);

  // Storing a known picture again replaces its entry and makes it recent.
  cache.store(digestNumbered(3), CachedFace{false, {}});
  cache.store(digestNumbered(4), faceNumbered(4));  // 1 goes
  EXPECT_FALSE(cache.find(digestNumbered(1)).has_value());
  EXPECT_FALSE(cache.find(digestNumbered(3))->hasFace);
  EXPECT_EQ(cache.size(), 2u);
}

TEST(EmbeddingCache, StaysWithinItsCapacityUnderManyThreads) {
  EmbeddingCache cache(64);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&cache, t] {
      for (int i = 0; i < 2000; ++i) {
        const auto digest = digestNumbered(static_cast<std::uint8_t>((i * 7 + t) % 200));
        if (!cache.find(digest)) cache.store(digest, faceNumbered(static_cast<float>(digest[0])));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_LE(cache.size(), 64u);
  for (int n = 0; n < 200; ++n) {
    if (const auto found = cache.find(digestNumbered(static_cast<std::uint8_t>(n)))) EXPECT_EQ(found->embedding[0], n);
  }
}
