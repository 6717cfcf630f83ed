#pragma once
// Face chips for the network tests: uniform, noise, and the centre square of a
// JPEG picture scaled down to chip size.
#include "engine/network/FaceChip.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora::engine::testing {

FaceChip uniformChip(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
FaceChip noiseChip(std::uint32_t seed);
// The largest centred square of the JPEG picture, averaged down to chip
// size; an empty chip when the file cannot be decoded.
FaceChip centreSquareChip(const std::filesystem::path& jpegFile);

}  // namespace velmora::engine::testing
