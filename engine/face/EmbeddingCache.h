#pragma once
// What the face pipeline found for pictures it has seen, by the SHA-256 of
// their bytes, so a picture compared again and again (a folder's first
// picture) is decoded, searched and embedded once. Bounded: holding
// `capacity` entries, it forgets the one used least recently. Safe to use from
// several threads at once.
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "engine/face/PictureDigest.h"
#include "engine/network/FaceChip.h"

namespace velmora::engine {

struct CachedFace {
  bool hasFace = false;  // false: the picture decoded but shows no face
  Embedding embedding{};
};

class EmbeddingCache {
 public:
  static constexpr std::size_t kDefaultCapacity = 1024;

  explicit EmbeddingCache(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  std::optional<CachedFace> find(const PictureDigest& digest);
  void store(const PictureDigest& digest, const CachedFace& face);
  std::size_t size() const;

 private:
  struct DigestHash {
    std::size_t operator()(const PictureDigest& d) const;
  };
  using Recency = std::list<PictureDigest>;  // most recently used first
  struct Entry {
    CachedFace face;
    Recency::iterator place;
  };

  std::size_t capacity_;
  mutable std::mutex mutex_;
  Recency recency_;
  std::unordered_map<PictureDigest, Entry, DigestHash> entries_;
};

}  // namespace velmora::engine
