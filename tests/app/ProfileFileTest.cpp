#include "app/config/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/config/ConfigFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("velmora-profile-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    file = folder / "config.ini";
  }
  void TearDown() override {
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder);
  }

  void put(const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
  std::string contents() const {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path folder;
  fs::path file;
};

TEST_F(ProfileFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
  EXPECT_EQ(readProfileString(file, "config", "yuzhi"), "");
  ASSERT_TRUE(writeProfileString(file, "config", "yuzhi", "90"));
  EXPECT_EQ(contents(), "[config]\r\nyuzhi=90\r\n");
  EXPECT_EQ(readProfileString(file, "CONFIG", "YUZHI"), "90");
}

TEST_F(ProfileFileTest, WriteKeepsEveryOtherByteAndTheFileMode) {
  const std::string longLine = "; " + std::string(1 << 20, 'x');
  put(longLine + "\n[config]\nAPIKey=abc\n[other]\nyuzhi=1\n");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(writeProfileString(file, "config", "yuzhi", "73"));
  EXPECT_EQ(contents(), longLine + "\n[config]\nAPIKey=abc\nyuzhi=73\n[other]\nyuzhi=1\n");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "no temporary left";
}

TEST_F(ProfileFileTest, BinaryFileSurvivesAWrite) {
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) & 0xFF);
  put(noise);
  EXPECT_EQ(readProfileString(file, "config", "yuzhi"), "");
  ASSERT_TRUE(writeProfileString(file, "config", "yuzhi", "73"));
  EXPECT_EQ(contents().substr(0, noise.size()), noise);
  EXPECT_EQ(readProfileString(file, "config", "yuzhi"), "73");
}

TEST_F(ProfileFileTest, ReadOnlyFileIsLeftAlone) {
  put("[config]\nyuzhi=90\n");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(writeProfileString(file, "config", "yuzhi", "10"));
  EXPECT_EQ(contents(), "[config]\nyuzhi=90\n");
  EXPECT_EQ(readProfileString(file, "config", "yuzhi"), "90");
}

TEST_F(ProfileFileTest, PathThatIsAFolderReadsEmptyAndIsNotWritten) {
  fs::create_directory(file);
  EXPECT_EQ(readProfileString(file, "config", "yuzhi"), "");
  EXPECT_FALSE(writeProfileString(file, "config", "yuzhi", "10"));
  EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(ProfileFileTest, MissingFolderIsNotCreated) {
  EXPECT_FALSE(writeProfileString(folder / "gone" / "config.ini", "config", "yuzhi", "10"));
  EXPECT_FALSE(fs::exists(folder / "gone"));
}

TEST_F(ProfileFileTest, ConfigFileUsesSectionConfig) {
  const ConfigFile config(file);
  ASSERT_TRUE(config.setValue(ConfigFile::kApiKey, "D4D7D6"));
  EXPECT_EQ(readProfileString(file, "config", "APIKey"), "D4D7D6");
  EXPECT_EQ(config.value(ConfigFile::kSecretKey), "");
  EXPECT_EQ(ConfigFile::besideExecutable().filename(), "config.ini");
  EXPECT_TRUE(fs::equivalent(ConfigFile::besideExecutable().parent_path(), fs::canonical("/proc/self/exe").parent_path()));
}

}  // namespace
}  // namespace velmora
