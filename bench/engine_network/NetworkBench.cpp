// Prints the median time of EmbeddingNetwork::embed() for one chip on one
// thread, the throughput of two threads sharing one network, and the median
// time of loading the weights.
//
//   engine_network_bench [model folder] [embeddings]
#include "engine/network/EmbeddingNetwork.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

using velmora::engine::EmbeddingNetwork;
using velmora::engine::FaceChip;
using velmora::engine::kChipSize;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

FaceChip noiseChip(unsigned seed) {
  std::mt19937 random(seed);
  FaceChip chip;
  chip.rgb.resize(static_cast<std::size_t>(kChipSize) * kChipSize * 3);
  for (auto& value : chip.rgb) value = static_cast<std::uint8_t>(random() & 0xff);
  return chip;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string modelDir = argc > 1 ? argv[1] : VELMORA_FACE_MODEL_DIR;
  const int embeddings = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;

  std::vector<double> loads;
  for (int i = 0; i < 5; ++i) {
    const auto start = Clock::now();
    auto loaded = EmbeddingNetwork::load(modelDir);
    loads.push_back(millisecondsSince(start));
    if (!loaded) {
      std::fprintf(stderr, "%s\n", loaded.error().c_str());
      return 1;
    }
  }
  const EmbeddingNetwork network = std::move(EmbeddingNetwork::load(modelDir)).value();

  std::vector<FaceChip> chips;
  for (unsigned seed = 0; seed < 4; ++seed) chips.push_back(noiseChip(seed));
  network.embed(chips[0]);  // warm-up

  std::vector<double> times;
  float checksum = 0.0f;
  for (int i = 0; i < embeddings; ++i) {
    const auto start = Clock::now();
    checksum += network.embed(chips[i % chips.size()])[0];
    times.push_back(millisecondsSince(start));
  }

  constexpr int kThreads = 2;
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < embeddings; ++i) network.embed(chips[i % chips.size()]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  const double parallelSeconds = millisecondsSince(start) / 1000.0;

  std::printf("model load (median of %zu):        %8.1f ms\n", loads.size(), median(loads));
  std::printf("embed, one thread (median of %d):  %8.2f ms  (min %.2f, max %.2f)\n", embeddings, median(times),
              *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
  std::printf("embed, %d threads sharing one network: %6.1f chips/s\n", kThreads,
              kThreads * embeddings / parallelSeconds);
  std::printf("(checksum %g)\n", checksum);
  return 0;
}
