#pragma once
// The network with the real face-api weights, loaded once for all tests of
// this program.
#include "engine/network/EmbeddingNetwork.h"

namespace velmora::engine::testing {

inline const LoadResult<EmbeddingNetwork>& realNetwork() {
  static const LoadResult<EmbeddingNetwork> network = EmbeddingNetwork::load(VELMORA_FACE_MODEL_DIR);
  return network;
}

}  // namespace velmora::engine::testing
