#pragma once
// Random embeddings of unit length, as the face-embedding network gives them,
// for the face-set tests and benchmark.
#include <cmath>
#include <random>

#include "engine/network/FaceChip.h"

namespace velmora::engine::testing {

inline Embedding randomUnit(std::mt19937& random) {
  std::normal_distribution<float> normal;
  Embedding e{};
  float norm = 0;
  for (float& v : e) {
    v = normal(random);
    norm += v * v;
  }
  for (float& v : e) v /= std::sqrt(norm);
  return e;
}

}  // namespace velmora::engine::testing
