#pragma once
// What turns an aligned face chip into its embedding. The face-embedding
// network is the one the engine uses; FaceEmbedder only needs this much of it.
#include "engine/network/FaceChip.h"

namespace velmora::engine {

class Embedder {
 public:
  virtual ~Embedder() = default;
  // Must be safe to call from several threads at once.
  virtual Embedding embed(const FaceChip& chip) const = 0;
};

}  // namespace velmora::engine
