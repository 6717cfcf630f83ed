#include "engine/face/FaceEmbedder.h"

namespace velmora::engine {

FaceEmbedder::FaceEmbedder(const FaceFinder& finder, const Embedder& embedder, std::size_t cacheCapacity,
                           PictureDecoder decoder)
    : finder_(finder), embedder_(embedder), decoder_(decoder), cache_(cacheCapacity) {}

FaceResult FaceEmbedder::embed(std::span<const std::uint8_t> pictureBytes) const {
  const PictureDigest digest = digestOf(pictureBytes);
  FaceResult result;
  if (const auto cached = cache_.find(digest)) {
    result.status = cached->hasFace ? FaceStatus::Ok : FaceStatus::NoFace;
    result.embedding = cached->embedding;
  } else {
    result = work(pictureBytes);
    // Only what the picture itself decides is kept; a picture that failed to
    // decode is cheap to refuse again.
    if (result.status != FaceStatus::NotAPicture) {
      cache_.store(digest, CachedFace{result.status == FaceStatus::Ok, result.embedding});
    }
  }
  result.faceToken = faceTokenOf(digest);
  return result;
}

FaceResult FaceEmbedder::work(std::span<const std::uint8_t> pictureBytes) const {
  FaceResult result;
  const DecodedPicture decoded = decoder_.decode(pictureBytes);
  if (!decoded.ok()) {
    result.status = FaceStatus::NotAPicture;
    result.error = decoded.error;
    return result;
  }
  const auto face = finder_.largestFace(decoded.picture);
  if (!face) {
    result.status = FaceStatus::NoFace;
    return result;
  }
  result.status = FaceStatus::Ok;
  result.embedding = embedder_.embed(face->chip);
  return result;
}

}  // namespace velmora::engine
