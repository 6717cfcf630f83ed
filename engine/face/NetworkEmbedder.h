#pragma once
// The face-embedding network as the Embedder that FaceEmbedder uses.
#include "engine/face/Embedder.h"
#include "engine/network/EmbeddingNetwork.h"

namespace velmora::engine {

class NetworkEmbedder : public Embedder {
 public:
  explicit NetworkEmbedder(EmbeddingNetwork network) : network_(std::move(network)) {}
  Embedding embed(const FaceChip& chip) const override { return network_.embed(chip); }

 private:
  EmbeddingNetwork network_;
};

}  // namespace velmora::engine
