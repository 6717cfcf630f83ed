#pragma once
// The SHA-256 of a picture's bytes: the key of the embedding cache and, in
// hex, the face token the engine hands out for the picture's face.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace velmora::engine {

using PictureDigest = std::array<std::uint8_t, 32>;

PictureDigest digestOf(std::span<const std::uint8_t> bytes);

// The first 16 bytes of the digest as 32 lower-case hex digits: as long as the
// face tokens of the cloud service, and 128 bits keep pictures apart.
std::string faceTokenOf(const PictureDigest& digest);

}  // namespace velmora::engine
