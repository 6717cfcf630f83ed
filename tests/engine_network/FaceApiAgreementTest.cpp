// Our network against face-api itself: the same chips go through face-api's
// FaceRecognitionNet in Node (tools/faceapi-check, CPU backend) and through
// EmbeddingNetwork, and every descriptor component must agree within 1e-3.
#include "engine/contract/Json.h"
#include "engine/network/EmbeddingNetwork.h"

#include "RealNetwork.h"
#include "TempFolder.h"
#include "TestChips.h"
#ifdef VELMORA_WITH_ALIGNED_CHIPS
#include "AlignedChips.h"
#endif

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace velmora::engine {
namespace {

using contract::Json;
using testing::realNetwork;

constexpr double kTolerance = 1e-3;

struct NamedChip {
  std::string name;
  FaceChip chip;
};

std::vector<NamedChip> chipsToCompare() {
  const std::filesystem::path samples = VELMORA_FACE_SAMPLES_DIR;
  std::vector<NamedChip> chips;
  for (int i = 1; i <= 6; ++i) {
    const std::string name = "sample" + std::to_string(i) + ".jpg";
    chips.push_back({name + " centre square", testing::centreSquareChip(samples / name)});
#ifdef VELMORA_WITH_ALIGNED_CHIPS
    constexpr std::size_t kFacesPerPicture = 3;
    std::string error;
    const std::vector<FaceChip> faces = testing::alignedChips(samples / name, kFacesPerPicture, error);
    EXPECT_FALSE(faces.empty()) << "no face found in " << name;
    EXPECT_TRUE(error.empty()) << error;
    for (std::size_t f = 0; f < faces.size(); ++f) {
      chips.push_back({name + " face " + std::to_string(f + 1), faces[f]});
    }
#endif
  }
  chips.push_back({"grey", testing::uniformChip(128, 128, 128)});
  chips.push_back({"black", testing::uniformChip(0, 0, 0)});
  chips.push_back({"white", testing::uniformChip(255, 255, 255)});
  chips.push_back({"noise", testing::noiseChip(42)});
  return chips;
}

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct CommandResult {
  int exitCode = -1;
  std::string output;
};

CommandResult runCommand(const std::string& command) {
  CommandResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), [](FILE*) { return 0; });
  if (!pipe) return result;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) result.output.append(buffer, got);
  const int status = pclose(pipe.release());
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FaceApiAgreement, DescriptorsMatchFaceApiWithinATolerance) {
  const std::filesystem::path tool = VELMORA_FACEAPI_CHECK_DIR;
  ASSERT_TRUE(std::filesystem::exists(tool / "node_modules" / "@vladmandic" / "face-api"))
      << "The Node packages of " << tool << " are not installed: run scripts/prepare-checks.sh";
  ASSERT_TRUE(realNetwork()) << realNetwork().error();
  const EmbeddingNetwork& network = realNetwork().value();

  const std::vector<NamedChip> chips = chipsToCompare();
  testing::TempFolder folder;
  std::string command = "node " + shellQuoted((tool / "descriptors.cjs").string()) + " --model " +
                        shellQuoted(VELMORA_FACE_MODEL_DIR);
  for (std::size_t i = 0; i < chips.size(); ++i) {
    ASSERT_EQ(chips[i].chip.rgb.size(), std::size_t{kChipSize} * kChipSize * 3) << chips[i].name;
    const std::string bytes(chips[i].chip.rgb.begin(), chips[i].chip.rgb.end());
    command += " " + shellQuoted(folder.write("chip" + std::to_string(i) + ".rgb", bytes).string());
  }
  const std::filesystem::path errors = folder.path() / "stderr.txt";
  const CommandResult node = runCommand(command + " 2>" + shellQuoted(errors.string()));
  ASSERT_EQ(node.exitCode, 0) << "face-api check failed: " << readFile(errors);

  const std::optional<Json> reference = Json::parse(node.output);
  ASSERT_TRUE(reference && reference->isArray() && reference->size() == chips.size())
      << "face-api check printed: " << node.output.substr(0, 500);

  double largest = 0.0;
  for (std::size_t i = 0; i < chips.size(); ++i) {
    const Embedding ours = network.embed(chips[i].chip);
    const Json& theirs = (*reference)[i];
    ASSERT_EQ(theirs.size(), ours.size()) << chips[i].name;
    std::size_t worst = 0;
    for (std::size_t k = 1; k < ours.size(); ++k) {
      if (std::abs(ours[k] - theirs[k].number()) > std::abs(ours[worst] - theirs[worst].number())) worst = k;
    }
    const double difference = std::abs(ours[worst] - theirs[worst].number());
    largest = std::max(largest, difference);
    EXPECT_LE(difference, kTolerance) << chips[i].name << ", component " << worst << ": ours " << ours[worst]
                                      << ", face-api " << theirs[worst].number();
  }
  std::printf("largest component difference over %zu chips: %.3g\n", chips.size(), largest);
  RecordProperty("largest_difference", std::to_string(largest));
}

}  // namespace
}  // namespace velmora::engine
