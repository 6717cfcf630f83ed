#include "engine/network/EmbeddingNetwork.h"
#include "engine/network/WeightFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace velmora::engine {
namespace {

using testing::TempFolder;

std::string floatBytes(std::initializer_list<float> values) {
  std::string bytes(values.size() * sizeof(float), '\0');
  std::memcpy(bytes.data(), values.begin(), bytes.size());
  return bytes;
}

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WeightFile, DecodesFloatAndQuantizedWeightsAcrossShards) {
  TempFolder folder;
  folder.write("manifest.json", R"([
    {"paths": ["a.bin", "b.bin"], "weights": [
      {"name": "plain", "shape": [2], "dtype": "float32"},
      {"name": "bytes", "shape": [1, 3], "dtype": "float32",
       "quantization": {"dtype": "uint8", "scale": 0.5, "min": -1.25}},
      {"name": "words", "shape": [2], "dtype": "float32",
       "quantization": {"dtype": "uint16", "scale": 0.001, "min": 2}}]},
    {"paths": ["c.bin"], "weights": [{"name": "empty", "shape": [0, 4], "dtype": "float32"}]}
  ])");
  // The first group's bytes are split over two files at an odd place.
  const std::string group = floatBytes({1.5f, -2.25f}) + std::string("\x00\x02\xff", 3) +
                            std::string("\x01\x00\xe8\x03", 4);
  folder.write("a.bin", group.substr(0, 5));
  folder.write("b.bin", group.substr(5));
  folder.write("c.bin", "");

  auto loaded = WeightFile::load(folder.path() / "manifest.json");
  ASSERT_TRUE(loaded) << loaded.error();
  const WeightFile& file = loaded.value();
  ASSERT_EQ(file.tensors().size(), 4u);

  EXPECT_EQ(file.find("plain")->values, (std::vector<float>{1.5f, -2.25f}));
  EXPECT_EQ(file.find("bytes")->shape, (std::vector<int>{1, 3}));
  EXPECT_EQ(file.find("bytes")->values, (std::vector<float>{-1.25f, -0.25f, 126.25f}));
  EXPECT_EQ(file.find("words")->values,
            (std::vector<float>{static_cast<float>(1 * 0.001 + 2), static_cast<float>(1000 * 0.001 + 2)}));
  EXPECT_TRUE(file.find("empty")->values.empty());
  EXPECT_EQ(file.find("absent"), nullptr);
}

struct BadWeightCase {
  const char* what;
  const char* manifest;  // nullptr: no manifest file at all
  std::string bin;
  const char* expected;  // part of the error text
};

void PrintTo(const BadWeightCase& bad, std::ostream* out) { *out << bad.what; }

class WeightFileErrors : public ::testing::TestWithParam<BadWeightCase> {};

TEST_P(WeightFileErrors, GiveATextNamingTheProblem) {
  const BadWeightCase& bad = GetParam();
  TempFolder folder;
  if (bad.manifest) folder.write("manifest.json", bad.manifest);
  if (!bad.bin.empty()) folder.write("w.bin", bad.bin);

  auto loaded = WeightFile::load(folder.path() / "manifest.json");
  ASSERT_FALSE(loaded);
  EXPECT_NE(loaded.error().find(bad.expected), std::string::npos) << loaded.error();
}

const char* const kOneWeight =
    R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [2, 2], "dtype": "float32"}]}])";

INSTANTIATE_TEST_SUITE_P(
    , WeightFileErrors,
    ::testing::Values(
        BadWeightCase{"missing manifest", nullptr, "", "cannot read"},
        BadWeightCase{"manifest is not JSON", "[{\"paths\": [\"w.bin\"], \"weights\": [", "", "not a weights manifest"},
        BadWeightCase{"manifest is an object", "{\"paths\": []}", "", "not a weights manifest"},
        BadWeightCase{"manifest of binary bytes", "\x89PNG\r\n\x1a\n\xff\xfe", "", "not a weights manifest"},
        BadWeightCase{"group without files", R"([{"weights": []}])", "", "names no weight files"},
        BadWeightCase{"weight without shape", R"([{"paths": ["w.bin"], "weights": [{"name": "w", "dtype": "float32"}]}])",
                      floatBytes({1}), "has no shape"},
        BadWeightCase{"negative dimension",
                      R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [-1], "dtype": "float32"}]}])",
                      floatBytes({1}), "bad shape"},
        BadWeightCase{"huge tensor",
                      R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [65536, 65536, 65536], "dtype": "float32"}]}])",
                      floatBytes({1}), "too large"},
        BadWeightCase{"integer weights",
                      R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [1], "dtype": "int32"}]}])",
                      floatBytes({1}), "only float32"},
        BadWeightCase{"unknown quantization",
                      R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [1], "dtype": "float32",
                          "quantization": {"dtype": "int4", "scale": 1, "min": 0}}]}])",
                      floatBytes({1}), "only uint8 and uint16"},
        BadWeightCase{"quantization without scale",
                      R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [1], "dtype": "float32",
                          "quantization": {"dtype": "uint8", "min": 0}}]}])",
                      "x", "numeric scale and min"},
        BadWeightCase{"weight listed twice",
                      R"([{"paths": ["w.bin"], "weights": [{"name": "w", "shape": [1], "dtype": "float32"},
                                                          {"name": "w", "shape": [1], "dtype": "float32"}]}])",
                      floatBytes({1, 2}), "listed twice"},
        BadWeightCase{"missing bin", kOneWeight, "", "cannot read"},
        BadWeightCase{"short bin", kOneWeight, floatBytes({1, 2, 3}), "is shorter than its manifest says: 12 bytes instead of 16"},
        BadWeightCase{"long bin", kOneWeight, floatBytes({1, 2, 3, 4, 5}), "is longer than its manifest says"},
        BadWeightCase{"bin outside the folder",
                      R"([{"paths": ["../w.bin"], "weights": [{"name": "w", "shape": [1], "dtype": "float32"}]}])",
                      floatBytes({1}), "not a file beside the manifest"}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(EmbeddingNetworkLoad, NamesAWeightOfTheWrongShape) {
  TempFolder folder;
  folder.write(EmbeddingNetwork::kManifestFileName,
               R"([{"paths": ["w.bin"], "weights": [{"name": "conv32_down/conv/filters", "shape": [1, 1, 1, 2], "dtype": "float32"}]}])");
  folder.write("w.bin", floatBytes({1, 2}));
  auto network = EmbeddingNetwork::load(folder.path());
  ASSERT_FALSE(network);
  EXPECT_EQ(network.error(), "weight \"conv32_down/conv/filters\" has shape [1,1,1,2], expected [7,7,3,32]");
}

TEST(EmbeddingNetworkLoad, NamesTheFirstMissingWeight) {
  const std::filesystem::path model = VELMORA_FACE_MODEL_DIR;
  TempFolder folder;
  // The real manifest without the last weight, the fully connected layer.
  std::string manifest = readFile(model / EmbeddingNetwork::kManifestFileName);
  const std::size_t fc = manifest.find("{\"name\":\"fc\"");
  ASSERT_NE(fc, std::string::npos) << "the real manifest lists \"fc\" last";
  const std::size_t comma = manifest.rfind(',', fc);
  manifest.erase(comma, manifest.find("}}", fc) + 2 - comma);
  const std::string bin = readFile(model / "face_recognition_model.bin");
  folder.write(EmbeddingNetwork::kManifestFileName, manifest);
  folder.write("face_recognition_model.bin", bin.substr(0, bin.size() - 256 * 128));  // one byte each

  auto network = EmbeddingNetwork::load(folder.path());
  ASSERT_FALSE(network);
  EXPECT_EQ(network.error(), "the weights have no \"fc\"");
}

TEST(EmbeddingNetworkLoad, ReportsATruncatedRealWeightFile) {
  const std::filesystem::path model = VELMORA_FACE_MODEL_DIR;
  TempFolder folder;
  folder.write(EmbeddingNetwork::kManifestFileName, readFile(model / EmbeddingNetwork::kManifestFileName));
  folder.write("face_recognition_model.bin", readFile(model / "face_recognition_model.bin").substr(0, 100000));

  auto network = EmbeddingNetwork::load(folder.path());
  ASSERT_FALSE(network);
  EXPECT_NE(network.error().find("face_recognition_model.bin\" is shorter than its manifest says"), std::string::npos)
      << network.error();
}

TEST(EmbeddingNetworkLoad, ReportsAMissingModelFolder) {
  auto network = EmbeddingNetwork::load("/nonexistent/velmora-model");
  ASSERT_FALSE(network);
  EXPECT_NE(network.error().find("cannot read \"/nonexistent/velmora-model/" +
                                 std::string(EmbeddingNetwork::kManifestFileName) + "\""),
            std::string::npos)
      << network.error();
}

}  // namespace
}  // namespace velmora::engine
