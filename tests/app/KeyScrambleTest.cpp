#include "app/config/KeyScramble.h"

#include <gtest/gtest.h>

#include <random>

#include "app/config/Md5.h"

namespace velmora {
namespace {

const std::string kCheck = "8CF7E8962";  // digits 3 to 11 of MD5("58206749")

TEST(KeyScramble, CheckComesFromTheDigestOfThePassPhrase) {
  EXPECT_EQ(md5Hex("58206749"), "1F8CF7E89628A07FE8175F16334B7210");
  EXPECT_EQ(md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(keyCheck(kKeyPassPhrase), kCheck);
}

TEST(KeyScramble, ScramblesAbcAsDocumented) {
  EXPECT_EQ(scrambleKey("abc", kKeyPassPhrase), "D4D7D6" + kCheck);
  EXPECT_EQ(descrambleKey("D4D7D6" + kCheck, kKeyPassPhrase), "abc");
}

struct DescrambleCase {
  const char* name;
  std::string stored;
  std::string plain;
};

void PrintTo(const DescrambleCase& c, std::ostream* os) { *os << c.name; }

class Descramble : public ::testing::TestWithParam<DescrambleCase> {};

TEST_P(Descramble, ReadsTheStoredForm) {
  EXPECT_EQ(descrambleKey(GetParam().stored, kKeyPassPhrase), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Descramble,
    ::testing::Values(DescrambleCase{"CheckAlone", kCheck, ""},
                      DescrambleCase{"ShorterThanCheck", "8CF7E896", ""},
                      DescrambleCase{"Empty", "", ""},
                      DescrambleCase{"LowerCaseCheck", "D4D7D6" "8cf7e8962", ""},
                      DescrambleCase{"WrongCheck", "D4D7D6" "8CF7E8963", ""},
                      DescrambleCase{"LowerCaseBody", "d4d7d6" + kCheck, "abc"},
                      DescrambleCase{"OddLastDigitIgnored", "D4D7D6F" + kCheck, "abc"},
                      DescrambleCase{"ZeroByteEndsKey", "D4B5D7" + kCheck, "a"},
                      DescrambleCase{"UnreadablePairSkipped", "D4ZZD7" + kCheck, "ab"},
                      DescrambleCase{"PairStartingWithNonDigitSkipped", "D4G1D7" + kCheck, "ab"},
                      DescrambleCase{"SingleDigitPair", "D47ZD7" + kCheck, "a\xB2" "b"},
                      DescrambleCase{"SignedAndBlankPairs", "+1 1-1" + kCheck, "\xB4\xB4J"},
                      DescrambleCase{"CheckLikeBodyAfterTrailingJunk", "D4D7D6" + kCheck + " ", ""}),
    [](const auto& info) { return info.param.name; });

TEST(KeyScramble, OtherPassPhraseRejectsTheKey) {
  EXPECT_EQ(descrambleKey(scrambleKey("abc", kKeyPassPhrase), "12345678"), "");
}

TEST(KeyScramble, RoundTripsEveryKeyWithoutZeroBytes) {
  std::mt19937 random(7093);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> length(0, 64);
  for (const std::string passPhrase : {"58206749", "", "another phrase"}) {
    for (int round = 0; round < 200; ++round) {
      std::string key(static_cast<std::size_t>(length(random)), '\0');
      for (char& c : key) c = static_cast<char>(byte(random));
      ASSERT_EQ(descrambleKey(scrambleKey(key, passPhrase), passPhrase), key) << "pass phrase " << passPhrase;
    }
  }
}

}  // namespace
}  // namespace velmora
