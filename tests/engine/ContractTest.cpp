// The request decoding every server of the contract relies on.
#include <gtest/gtest.h>

#include "engine/contract/ServiceContract.h"

namespace velmora::contract {
namespace {

TEST(ContractTest, Base64DecodingTable) {
  struct Case {
    const char* text;
    std::optional<std::string> bytes;
  };
  const Case cases[] = {
      {"", std::string()},
      {"TQ==", std::string("M")},
      {"TWE=", std::string("Ma")},
      {"TWFu", std::string("Man")},
      {"TWFuTQ", std::string("ManM")},  // padding may be left out
      {"/w==", std::string("\xFF")},
      {"TWFu\n", std::nullopt},  // no line breaks
      {"TW@u", std::nullopt},
      {"TWFuT", std::nullopt},  // cut inside a byte
  };
  for (const Case& c : cases) EXPECT_EQ(base64Decode(c.text), c.bytes) << c.text;
}

TEST(ContractTest, FormValuesAndGroupLists) {
  EXPECT_EQ(formValue("a=1&image=x%2By%3D&b=", "image"), "x+y=");
  EXPECT_EQ(formValue("a=1&b=", "b"), "");
  EXPECT_EQ(formValue("a=1", "image"), std::nullopt);
  EXPECT_EQ(percentDecode("%e4%B8%AD+%zz%4"), "\xE4\xB8\xAD %zz%4");
  EXPECT_EQ(splitGroupList("zheng,w,b"), (std::vector<std::string>{"zheng", "w", "b"}));
  EXPECT_EQ(splitGroupList(" w ,,b,"), (std::vector<std::string>{"w", "b"}));
  EXPECT_TRUE(splitGroupList("").empty());
}

}  // namespace
}  // namespace velmora::contract
