#include "engine/network/WeightFile.h"

#include "engine/contract/Json.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

namespace velmora::engine {
namespace {

using contract::Json;

static_assert(std::endian::native == std::endian::little,
              "weight files hold little-endian values and are copied as they stand");

constexpr std::uintmax_t kMaxManifestBytes = 16u << 20;
constexpr int kMaxDimension = 1 << 24;
constexpr std::size_t kMaxTensorValues = std::size_t{1} << 28;

// How the values of one weight are stored in the binary file.
struct Storage {
  enum Kind { Float32, Uint8, Uint16 } kind = Float32;
  double scale = 1.0;
  double min = 0.0;

  std::size_t bytesPerValue() const { return kind == Float32 ? 4 : kind == Uint8 ? 1 : 2; }
};

struct WeightSpec {
  std::string name;
  std::vector<int> shape;
  std::size_t count = 1;
  Storage storage;

  std::size_t byteLength() const { return count * storage.bytesPerValue(); }
};

std::string quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

LoadResult<std::string> readWholeFile(const std::filesystem::path& file, std::uintmax_t maxBytes) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error) return LoadError{"cannot read " + quoted(file) + ": " + error.message()};
  if (size > maxBytes) return LoadError{quoted(file) + " is too large (" + std::to_string(size) + " bytes)"};
  std::ifstream in(file, std::ios::binary);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    return LoadError{"cannot read " + quoted(file)};
  }
  return bytes;
}

bool isWholeNumber(const Json& value, double lowest, double highest) {
  if (!value.isNumber()) return false;
  const double number = value.number();
  return std::floor(number) == number && number >= lowest && number <= highest;
}

LoadResult<Storage> readStorage(const Json& weight) {
  if (!weight["dtype"].isString() || weight["dtype"].text() != "float32") {
    return LoadError{"has dtype \"" + weight["dtype"].text() + "\"; only float32 weights are read"};
  }
  Storage storage;
  if (!weight.has("quantization")) return storage;
  const Json& quantization = weight["quantization"];
  const std::string& codes = quantization["dtype"].text();
  if (codes == "uint8") {
    storage.kind = Storage::Uint8;
  } else if (codes == "uint16") {
    storage.kind = Storage::Uint16;
  } else {
    return LoadError{"has quantization dtype \"" + codes + "\"; only uint8 and uint16 are read"};
  }
  const Json& scale = quantization["scale"];
  const Json& min = quantization["min"];
  if (!scale.isNumber() || !min.isNumber() || !std::isfinite(scale.number()) || !std::isfinite(min.number())) {
    return LoadError{"has a quantization without a numeric scale and min"};
  }
  storage.scale = scale.number();
  storage.min = min.number();
  return storage;
}

LoadResult<WeightSpec> readWeightSpec(const Json& weight) {
  WeightSpec spec;
  spec.name = weight["name"].text();
  if (spec.name.empty()) return LoadError{"has no name"};
  const Json& shape = weight["shape"];
  if (!shape.isArray()) return LoadError{"\"" + spec.name + "\" has no shape"};
  for (std::size_t i = 0; i < shape.size(); ++i) {
    if (!isWholeNumber(shape[i], 0, kMaxDimension)) return LoadError{"\"" + spec.name + "\" has a bad shape"};
    spec.shape.push_back(static_cast<int>(shape[i].number()));
    spec.count *= static_cast<std::size_t>(spec.shape.back());
    if (spec.count > kMaxTensorValues) return LoadError{"\"" + spec.name + "\" is too large"};
  }
  auto storage = readStorage(weight);
  if (!storage) return LoadError{"\"" + spec.name + "\" " + storage.error()};
  spec.storage = storage.value();
  return spec;
}

WeightTensor decode(const WeightSpec& spec, const char* bytes) {
  WeightTensor tensor{spec.name, spec.shape, std::vector<float>(spec.count)};
  const Storage& storage = spec.storage;
  // Dequantize in double, then round once to float, as the weights' own
  // loader does; the same codes then give the same floats.
  auto dequantize = [&storage](unsigned code) {
    return static_cast<float>(code * storage.scale + storage.min);
  };
  switch (storage.kind) {
    case Storage::Float32:
      std::memcpy(tensor.values.data(), bytes, spec.byteLength());
      break;
    case Storage::Uint8:
      for (std::size_t i = 0; i < spec.count; ++i) {
        tensor.values[i] = dequantize(static_cast<unsigned char>(bytes[i]));
      }
      break;
    case Storage::Uint16:
      for (std::size_t i = 0; i < spec.count; ++i) {
        std::uint16_t code;
        std::memcpy(&code, bytes + 2 * i, 2);
        tensor.values[i] = dequantize(code);
      }
      break;
  }
  return tensor;
}

// The group's binary files, relative to the manifest's folder and inside it.
LoadResult<std::vector<std::filesystem::path>> shardFiles(const Json& group, const std::filesystem::path& folder) {
  const Json& paths = group["paths"];
  if (!paths.isArray() || paths.size() == 0) return LoadError{"a group names no weight files"};
  std::vector<std::filesystem::path> files;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::filesystem::path relative(paths[i].text());
    bool leavesFolder = relative.empty() || relative.is_absolute();
    for (const auto& part : relative) leavesFolder = leavesFolder || part == "..";
    if (leavesFolder) return LoadError{"weight file \"" + paths[i].text() + "\" is not a file beside the manifest"};
    files.push_back(folder / relative);
  }
  return files;
}

// The group's binary files joined, checked against the byte count its
// weights need before anything large is read.
LoadResult<std::string> readShards(const std::vector<std::filesystem::path>& files, std::size_t needed) {
  std::uintmax_t total = 0;
  for (const auto& file : files) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return LoadError{"cannot read " + quoted(file) + ": " + error.message()};
    total += size;
  }
  if (total != needed) {
    std::string names;
    for (const auto& file : files) names += (names.empty() ? "" : ", ") + quoted(file);
    return LoadError{names + (total < needed ? " is shorter" : " is longer") + " than its manifest says: " +
                     std::to_string(total) + " bytes instead of " + std::to_string(needed)};
  }
  std::string bytes;
  bytes.reserve(needed);
  for (const auto& file : files) {
    auto shard = readWholeFile(file, needed);
    if (!shard) return LoadError{shard.error()};
    bytes += shard.value();
  }
  if (bytes.size() != needed) return LoadError{"the weight files changed while they were read"};
  return bytes;
}

// Appends the tensors of one group of the manifest.
std::optional<std::string> readGroup(const Json& group, const std::filesystem::path& folder,
                                     std::set<std::string>& names, std::vector<WeightTensor>& tensors) {
  auto files = shardFiles(group, folder);
  if (!files) return files.error();
  const Json& weights = group["weights"];
  if (!weights.isArray()) return std::string("a group lists no weights");

  std::vector<WeightSpec> specs;
  std::size_t needed = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    auto spec = readWeightSpec(weights[i]);
    if (!spec) return "weight " + std::to_string(i) + " " + spec.error();
    if (!names.insert(spec.value().name).second) return "weight \"" + spec.value().name + "\" is listed twice";
    needed += spec.value().byteLength();
    specs.push_back(std::move(spec).value());
  }

  auto bytes = readShards(files.value(), needed);
  if (!bytes) return bytes.error();
  std::size_t offset = 0;
  for (const WeightSpec& spec : specs) {
    tensors.push_back(decode(spec, bytes.value().data() + offset));
    offset += spec.byteLength();
  }
  return std::nullopt;
}

}  // namespace

LoadResult<WeightFile> WeightFile::load(const std::filesystem::path& manifestFile) {
  auto text = readWholeFile(manifestFile, kMaxManifestBytes);
  if (!text) return LoadError{text.error()};
  const std::optional<Json> manifest = Json::parse(text.value());
  if (!manifest || !manifest->isArray()) {
    return LoadError{quoted(manifestFile) + " is not a weights manifest (a JSON array of weight groups)"};
  }

  WeightFile file;
  std::set<std::string> names;
  for (std::size_t i = 0; i < manifest->size(); ++i) {
    const std::optional<std::string> problem =
        readGroup((*manifest)[i], manifestFile.parent_path(), names, file.tensors_);
    if (problem) return LoadError{quoted(manifestFile) + ": " + *problem};
  }
  return file;
}

const WeightTensor* WeightFile::find(std::string_view name) const {
  for (const WeightTensor& tensor : tensors_) {
    if (tensor.name == name) return &tensor;
  }
  return nullptr;
}

WeightTensor* WeightFile::find(std::string_view name) {
  return const_cast<WeightTensor*>(std::as_const(*this).find(name));
}

}  // namespace velmora::engine
