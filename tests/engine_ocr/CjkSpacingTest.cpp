#include <gtest/gtest.h>

#include "engine/ocr/CjkSpacing.h"

namespace velmora::engine {
namespace {

TEST(CjkSpacing, SpacesGoOnlyBetweenTwoCjkCharacters) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"你 好", "你好"},
      {"你   好 世 界", "你好世界"},
      {"你好 world", "你好 world"},
      {"hello 世界", "hello 世界"},
      {"hello  world", "hello  world"},
      {"价格 ： 12 元", "价格： 12 元"},  // the full-width colon counts as CJK, the digits do not
      {"第 1 章", "第 1 章"},
      {"カ タ カ ナ", "カタカナ"},
      {"𠀀 𠀁", "𠀀𠀁"},  // beyond the basic plane
      {" 你 好 ", " 你好 "},
      {"", ""},
      {"\xE4\xBD \xE5\xA5\xBD", "\xE4\xBD \xE5\xA5\xBD"},  // a cut sequence is not a character
  };
  for (const Case& c : cases) EXPECT_EQ(removeSpacesBetweenCjk(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace velmora::engine
