#pragma once
// The unit the face-embedding network works on: an aligned face, cut out of a
// picture and scaled to kChipSize x kChipSize pixels.
#include <array>
#include <cstdint>
#include <vector>

namespace velmora::engine {

inline constexpr int kChipSize = 150;

// Pixels row by row from the top left, three bytes each: red, green, blue.
struct FaceChip {
  std::vector<std::uint8_t> rgb;  // kChipSize * kChipSize * 3 bytes
};

// The 128 numbers the network gives for one face. Faces of one person lie
// close together: a Euclidean distance under 0.6 is the model's own "same
// person" decision.
using Embedding = std::array<float, 128>;

float embeddingDistance(const Embedding& a, const Embedding& b);

}  // namespace velmora::engine
