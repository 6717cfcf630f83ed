#pragma once
// Small helpers shared by the face-set tests: a scratch folder and embeddings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

#include "engine/store/FaceSet.h"
#include "tests/engine_store/RandomEmbeddings.h"

namespace velmora::engine::testing {

// A folder of its own for each test, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("velmora-store-") + info->test_suite_name() + "-" + info->name() + "-" +
                       std::to_string(std::random_device{}());
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// An embedding pointing along one axis, scaled: distances between such
// embeddings are easy to read off (axis a at length x vs axis a at length y: |x-y|).
inline Embedding axis(std::size_t dimension, float length = 1.0f) {
  Embedding e{};
  e[dimension] = length;
  return e;
}


inline std::unique_ptr<FaceSet> openOrFail(const std::string& path) {
  FaceSet::Opened opened = FaceSet::open(path);
  EXPECT_TRUE(opened.faceSet) << opened.error;
  return std::move(opened.faceSet);
}

}  // namespace velmora::engine::testing
