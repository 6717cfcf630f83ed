#include "app/config/IniDocument.h"

#include <gtest/gtest.h>

#include <optional>

namespace velmora {
namespace {

struct ReadCase {
  const char* name;
  std::string content;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheValueAsTheProfileFunctionsDo) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(IniDocument(c.content).value(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(
        ReadCase{"Lf", "[config]\nyuzhi=73\n", "config", "yuzhi", "73"},
        ReadCase{"CrLf", "[config]\r\nyuzhi=73\r\nAPIKey=k\r\n", "config", "APIKey", "k"},
        ReadCase{"NamesIgnoreCase", "[CONFIG]\nYuZhi=73\n", "config", "yuzhi", "73"},
        ReadCase{"BlanksAroundNamesAndValue", "  [ config ]  \n\t yuzhi  =  7 3 \t\n", "config", "yuzhi", "7 3"},
        ReadCase{"NoLineEndAtAll", "[config]\nyuzhi=abc", "config", "yuzhi", "abc"},
        ReadCase{"EmptyValueIsPresent", "[config]\nyuzhi=\n", "config", "yuzhi", ""},
        ReadCase{"EqualsInValue", "[config]\nk=a=b\n", "config", "k", "a=b"},
        ReadCase{"GbkBytesKept", "[config]\nk=\xC4\xE3\xBA\xC3\n", "config", "k", "\xC4\xE3\xBA\xC3"},
        ReadCase{"MissingKey", "[config]\nyuzhi=73\n", "config", "APIKey", std::nullopt},
        ReadCase{"MissingSection", "[other]\nyuzhi=73\n", "config", "yuzhi", std::nullopt},
        ReadCase{"KeyOfAnotherSection", "[config]\n[other]\nyuzhi=73\n", "config", "yuzhi", std::nullopt},
        ReadCase{"KeyBeforeAnySection", "yuzhi=5\n[config]\n", "config", "yuzhi", std::nullopt},
        ReadCase{"CommentIsNoKey", "[config]\n;yuzhi=5\n", "config", "yuzhi", std::nullopt},
        ReadCase{"LineWithoutEqualsIsNoKey", "[config]\nyuzhi\n", "config", "yuzhi", std::nullopt},
        ReadCase{"FirstOfDuplicateKeys", "[config]\nk=1\nk=2\n", "config", "k", "1"},
        ReadCase{"OnlyFirstOfDuplicateSections", "[config]\na=1\n[config]\nb=2\n", "config", "b", std::nullopt},
        ReadCase{"Utf8MarkBeforeFirstSection", "\xEF\xBB\xBF[config]\nk=1\n", "config", "k", "1"},
        ReadCase{"BinaryNoise", std::string("\x00\xFF[\x01\n=\x00\n[config\nk=1", 19), "config", "k", "1"},
        ReadCase{"Empty", "", "config", "k", std::nullopt}),
    [](const auto& info) { return info.param.name; });

struct WriteCase {
  const char* name;
  std::string before;
  const char* key;
  const char* value;
  std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatItMust) {
  const WriteCase& c = GetParam();
  IniDocument document(c.before);
  ASSERT_TRUE(document.setValue("config", c.key, c.value));
  EXPECT_EQ(document.content(), c.after);
  EXPECT_EQ(document.value("config", c.key), std::optional<std::string>(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        WriteCase{"NewDocument", "", "yuzhi", "90", "[config]\r\nyuzhi=90\r\n"},
        WriteCase{"ReplacesInPlace", "; settings\r\n[config]\r\nyuzhi = 90 ; x\r\nAPIKey=a\r\n", "yuzhi", "95",
                  "; settings\r\n[config]\r\nyuzhi = 95\r\nAPIKey=a\r\n"},
        WriteCase{"KeepsSpellingOfKey", "[Config]\nYUZHI=5\n", "yuzhi", "10", "[Config]\nYUZHI=10\n"},
        WriteCase{"EmptyValueFilled", "[config]\nyuzhi=\n", "yuzhi", "9", "[config]\nyuzhi=9\n"},
        WriteCase{"NewKeyAfterLastLineOfSection", "[config]\nyuzhi=90\n\n[other]\nx=1\n", "APIKey", "k",
                  "[config]\nyuzhi=90\nAPIKey=k\n\n[other]\nx=1\n"},
        WriteCase{"NewKeyInEmptySection", "[config]\r\n", "APIKey", "k", "[config]\r\nAPIKey=k\r\n"},
        WriteCase{"NewKeyAfterUnterminatedLastLine", "[config]\nyuzhi=90", "APIKey", "k",
                  "[config]\nyuzhi=90\nAPIKey=k\n"},
        WriteCase{"NewSectionAfterOtherLines", "[other]\nx=1", "yuzhi", "73", "[other]\nx=1\n[config]\nyuzhi=73\n"},
        WriteCase{"FirstOfDuplicateSections", "[config]\na=1\n[config]\nyuzhi=1\n", "yuzhi", "2",
                  "[config]\na=1\nyuzhi=2\n[config]\nyuzhi=1\n"},
        WriteCase{"FirstOfDuplicateKeys", "[config]\nyuzhi=1\nyuzhi=2\n", "yuzhi", "3", "[config]\nyuzhi=3\nyuzhi=2\n"},
        WriteCase{"GbkValue", "[config]\n", "yuzhi", "\xB0\xA1", "[config]\nyuzhi=\xB0\xA1\n"}),
    [](const auto& info) { return info.param.name; });

TEST(IniWrite, RefusesWhatWouldCorruptTheFile) {
  IniDocument document("[config]\nyuzhi=90\n");
  EXPECT_FALSE(document.setValue("config", "yuzhi", "1\r\n[evil]"));
  EXPECT_FALSE(document.setValue("config", "", "1"));
  EXPECT_FALSE(document.setValue("", "yuzhi", "1"));
  EXPECT_FALSE(document.setValue("config", "a=b", "1"));
  EXPECT_FALSE(document.setValue("con]fig", "yuzhi", "1"));
  EXPECT_EQ(document.content(), "[config]\nyuzhi=90\n");
}

}  // namespace
}  // namespace velmora
