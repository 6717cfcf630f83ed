#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "text/Codepage.h"
#include "vision/Base64.h"
#include "vision/UrlEncode.h"

using namespace velmora;

TEST(Base64Encode, Rfc4648Vectors) {
  const struct {
    const char* data;
    const char* base64;
  } vectors[] = {
      {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& v : vectors) EXPECT_EQ(base64Encode(v.data), v.base64) << v.data;
}

TEST(Base64Encode, AgreesWithOpenSslForEveryRemainderAndAllByteValues) {
  std::mt19937 random(7);
  for (std::size_t length : {1u, 2u, 3u, 4u, 5u, 6u, 255u, 256u, 257u, 1000u, 65537u}) {
    Bytes data(length, '\0');
    for (char& c : data) c = static_cast<char>(random());
    std::string expected(4 * ((length + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(expected.data()),
                                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(length));
    expected.resize(static_cast<std::size_t>(written));
    EXPECT_EQ(base64Encode(data), expected) << length << " bytes";
  }
}

TEST(Base64Encode, ThousandBytesGiveOneLineOf1336Characters) {
  const Text encoded = base64Encode(Bytes(1000, '\xff'));
  EXPECT_EQ(encoded.size(), 1336u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), Text::npos);
  EXPECT_EQ(encoded.substr(1332), "/w==");  // one byte left: two "="
}

TEST(UrlEncode, Cases) {
  const struct {
    Text text;
    bool keepUnreserved;
    bool toUtf8;
    const char* expected;
  } cases[] = {
      {"Ab+/=", false, false, "%41%62%2B%2F%3D"},
      {"a b~!", true, false, "a+b%7E%21"},
      {"a-b.c_d'(x)*", true, false, "a-b.c_d'(x)*"},
      {"a-b", false, false, "%61%2D%62"},
      {"", false, false, ""},
      {"", true, true, ""},
      {"  ", false, false, "++"},
      {gbk("中"), false, true, "%E4%B8%AD"},
      {gbk("中"), false, false, "%D6%D0"},
      {gbk("中a"), true, true, "%E4%B8%ADa"},
      {std::string("a\0b", 3), true, false, "ab"},  // a zero byte is dropped
      {"k&y=1#", true, true, "k%26y%3D1%23"},
      {"\x7f\x80\xff", false, false, "%7F%80%FF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(urlEncode(c.text, c.keepUnreserved, c.toUtf8), c.expected)
        << "keep=" << c.keepUnreserved << " utf8=" << c.toUtf8 << " " << c.expected;
}

TEST(UrlEncode, EscapedFormIsThreeTimesTheBase64Text) {
  const Text base64 = base64Encode(Bytes(3000, 'x'));
  const Text escaped = urlEncode(base64);
  ASSERT_EQ(escaped.size(), 3 * base64.size());
  EXPECT_EQ(escaped.substr(0, 12), "%65%48%68%34");  // "eHh4"
}
