#pragma once
// From the bytes of a picture to the embedding of its largest face:
// decode (PictureDecoder), find and align the face (FaceFinder), embed the
// aligned chip (Embedder). Results are kept in an EmbeddingCache under the
// SHA-256 of the bytes, so the same picture is worked on once.
//
// Threads: embed() may be called from many threads at once. The FaceFinder
// and the Embedder are borrowed and must outlive the FaceEmbedder.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/face/Embedder.h"
#include "engine/face/EmbeddingCache.h"
#include "engine/face/FaceFinder.h"
#include "engine/face/PictureDecoder.h"

namespace velmora::engine {

enum class FaceStatus {
  Ok,           // embedding holds the largest face's embedding
  NotAPicture,  // the bytes are no picture this engine reads (or a damaged one)
  NoFace,       // a picture, but no face was found in it
};

struct FaceResult {
  FaceStatus status = FaceStatus::NotAPicture;
  Embedding embedding{};
  std::string faceToken;  // 32 hex digits from the SHA-256 of the bytes
  std::string error;      // for NotAPicture: what the decoder said
};

class FaceEmbedder {
 public:
  FaceEmbedder(const FaceFinder& finder, const Embedder& embedder,
               std::size_t cacheCapacity = EmbeddingCache::kDefaultCapacity,
               PictureDecoder decoder = PictureDecoder());

  FaceResult embed(std::span<const std::uint8_t> pictureBytes) const;

 private:
  FaceResult work(std::span<const std::uint8_t> pictureBytes) const;

  const FaceFinder& finder_;
  const Embedder& embedder_;
  PictureDecoder decoder_;
  mutable EmbeddingCache cache_;
};

}  // namespace velmora::engine
