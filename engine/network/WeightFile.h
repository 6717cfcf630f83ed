#pragma once
// The named tensors of a weights manifest (the JSON file that lists, group by
// group, the binary files holding the weights and each weight's name, shape,
// type and quantization) together with the binary files it names.
//
// Stored values are float32 as they stand, or uint8 / uint16 codes that are
// turned back into floats as code * scale + min. Any file that is missing,
// shorter or longer than its manifest says, or not a manifest, gives a
// LoadError naming the file; nothing here throws or crashes on bad files.
//
// A loaded WeightFile is read-only and may be shared between threads.
#include "engine/network/LoadResult.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::engine {

struct WeightTensor {
  std::string name;
  std::vector<int> shape;
  std::vector<float> values;  // row-major, as many as the shape holds
};

class WeightFile {
 public:
  static LoadResult<WeightFile> load(const std::filesystem::path& manifestFile);

  const std::vector<WeightTensor>& tensors() const { return tensors_; }
  // The tensor of that name, or nullptr.
  const WeightTensor* find(std::string_view name) const;
  WeightTensor* find(std::string_view name);

 private:
  std::vector<WeightTensor> tensors_;
};

}  // namespace velmora::engine
