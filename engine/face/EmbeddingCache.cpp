#include "engine/face/EmbeddingCache.h"

#include <cstring>

namespace velmora::engine {

std::size_t EmbeddingCache::DigestHash::operator()(const PictureDigest& d) const {
  std::size_t hash;
  std::memcpy(&hash, d.data(), sizeof hash);  // a digest's bytes are already well mixed
  return hash;
}

std::optional<CachedFace> EmbeddingCache::find(const PictureDigest& digest) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(digest);
  if (found == entries_.end()) return std::nullopt;
  recency_.splice(recency_.begin(), recency_, found->second.place);
  return found->second.face;
}

void EmbeddingCache::store(const PictureDigest& digest, const CachedFace& face) {
  if (capacity_ == 0) return;
  std::lock_guard lock(mutex_);
  if (const auto found = entries_.find(digest); found != entries_.end()) {
    found->second.face = face;
    recency_.splice(recency_.begin(), recency_, found->second.place);
    return;
  }
  if (entries_.size() >= capacity_) {
    entries_.erase(recency_.back());
    recency_.pop_back();
  }
  recency_.push_front(digest);
  entries_.emplace(digest, Entry{face, recency_.begin()});
}

std::size_t EmbeddingCache::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace velmora::engine
