#include <gtest/gtest.h>

#include "text/Codepage.h"
#include "text/Numbers.h"

using namespace velmora;

TEST(NumberToText, IntegersInDecimalFractionsAsPercentG) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},           {95, "95"},        {-3, "-3"},          {1.5, "1.5"},
      {0.125, "0.125"},   {2.345, "2.345"},  {1e-7, "1e-07"},     {1.0 / 3, "0.3333333333333"},
      {4294967296.0, "4294967296"},
  };
  for (const auto& c : cases) EXPECT_EQ(numberToText(c.value), c.text) << c.value;
}

TEST(TextToInt, LeadingDecimalIntegerOrZero) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"87.5", 87},  {"90", 90},      {"", 0},       {"abc", 0},          {"  12x", 12},
      {"-5", -5},    {"+7", 7},       {".5", 0},     {"99999999999", 2147483647},
      {"89.99", 89}, {"-99999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(textToInt(c.text), c.value) << c.text;
}

TEST(TextToInt, LeadingIntTellsNoNumberApartFromZero) {
  EXPECT_FALSE(leadingInt("").has_value());
  EXPECT_FALSE(leadingInt("abc").has_value());
  EXPECT_EQ(leadingInt("0"), 0);
  EXPECT_EQ(leadingInt("89.5"), 89);
}

TEST(Codepage, GbkRoundTripAndByteLengths) {
  const Text text = gbk("同一人");
  EXPECT_EQ(text.size(), 6u);
  EXPECT_EQ(text, "\xCD\xAC\xD2\xBB\xC8\xCB");
  EXPECT_EQ(gbkToUtf8(text), "同一人");
  EXPECT_EQ(gbkCharLength(text, 0), 2u);
  EXPECT_EQ(gbkCharLength("a", 0), 1u);
}

TEST(Codepage, Gb18030KeepsCharactersOutsideGbk) {
  const std::string utf8 = "photo-\xF0\x9F\x98\x80-\xC3\xA9";  // emoji and é
  EXPECT_EQ(gb18030ToUtf8(utf8ToGb18030(utf8)), utf8);
  // CP936 cannot hold the emoji: it is dropped, the rest survives.
  EXPECT_EQ(gbkToUtf8(utf8ToGbk("a\xF0\x9F\x98\x80z")), "az");
}

TEST(Codepage, InvalidBytesAreSkippedNotFatal) {
  EXPECT_EQ(gbkToUtf8(std::string("ok\xFF", 3)), "ok");
  EXPECT_EQ(utf8ToGbk(std::string("a\xC3", 2)), "a");
  EXPECT_EQ(utf8ToGbk(""), "");
}

TEST(Codepage, Utf16RoundTrip) {
  EXPECT_EQ(gbkToUtf16(gbk("人脸")), u"人脸");
  EXPECT_EQ(utf16ToGbk(u"人脸"), gbk("人脸"));
  EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("abc 同")), "abc 同");
}
