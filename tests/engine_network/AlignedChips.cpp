#include "AlignedChips.h"

#include "engine/face/FaceFinder.h"
#include "engine/face/PictureDecoder.h"

#include <fstream>
#include <iterator>

namespace velmora::engine::testing {

std::vector<FaceChip> alignedChips(const std::filesystem::path& picture, std::size_t maxFaces, std::string& error) {
  static const LoadResult<FaceFinder> finder = FaceFinder::load(VELMORA_SHAPE_MODEL_FILE);
  if (!finder) {
    error = finder.error();
    return {};
  }

  std::ifstream in(picture, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const DecodedPicture decoded = PictureDecoder().decode(bytes);
  if (!decoded.ok()) {
    error = picture.string() + ": " + decoded.error;
    return {};
  }
  std::vector<FaceChip> chips;
  for (FoundFace& face : finder.value().allFaces(decoded.picture)) {
    if (chips.size() == maxFaces) break;
    chips.push_back(std::move(face.chip));
  }
  return chips;
}

}  // namespace velmora::engine::testing
