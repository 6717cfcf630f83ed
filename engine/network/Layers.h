#pragma once
// The building blocks of the face-embedding network, on feature maps held
// height x width x channels, row-major (channels vary fastest). Each block
// writes into an output map that the caller owns, so that one forward pass
// reuses a few buffers instead of allocating for every layer.
#include <cstddef>
#include <vector>

namespace velmora::engine::layers {

struct FeatureMap {
  int height = 0;
  int width = 0;
  int channels = 0;
  std::vector<float> values;

  void reshape(int newHeight, int newWidth, int newChannels);
  float* at(int y, int x) { return values.data() + (static_cast<std::size_t>(y) * width + x) * channels; }
  const float* at(int y, int x) const {
    return values.data() + (static_cast<std::size_t>(y) * width + x) * channels;
  }
};

enum class Padding { Valid, Same };

// A square convolution with bias, followed by a per-channel scale
// (x * scaleWeights + scaleBiases) and, when asked, a ReLU.
struct ConvLayer {
  int kernel = 0;
  int inChannels = 0;
  int outChannels = 0;
  int stride = 1;
  Padding padding = Padding::Same;
  // [kernel][kernel][inChannels][outChannels]: a (kernel*kernel*inChannels)
  // x outChannels row-major matrix.
  std::vector<float> filters;
  std::vector<float> bias;
  std::vector<float> scaleWeights;
  std::vector<float> scaleBiases;
};

// Output side length of a window of `kernel` moved by `stride` over `size`.
int outputSize(int size, int kernel, int stride, Padding padding);

// `patches` is scratch space for the unrolled input windows.
void convolve(const FeatureMap& in, const ConvLayer& layer, bool relu, FeatureMap& out, std::vector<float>& patches);

// 3x3 windows, stride 2, no padding.
void maxPool3x3Stride2(const FeatureMap& in, FeatureMap& out);

// x = relu(x + shortcut), element by element; both maps have one shape.
void addAndRelu(FeatureMap& x, const FeatureMap& shortcut);

// The sum of a down-sampling block: out = relu(shortcut + convPath), where
// the shortcut is the 2x2 stride-2 average of `in`, with zero channels
// appended up to convPath's channel count, and convPath is zero-extended at
// the bottom and right up to the shortcut's height and width.
void addPooledShortcutAndRelu(const FeatureMap& in, const FeatureMap& convPath, FeatureMap& out);

// The mean of each channel over all positions.
std::vector<float> channelMeans(const FeatureMap& in);

}  // namespace velmora::engine::layers
