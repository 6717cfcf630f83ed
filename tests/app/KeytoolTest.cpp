// Runs velmora-keytool as a user would, with the keys on standard input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/config/ConfigFile.h"
#include "app/config/KeyScramble.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string output;
};

ToolRun keytool(const std::string& arguments, const std::string& input) {
  const fs::path inputFile = fs::temp_directory_path() / ("velmora-keytool-input-" + std::to_string(::getpid()));
  std::ofstream(inputFile) << input;
  const std::string command = std::string(VELMORA_KEYTOOL) + " " + arguments + " < " + inputFile.string() + " 2>/dev/null";
  ToolRun run{-1, {}};
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::remove(inputFile);
  return run;
}

class KeytoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("velmora-keytool-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

TEST_F(KeytoolTest, WritesKeysTheProgramCanDescramble) {
  const fs::path config = folder / "config.ini";
  std::ofstream(config) << "[config]\nyuzhi=85\n";
  ASSERT_EQ(keytool("write " + config.string(), "  apiKEY123 \r\nsecret/Key+9\n").status, 0);
  const ConfigFile file(config);
  EXPECT_EQ(descrambleKey(file.value(ConfigFile::kApiKey), kKeyPassPhrase), "apiKEY123");
  EXPECT_EQ(descrambleKey(file.value(ConfigFile::kSecretKey), kKeyPassPhrase), "secret/Key+9");
  EXPECT_EQ(file.value(ConfigFile::kThreshold), "85");
}

TEST_F(KeytoolTest, PrintsTheStoredForm) {
  const ToolRun run = keytool("print", "abc\n\nxyz\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, scrambleKey("abc", kKeyPassPhrase) + "\n" + scrambleKey("xyz", kKeyPassPhrase) + "\n");
}

TEST_F(KeytoolTest, RefusesWhatItCannotStore) {
  const fs::path config = folder / "config.ini";
  EXPECT_EQ(keytool("write " + config.string(), "only-one-key\n").status, 2);
  EXPECT_EQ(keytool("write " + config.string(), "\n\n").status, 2);
  EXPECT_EQ(keytool("write " + config.string(), "k\xC4\xE3\nsecret\n").status, 2);
  EXPECT_FALSE(fs::exists(config));
  EXPECT_EQ(keytool("write " + (folder / "missing" / "config.ini").string(), "a\nb\n").status, 1);
  EXPECT_EQ(keytool("", "").status, 2);
}

TEST_F(KeytoolTest, SwitchesTheServiceAddress) {
  const fs::path config = folder / "config.ini";
  std::ofstream(config) << "[config]\nyuzhi=85\n";
  ASSERT_EQ(keytool("host " + config.string() + " http://127.0.0.1:8711", "").status, 0);
  EXPECT_EQ(ConfigFile(config).value(ConfigFile::kHost), "http://127.0.0.1:8711");
  ASSERT_EQ(keytool("host " + config.string(), "").status, 0);  // back to the cloud service
  EXPECT_EQ(ConfigFile(config).value(ConfigFile::kHost), "");
  EXPECT_EQ(ConfigFile(config).value(ConfigFile::kThreshold), "85");
  EXPECT_EQ(keytool("host " + config.string() + " ftp://elsewhere", "").status, 2);
  EXPECT_EQ(keytool("host " + config.string() + " 'http://a\nb'", "").status, 2);
}

}  // namespace
}  // namespace velmora
