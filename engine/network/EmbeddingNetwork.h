#pragma once
// The face-embedding network: a ResNet that turns an aligned 150x150 face chip
// into 128 numbers, with the weights that the face-api package ships
// (face_recognition_model-weights_manifest.json and the .bin it names).
//
// The computation is face-api's FaceRecognitionNet, in float32: the chip less
// the mean colour, divided by 255; a 7x7 stride-2 convolution and a 3x3
// stride-2 max pool; residual blocks of 32, 64, 128 and 256 channels, four of
// them halving the size; the mean over all positions; a 256x128 product.
//
// A loaded network is read-only: one instance may be shared by any number of
// threads calling embed() at the same time.
#include "engine/network/FaceChip.h"
#include "engine/network/Layers.h"
#include "engine/network/LoadResult.h"
#include "engine/network/WeightFile.h"

#include <filesystem>
#include <vector>

namespace velmora::engine {

class EmbeddingNetwork {
 public:
  static constexpr const char* kManifestFileName = "face_recognition_model-weights_manifest.json";

  // Reads modelDir/face_recognition_model-weights_manifest.json and the
  // weights it names; a missing or damaged file gives an error text.
  static LoadResult<EmbeddingNetwork> load(const std::filesystem::path& modelDir);
  // The network over weights already read (their values move into the
  // network); an error text names the first weight that is missing or has
  // the wrong shape.
  static LoadResult<EmbeddingNetwork> fromWeights(WeightFile weights);

  // The chip's embedding. A chip that does not hold kChipSize x kChipSize
  // RGB pixels has no face to describe: it gives 128 zeros.
  Embedding embed(const FaceChip& chip) const;

 private:
  struct ResidualBlock {
    layers::ConvLayer first;
    layers::ConvLayer second;
    bool halvesSize = false;
  };
  struct Workspace;

  EmbeddingNetwork() = default;
  void runBlock(const ResidualBlock& block, Workspace& work) const;

  layers::ConvLayer stem_;
  std::vector<ResidualBlock> blocks_;
  std::vector<float> fullyConnected_;  // [256][128], row-major
};

}  // namespace velmora::engine
