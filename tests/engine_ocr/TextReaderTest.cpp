#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "engine/ocr/TextReader.h"

namespace velmora::engine {
namespace {

using Lines = std::vector<std::string>;

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(VELMORA_OCR_FIXTURES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// One reader for the whole suite: loading the languages takes a while.
class TextReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TextReader::Opened opened = TextReader::open();
    ASSERT_TRUE(opened.reader) << opened.error;
    reader_ = opened.reader.release();
  }
  static void TearDownTestSuite() {
    delete reader_;
    reader_ = nullptr;
  }
  static TextReader* reader_;
};
TextReader* TextReaderTest::reader_ = nullptr;

const Lines kLines = {"Velmora reads text", "Second line 2024", "你好世界欢迎"};

TEST_F(TextReaderTest, ReadsEnglishAndChineseLinesInOrder) {
  const TextReadResult result = reader_->read(fixture("lines.png"));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.lines, kLines);
}

TEST_F(TextReaderTest, PicturesOfEveryShapeGiveTheirTextOrNone) {
  struct Case {
    const char* picture;
    Lines lines;
  };
  const Case cases[] = {
      {"transparent.png", {"Clear background"}},  // transparency shows as white, not black
      {"large.jpg", {"Large picture"}},           // 54 megapixels, read at a reduced size
      {"white.png", {}},
      {"tiny.png", {}},
  };
  for (const Case& c : cases) {
    const TextReadResult result = reader_->read(fixture(c.picture));
    ASSERT_TRUE(result.ok()) << c.picture << ": " << result.error;
    EXPECT_EQ(result.lines, c.lines) << c.picture;
  }
}

TEST_F(TextReaderTest, DataThatIsNoPictureOrTooLargeIsRefusedWithAReason) {
  std::mt19937 random(5);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::string png = fixture("lines.png");
  struct Case {
    const char* name;
    std::string bytes;
    TextReadFailure failure;
  };
  const Case cases[] = {
      {"random bytes", noise, TextReadFailure::NotAPicture},
      {"nothing", "", TextReadFailure::NotAPicture},
      {"text", "hello, this is not a picture", TextReadFailure::NotAPicture},
      {"only the PNG signature and header", png.substr(0, 40), TextReadFailure::NotAPicture},
      {"72 megapixels", fixture("huge.png"), TextReadFailure::PictureTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TextReadResult result = reader_->read(c.bytes);
    EXPECT_EQ(result.failure, c.failure);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.lines.empty());
  }
}

TEST_F(TextReaderTest, ReadsFromSeveralThreadsAtOnce) {
  const std::string picture = fixture("lines.png");
  std::vector<TextReadResult> results(4);
  std::vector<std::thread> threads;
  for (TextReadResult& result : results) {
    threads.emplace_back([&] { result = reader_->read(picture); });
  }
  for (std::thread& thread : threads) thread.join();
  for (const TextReadResult& result : results) EXPECT_EQ(result.lines, kLines) << result.error;
}

TEST(TextReaderOpen, MissingLanguageDataIsAnErrorText) {
  struct Case {
    std::string folder;
    std::string languages;
  };
  const Case cases[] = {
      {"/nonexistent/tessdata", "chi_sim+eng"},
      {TextReader::defaultTessdataDir(), "xyz_unknown"},
      {TextReader::defaultTessdataDir(), "chi_sim+xyz_unknown"},  // one language missing is enough
  };
  for (const Case& c : cases) {
    TextReaderOptions options;
    options.tessdataDir = c.folder;
    options.languages = c.languages;
    const TextReader::Opened opened = TextReader::open(options);
    EXPECT_FALSE(opened.reader);
    EXPECT_NE(opened.error.find(c.folder), std::string::npos) << opened.error;
    EXPECT_NE(opened.error.find(c.languages), std::string::npos) << opened.error;
  }
}

}  // namespace
}  // namespace velmora::engine
