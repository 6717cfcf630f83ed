#include "engine/network/Layers.h"

#include <Eigen/Core>

#include <algorithm>
#include <limits>

namespace velmora::engine::layers {
namespace {

using RowMajorMatrix = Eigen::Matrix<float, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Padding before the first row (or column): 'same' pads so that the output
// has ceil(size / stride) positions, with the smaller half on top / left.
int leadingPadding(int size, int kernel, int stride, Padding padding) {
  if (padding == Padding::Valid) return 0;
  const int out = outputSize(size, kernel, stride, padding);
  const int total = std::max(0, (out - 1) * stride + kernel - size);
  return total / 2;
}

// Each output position's input window as one row of (kernel*kernel*channels)
// values, in the filters' [ky][kx][channel] order; zeros outside the input.
void unrollWindows(const FeatureMap& in, const ConvLayer& layer, int outHeight, int outWidth,
                   std::vector<float>& patches) {
  const int k = layer.kernel;
  const int channels = in.channels;
  const int padTop = leadingPadding(in.height, k, layer.stride, layer.padding);
  const int padLeft = leadingPadding(in.width, k, layer.stride, layer.padding);
  const std::size_t rowLength = static_cast<std::size_t>(k) * k * channels;
  patches.resize(rowLength * outHeight * outWidth);

  float* row = patches.data();
  for (int oy = 0; oy < outHeight; ++oy) {
    for (int ox = 0; ox < outWidth; ++ox, row += rowLength) {
      float* cell = row;
      for (int ky = 0; ky < k; ++ky) {
        const int iy = oy * layer.stride - padTop + ky;
        const int firstX = ox * layer.stride - padLeft;
        if (iy < 0 || iy >= in.height) {
          std::fill_n(cell, static_cast<std::size_t>(k) * channels, 0.0f);
          cell += static_cast<std::size_t>(k) * channels;
          continue;
        }
        for (int kx = 0; kx < k; ++kx, cell += channels) {
          const int ix = firstX + kx;
          if (ix < 0 || ix >= in.width) {
            std::fill_n(cell, channels, 0.0f);
          } else {
            std::copy_n(in.at(iy, ix), channels, cell);
          }
        }
      }
    }
  }
}

}  // namespace

void FeatureMap::reshape(int newHeight, int newWidth, int newChannels) {
  height = newHeight;
  width = newWidth;
  channels = newChannels;
  values.resize(static_cast<std::size_t>(height) * width * channels);
}

int outputSize(int size, int kernel, int stride, Padding padding) {
  if (padding == Padding::Same) return (size + stride - 1) / stride;
  return size < kernel ? 0 : (size - kernel) / stride + 1;
}

void convolve(const FeatureMap& in, const ConvLayer& layer, bool relu, FeatureMap& out, std::vector<float>& patches) {
  const int outHeight = outputSize(in.height, layer.kernel, layer.stride, layer.padding);
  const int outWidth = outputSize(in.width, layer.kernel, layer.stride, layer.padding);
  out.reshape(outHeight, outWidth, layer.outChannels);
  if (out.values.empty()) return;
  unrollWindows(in, layer, outHeight, outWidth, patches);

  const Eigen::Index positions = static_cast<Eigen::Index>(outHeight) * outWidth;
  const Eigen::Index depth = static_cast<Eigen::Index>(layer.kernel) * layer.kernel * layer.inChannels;
  Eigen::Map<const RowMajorMatrix> windows(patches.data(), positions, depth);
  Eigen::Map<const RowMajorMatrix> filters(layer.filters.data(), depth, layer.outChannels);
  Eigen::Map<RowMajorMatrix> result(out.values.data(), positions, layer.outChannels);
  result.noalias() = windows * filters;

  // Same order of operations as the reference: add the bias, then scale.
  float* value = out.values.data();
  for (Eigen::Index p = 0; p < positions; ++p) {
    for (int c = 0; c < layer.outChannels; ++c, ++value) {
      const float scaled = (*value + layer.bias[c]) * layer.scaleWeights[c] + layer.scaleBiases[c];
      *value = relu ? std::max(scaled, 0.0f) : scaled;
    }
  }
}

void maxPool3x3Stride2(const FeatureMap& in, FeatureMap& out) {
  constexpr int kWindow = 3;
  constexpr int kStride = 2;
  out.reshape(outputSize(in.height, kWindow, kStride, Padding::Valid),
              outputSize(in.width, kWindow, kStride, Padding::Valid), in.channels);
  for (int oy = 0; oy < out.height; ++oy) {
    for (int ox = 0; ox < out.width; ++ox) {
      float* best = out.at(oy, ox);
      std::fill_n(best, out.channels, -std::numeric_limits<float>::infinity());
      for (int wy = 0; wy < kWindow; ++wy) {
        for (int wx = 0; wx < kWindow; ++wx) {
          const float* pixel = in.at(oy * kStride + wy, ox * kStride + wx);
          for (int c = 0; c < out.channels; ++c) best[c] = std::max(best[c], pixel[c]);
        }
      }
    }
  }
}

void addAndRelu(FeatureMap& x, const FeatureMap& shortcut) {
  for (std::size_t i = 0; i < x.values.size(); ++i) {
    x.values[i] = std::max(x.values[i] + shortcut.values[i], 0.0f);
  }
}

void addPooledShortcutAndRelu(const FeatureMap& in, const FeatureMap& convPath, FeatureMap& out) {
  out.reshape(in.height / 2, in.width / 2, convPath.channels);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const float* topLeft = in.at(2 * y, 2 * x);
      const float* topRight = in.at(2 * y, 2 * x + 1);
      const float* bottomLeft = in.at(2 * y + 1, 2 * x);
      const float* bottomRight = in.at(2 * y + 1, 2 * x + 1);
      const bool insideConvPath = y < convPath.height && x < convPath.width;
      const float* conv = insideConvPath ? convPath.at(y, x) : nullptr;
      float* target = out.at(y, x);
      for (int c = 0; c < out.channels; ++c) {
        const float pooled =
            c < in.channels ? (topLeft[c] + topRight[c] + bottomLeft[c] + bottomRight[c]) / 4.0f : 0.0f;
        const float convValue = conv ? conv[c] : 0.0f;
        target[c] = std::max(pooled + convValue, 0.0f);
      }
    }
  }
}

std::vector<float> channelMeans(const FeatureMap& in) {
  std::vector<float> means(in.channels, 0.0f);
  const float count = static_cast<float>(in.height) * static_cast<float>(in.width);
  if (count == 0.0f) return means;
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      const float* pixel = in.at(y, x);
      for (int c = 0; c < in.channels; ++c) means[c] += pixel[c] / count;
    }
  }
  return means;
}

}  // namespace velmora::engine::layers
