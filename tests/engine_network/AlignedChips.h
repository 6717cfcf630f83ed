#pragma once
// The aligned face chips of a picture, cut out by the engine's face finder.
#include "engine/network/FaceChip.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::engine::testing {

// Every face the finder sees in the picture, largest first, at most
// maxFaces of them; an error text instead when the picture or the landmark
// model cannot be read.
std::vector<FaceChip> alignedChips(const std::filesystem::path& picture, std::size_t maxFaces, std::string& error);

}  // namespace velmora::engine::testing
