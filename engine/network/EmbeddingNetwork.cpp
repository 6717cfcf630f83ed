#include "engine/network/EmbeddingNetwork.h"

#include <cmath>
#include <string>
#include <utility>

namespace velmora::engine {
namespace {

using layers::ConvLayer;
using layers::FeatureMap;
using layers::Padding;

constexpr std::size_t kChipBytes = static_cast<std::size_t>(kChipSize) * kChipSize * 3;
constexpr float kMeanRgb[3] = {122.782f, 117.001f, 104.298f};
constexpr int kStemChannels = 32;
constexpr int kDescriptorInputs = 256;

struct BlockPlan {
  const char* name;
  int channels;
  bool halvesSize;
};

constexpr BlockPlan kBlocks[] = {
    {"conv32_1", 32, false},   {"conv32_2", 32, false},   {"conv32_3", 32, false},
    {"conv64_down", 64, true}, {"conv64_1", 64, false},   {"conv64_2", 64, false},
    {"conv64_3", 64, false},   {"conv128_down", 128, true}, {"conv128_1", 128, false},
    {"conv128_2", 128, false}, {"conv256_down", 256, true}, {"conv256_1", 256, false},
    {"conv256_2", 256, false}, {"conv256_down_out", 256, true},
};

std::string shapeText(const std::vector<int>& shape) {
  std::string text = "[";
  for (std::size_t i = 0; i < shape.size(); ++i) text += (i ? "," : "") + std::to_string(shape[i]);
  return text + "]";
}

LoadResult<std::vector<float>> takeTensor(WeightFile& weights, const std::string& name,
                                          const std::vector<int>& shape) {
  WeightTensor* tensor = weights.find(name);
  if (!tensor) return LoadError{"the weights have no \"" + name + "\""};
  if (tensor->shape != shape) {
    return LoadError{"weight \"" + name + "\" has shape " + shapeText(tensor->shape) + ", expected " +
                     shapeText(shape)};
  }
  return std::move(tensor->values);
}

// A convolution named prefix + "/conv/filters", "/conv/bias" with its scale
// prefix + "/scale/weights", "/scale/biases".
LoadResult<ConvLayer> takeConvLayer(WeightFile& weights, const std::string& prefix, int kernel,
                                    int inChannels, int outChannels, int stride, Padding padding) {
  ConvLayer layer{kernel, inChannels, outChannels, stride, padding, {}, {}, {}, {}};
  const std::pair<std::string, std::vector<float>*> parts[] = {
      {"/conv/bias", &layer.bias},
      {"/scale/weights", &layer.scaleWeights},
      {"/scale/biases", &layer.scaleBiases},
  };
  auto filters = takeTensor(weights, prefix + "/conv/filters", {kernel, kernel, inChannels, outChannels});
  if (!filters) return LoadError{filters.error()};
  layer.filters = std::move(filters).value();
  for (const auto& [suffix, target] : parts) {
    auto values = takeTensor(weights, prefix + suffix, {outChannels});
    if (!values) return LoadError{values.error()};
    *target = std::move(values).value();
  }
  return layer;
}

void normalizeChip(const FaceChip& chip, FeatureMap& out) {
  out.reshape(kChipSize, kChipSize, 3);
  for (std::size_t i = 0; i < kChipBytes; ++i) {
    out.values[i] = (static_cast<float>(chip.rgb[i]) - kMeanRgb[i % 3]) / 255.0f;
  }
}

}  // namespace

// The buffers of one forward pass: `current` holds the block input, the others
// take the intermediate maps; all of them keep their capacity between layers.
struct EmbeddingNetwork::Workspace {
  FeatureMap current;
  FeatureMap first;
  FeatureMap second;
  std::vector<float> patches;
};

LoadResult<EmbeddingNetwork> EmbeddingNetwork::load(const std::filesystem::path& modelDir) {
  auto weights = WeightFile::load(modelDir / kManifestFileName);
  if (!weights) return LoadError{weights.error()};
  return fromWeights(std::move(weights).value());
}

LoadResult<EmbeddingNetwork> EmbeddingNetwork::fromWeights(WeightFile weights) {
  EmbeddingNetwork network;
  auto stem = takeConvLayer(weights, "conv32_down", 7, 3, kStemChannels, 2, Padding::Valid);
  if (!stem) return LoadError{stem.error()};
  network.stem_ = std::move(stem).value();

  int channels = kStemChannels;
  for (const BlockPlan& plan : kBlocks) {
    const std::string name = plan.name;
    const int stride = plan.halvesSize ? 2 : 1;
    const Padding padding = plan.halvesSize ? Padding::Valid : Padding::Same;
    const bool widens = plan.channels != channels;
    if (widens && (!plan.halvesSize || plan.channels != 2 * channels)) {
      return LoadError{"block \"" + name + "\" cannot change the channel count"};
    }
    auto first = takeConvLayer(weights, name + "/conv1", 3, channels, plan.channels, stride, padding);
    if (!first) return LoadError{first.error()};
    auto second = takeConvLayer(weights, name + "/conv2", 3, plan.channels, plan.channels, 1, Padding::Same);
    if (!second) return LoadError{second.error()};
    network.blocks_.push_back({std::move(first).value(), std::move(second).value(), plan.halvesSize});
    channels = plan.channels;
  }

  auto fullyConnected = takeTensor(weights, "fc", {kDescriptorInputs, static_cast<int>(Embedding{}.size())});
  if (!fullyConnected) return LoadError{fullyConnected.error()};
  network.fullyConnected_ = std::move(fullyConnected).value();
  return network;
}

void EmbeddingNetwork::runBlock(const ResidualBlock& block, Workspace& work) const {
  layers::convolve(work.current, block.first, true, work.first, work.patches);
  layers::convolve(work.first, block.second, false, work.second, work.patches);
  if (block.halvesSize) {
    layers::addPooledShortcutAndRelu(work.current, work.second, work.first);
    std::swap(work.current, work.first);
  } else {
    layers::addAndRelu(work.second, work.current);
    std::swap(work.current, work.second);
  }
}

Embedding EmbeddingNetwork::embed(const FaceChip& chip) const {
  Embedding embedding{};
  if (chip.rgb.size() != kChipBytes) return embedding;

  Workspace work;
  normalizeChip(chip, work.first);
  layers::convolve(work.first, stem_, true, work.second, work.patches);
  layers::maxPool3x3Stride2(work.second, work.current);
  for (const ResidualBlock& block : blocks_) runBlock(block, work);

  const std::vector<float> means = layers::channelMeans(work.current);
  for (std::size_t i = 0; i < means.size(); ++i) {
    const float* row = fullyConnected_.data() + i * embedding.size();
    for (std::size_t j = 0; j < embedding.size(); ++j) embedding[j] += means[i] * row[j];
  }
  return embedding;
}

float embeddingDistance(const Embedding& a, const Embedding& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double difference = static_cast<double>(a[i]) - b[i];
    sum += difference * difference;
  }
  return static_cast<float>(std::sqrt(sum));
}

}  // namespace velmora::engine
