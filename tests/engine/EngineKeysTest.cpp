// The engine's keys file: made once, kept, and refused when damaged.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "engine/server/Engine.h"
#include "engine/server/EngineKeys.h"

namespace velmora::engine {
namespace {

namespace fs = std::filesystem;

class EngineKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("velmora-keys-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

TEST_F(EngineKeysTest, MadeOnceForItsOwnerAndKept) {
  const std::string file = (folder / "keys").string();
  std::string error;
  const auto made = EngineKeys::loadOrCreate(file, error);
  ASSERT_TRUE(made) << error;
  EXPECT_EQ(made->apiKey.size(), 24u);
  EXPECT_EQ(made->secretKey.size(), 32u);
  EXPECT_FALSE(made->accessToken.empty());
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const auto again = EngineKeys::loadOrCreate(file, error);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->apiKey, made->apiKey);
  EXPECT_EQ(again->secretKey, made->secretKey);
  EXPECT_EQ(again->accessToken, made->accessToken);
  EXPECT_NE(EngineKeys::generate().apiKey, made->apiKey);
}

TEST_F(EngineKeysTest, DamagedOrUnwritableKeysGiveAReason) {
  std::string error;
  std::ofstream(folder / "keys") << "api_key=abc\r\nsecret_key=\n";
  EXPECT_FALSE(EngineKeys::loadOrCreate((folder / "keys").string(), error));
  EXPECT_NE(error.find("keys"), std::string::npos) << error;

  error.clear();
  EXPECT_FALSE(EngineKeys::loadOrCreate((folder / "missing" / "keys").string(), error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;

  // The engine does not start on such keys, and says why.
  error.clear();
  EXPECT_FALSE(Engine::open({folder.string()}, error));
  EXPECT_NE(error.find("remove it to make new keys"), std::string::npos) << error;
}

TEST_F(EngineKeysTest, DataFolderIsMadeForItsOwnerOnly) {
  std::string error;
  const fs::path data = folder / "velmora" / "engine";
  ASSERT_TRUE(Engine::keysOf({data.string()}, error)) << error;
  EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
  std::ofstream(folder / "file") << "x";
  EXPECT_FALSE(Engine::keysOf({(folder / "file").string()}, error));
}

}  // namespace
}  // namespace velmora::engine
