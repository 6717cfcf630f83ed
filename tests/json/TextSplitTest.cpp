#include "json/TextSplit.h"

#include <gtest/gtest.h>

#include "text/Codepage.h"

using namespace velmora;

namespace {

TEST(SplitItems, PiecesAroundSeparators) {
  struct Case {
    Text text;
    Text separator;
    std::vector<Text> items;
  };
  const Text date = gbk("[2020年7月20日20时0分0秒]");
  const Case cases[] = {
      {"", "\r\n", {}},
      {"a", "\r\n", {"a"}},
      {"a\r\nb", "\r\n", {"a", "b"}},
      {"a\r\n", "\r\n", {"a"}},
      {"a\r\n\r\n", "\r\n", {"a", ""}},
      {"\r\nb", "\r\n", {"", "b"}},
      {"a\r\n\r\nb", "\r\n", {"a", "", "b"}},
      {"\r\n", "\r\n", {""}},
      {"a\rb\nc", "\r\n", {"a\rb\nc"}},
      {"1" + date + "x" + date + date + "y", date, {"1", "x", "", "y"}},
      {"abc", "", {"abc"}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitItems(c.text, c.separator), c.items) << c.text;
}

TEST(SplitItems, NeverCutsInsideAGbkCharacter) {
  // 0x81 0x5B is one GBK character whose second byte is '['.
  const Text text = "x\x81[ay";
  EXPECT_EQ(splitItems(text, "[a"), std::vector<Text>{text});
  EXPECT_EQ(splitItems("x[ay", "[a"), (std::vector<Text>{"x", "y"}));
  // A character starting right after a separator is found whole.
  const Text name = gbk("张三");
  EXPECT_EQ(splitItems(name + "\r\n" + name, "\r\n"), (std::vector<Text>{name, name}));
}

}  // namespace
