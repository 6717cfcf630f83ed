#include "engine/network/EmbeddingNetwork.h"

#include "RealNetwork.h"
#include "TestChips.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace velmora::engine {
namespace {

using testing::noiseChip;
using testing::realNetwork;
using testing::uniformChip;

std::vector<FaceChip> someChips() {
  return {uniformChip(128, 128, 128), noiseChip(1), noiseChip(2),
          testing::centreSquareChip(std::filesystem::path(VELMORA_FACE_SAMPLES_DIR) / "sample1.jpg")};
}

TEST(EmbeddingNetwork, SameChipTwiceGivesTheSameEmbedding) {
  ASSERT_TRUE(realNetwork()) << realNetwork().error();
  const EmbeddingNetwork& network = realNetwork().value();
  const FaceChip chip = noiseChip(7);
  const Embedding first = network.embed(chip);
  EXPECT_EQ(network.embed(chip), first);
  EXPECT_NE(network.embed(noiseChip(8)), first);
}

TEST(EmbeddingNetwork, ManyThreadsAtOnceGiveTheSequentialResults) {
  ASSERT_TRUE(realNetwork()) << realNetwork().error();
  const EmbeddingNetwork& network = realNetwork().value();
  const std::vector<FaceChip> chips = someChips();
  std::vector<Embedding> expected;
  for (const FaceChip& chip : chips) expected.push_back(network.embed(chip));

  constexpr int kThreads = 8;
  constexpr int kRounds = 3;
  std::vector<std::vector<Embedding>> results(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        // Each thread starts at a different chip, so different layers run at once.
        for (std::size_t i = 0; i < chips.size(); ++i) {
          results[t].push_back(network.embed(chips[(i + t) % chips.size()]));
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(results[t].size(), chips.size() * kRounds);
    for (std::size_t k = 0; k < results[t].size(); ++k) {
      EXPECT_EQ(results[t][k], expected[(k % chips.size() + t) % chips.size()]) << "thread " << t << ", call " << k;
    }
  }
}

TEST(EmbeddingNetwork, ChipOfTheWrongSizeGivesZeros) {
  ASSERT_TRUE(realNetwork()) << realNetwork().error();
  const EmbeddingNetwork& network = realNetwork().value();
  FaceChip shortChip = uniformChip(10, 20, 30);
  shortChip.rgb.pop_back();
  for (const FaceChip& chip : {FaceChip{}, shortChip}) EXPECT_EQ(network.embed(chip), Embedding{});
}

TEST(EmbeddingDistance, IsEuclidean) {
  Embedding a{};
  Embedding b{};
  EXPECT_EQ(embeddingDistance(a, b), 0.0f);
  b[0] = 3.0f;
  b[127] = -4.0f;
  EXPECT_FLOAT_EQ(embeddingDistance(a, b), 5.0f);
  EXPECT_FLOAT_EQ(embeddingDistance(b, a), 5.0f);
}

}  // namespace
}  // namespace velmora::engine
