#include "http/Url.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct UrlCase {
  const char* url;
  bool valid;
  UrlScheme scheme;
  const char* host;
  int port;
  const char* path;
  const char* extra;
};

TEST(UrlTest, SplitsUrlsAndRejectsMalformedOnes) {
  const UrlCase cases[] = {
      {"http://example.com", true, UrlScheme::http, "example.com", 80, "", ""},
      {"HTTPS://Example.com/a/b?x=1&y=/z", true, UrlScheme::https, "Example.com", 443, "/a/b", "?x=1&y=/z"},
      {"https://h:8443?q", true, UrlScheme::https, "h", 8443, "", "?q"},
      {"http://user:pw@h:81/p#frag", true, UrlScheme::http, "h", 81, "/p", "#frag"},
      {"http://[::1]:8080/v6", true, UrlScheme::http, "[::1]", 8080, "/v6", ""},
      {"http://h:/p", true, UrlScheme::http, "h", 80, "/p", ""},
      {"http://", false, {}, "", 0, "", ""},
      {"http://h:0/", false, {}, "", 0, "", ""},
      {"http://h:65536/", false, {}, "", 0, "", ""},
      {"http://h:8x/", false, {}, "", 0, "", ""},
      {"http://h o/", false, {}, "", 0, "", ""},
      {"http://h/a b", false, {}, "", 0, "", ""},
      {"http://h/\r\nX: 1", false, {}, "", 0, "", ""},
      {"http://[::1/", false, {}, "", 0, "", ""},
      {"http://[zz]/", false, {}, "", 0, "", ""},
      {"ftp://h/", false, {}, "", 0, "", ""},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(c.url);
    const auto parts = parseUrl(c.url);
    ASSERT_EQ(parts.has_value(), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(parts->scheme, c.scheme);
    EXPECT_EQ(parts->host, c.host);
    EXPECT_EQ(parts->port, c.port);
    EXPECT_EQ(parts->path, c.path);
    EXPECT_EQ(parts->extra, c.extra);
  }
}

TEST(UrlTest, WireTargetEncodesWhatCannotGoRawAndDropsTheFragment) {
  EXPECT_EQ(wireTarget("", ""), "/");
  EXPECT_EQ(wireTarget("", "?a=1"), "/?a=1");
  EXPECT_EQ(wireTarget("/a/b", "?x=%20#frag"), "/a/b?x=%20");
  // GBK path bytes go out as percent-encoded UTF-8: U+4E2D is E4 B8 AD.
  EXPECT_EQ(wireTarget("/\xD6\xD0", ""), "/%E4%B8%AD");
}

}  // namespace
}  // namespace velmora
