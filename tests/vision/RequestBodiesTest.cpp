#include <gtest/gtest.h>

#include "text/Codepage.h"
#include "vision/RequestBodies.h"
#include "vision/UrlEncode.h"

using namespace velmora;

// The bodies built with the placeholders as values are the service's body
// templates, byte for byte.
TEST(RequestBodies, MatchBodyLayout) {
  const Text expected = gbk(
      "[\r\n"
      "    {\r\n"
      "        \"image\": \"图片1\",\r\n"
      "        \"image_type\": \"BASE64\",\r\n"
      "        \"face_type\": \"LIVE\",\r\n"
      "        \"quality_control\": \"LOW\",\r\n"
      "        \"liveness_control\": \"NONE\"\r\n"
      "    },\r\n"
      "    {\r\n"
      "        \"image\": \"图片2\",\r\n"
      "        \"image_type\": \"BASE64\",\r\n"
      "        \"face_type\": \"LIVE\",\r\n"
      "        \"quality_control\": \"LOW\",\r\n"
      "        \"liveness_control\": \"NONE\"\r\n"
      "    }\r\n"
      "]");
  EXPECT_EQ(matchBody(gbk("图片1"), gbk("图片2")), expected);
}

TEST(RequestBodies, SearchBodyLayout) {
  const Text expected = gbk(
      "{\r\n"
      "    \"image\": \"图片1\",\r\n"
      "    \"image_type\": \"BASE64\",\r\n"
      "    \"group_id_list\": \"用户组\",\r\n"
      "    \"face_type\": \"LIVE\",\r\n"
      "    \"quality_control\": \"LOW\",\r\n"
      "    \"liveness_control\": \"NONE\"\r\n"
      "}");
  EXPECT_EQ(searchBody(gbk("图片1"), gbk("用户组")), expected);
}

TEST(RequestBodies, UserAddBodyLayout) {
  const Text expected = gbk(
      "{\r\n"
      "    \"image\": \"图片\",\r\n"
      "    \"image_type\": \"BASE64\",\r\n"
      "    \"group_id\": \"用户组ID\",\r\n"
      "    \"user_id\": \"用户ID\",\r\n"
      "    \"user_info\": \"用户信息\",\r\n"
      "    \"quality_control\": \"LOW\",\r\n"
      "    \"liveness_control\": \"NONE\"\r\n"
      "}");
  EXPECT_EQ(userAddBody(gbk("图片"), gbk("用户ID"), gbk("用户组ID"), gbk("用户信息")), expected);
}

TEST(RequestBodies, ValuesGoWhereTheyBelong) {
  const Text match = matchBody("QUFB", "QkJC");
  EXPECT_LT(match.find("\"image\": \"QUFB\""), match.find("\"image\": \"QkJC\""));

  const Text search = searchBody("QUFB", "zheng,w,b");
  EXPECT_NE(search.find("    \"group_id_list\": \"zheng,w,b\",\r\n"), Text::npos);

  const Text user = userAddBody("QUFB", "u1", "zheng", "x");
  EXPECT_NE(user.find("    \"group_id\": \"zheng\",\r\n    \"user_id\": \"u1\",\r\n    \"user_info\": \"x\",\r\n"),
            Text::npos);
}

TEST(RequestBodies, TextsThatLookLikePlaceholdersStayAsTheyAre) {
  // The user id holds the name of a later member's placeholder; it is a
  // value like any other.
  const Text user = userAddBody("QUFB", gbk("用户信息"), "g", "info");
  EXPECT_NE(user.find(gbk("\"user_id\": \"用户信息\"")), Text::npos);
  EXPECT_NE(user.find("\"user_info\": \"info\""), Text::npos);
}

TEST(RequestBodies, TextsAreEscapedAsJsonStrings) {
  // A quote in the user information cannot end the string and set another
  // member.
  const Text user = userAddBody("QUFB", "u1", "w", "x\", \"group_id\": \"zheng");
  EXPECT_NE(user.find(R"("user_info": "x\", \"group_id\": \"zheng",)"), Text::npos);
  EXPECT_NE(user.find("\"group_id\": \"w\""), Text::npos);

  const struct {
    Text value;
    Text escaped;
  } cases[] = {
      {"a\\b", "a\\\\b"},
      {"line\r\nnext\ttab", "line\\r\\nnext\\ttab"},
      {std::string("\x01\x1f", 2), "\\u0001\\u001f"},
      {gbk("张三"), gbk("张三")},
      // 乗 is 0x81 0x5C in GBK: its second byte is a backslash that must not
      // be escaped, or the character breaks.
      {gbk("乗\""), gbk("乗") + "\\\""},
  };
  for (const auto& c : cases) EXPECT_EQ(escapeJsonString(c.value), c.escaped) << c.escaped;
}

TEST(RequestBodies, TextRecognitionFormBody) {
  // "abc" is "YWJj" in Base64; every character is escaped.
  EXPECT_EQ(textRecognitionBody("abc"), "image=%59%57%4A%6A");
  EXPECT_EQ(textRecognitionBody(""), "image=");
  const Text body = textRecognitionBody(Bytes(300, '\x07'));
  EXPECT_EQ(body.size(), 6u + 3u * 400u);
}
