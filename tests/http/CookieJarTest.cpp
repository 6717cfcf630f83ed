#include "http/CookieJar.h"

#include <gtest/gtest.h>

#include "http/CookieStore.h"

namespace velmora {
namespace {

TEST(CookieJarTest, SetCookieItemsAreFoundInAnyCaseAndEndAtTheirLine) {
  const std::string headers =
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nset-cookie:b=2;HttpOnly\r\n"
      "SET-COOKIE:   c=3\r\nX-Set-Cookie: evil=1;\r\nContent-Type: text/html; charset=utf-8\r\n\r\n";
  EXPECT_EQ(setCookieItems(headers), (std::vector<Text>{"a=1;", "b=2;", "c=3;"}));
  EXPECT_EQ(responseCookieList(headers), "a=1; b=2; c=3");
  EXPECT_EQ(responseCookieValue(headers, "b"), "2");
  EXPECT_EQ(responseCookieValue(headers, "A"), "1");
  EXPECT_EQ(responseCookieValue(headers, "evil"), "");
}

TEST(CookieJarTest, ResponseCookiesLeaveDeletionsOut) {
  const std::string headers = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1;\r\nSet-Cookie: b=deleted;\r\n\r\n";
  EXPECT_EQ(responseCookieList(headers), "a=1");
  EXPECT_EQ(responseCookieList("HTTP/1.1 200 OK\r\n\r\n"), "");
}

TEST(CookieJarTest, StoreReplacesInPlaceAppendsAndDeletes) {
  CookieJar jar;
  EXPECT_TRUE(jar.store("a=1;"));
  EXPECT_TRUE(jar.store("b=2;"));
  EXPECT_TRUE(jar.store("A=3;"));
  EXPECT_EQ(jar.text(), "; a=1; b=2; A=3; ");
  EXPECT_TRUE(jar.store("a=22;"));
  EXPECT_EQ(jar.text(), "; a=22; b=2; A=3; ");
  for (const char* deletion : {"b=deleted;", "b=DELETED;", "b=Deleted;"}) {
    CookieJar copy = jar;
    EXPECT_TRUE(copy.store(deletion));
    EXPECT_EQ(copy.text(), "; a=22; A=3; ");
  }
  EXPECT_TRUE(jar.store("b=deLeted;"));
  EXPECT_EQ(jar.cookie("b", false), "deLeted");
  EXPECT_FALSE(jar.store("zz=deleted;"));
  EXPECT_FALSE(jar.store("novalue;"));
  EXPECT_EQ(jar.text(), "; a=22; b=deLeted; A=3; ");
}

TEST(CookieJarTest, AssignPutsTextIntoJarForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"x=1", "; x=1; "}, {"; x=1; ", "; x=1; "}, {"x=1;", "; x=1; "}, {"", "; "}, {"a=1; b=2", "; a=1; b=2; "}};
  for (const auto& [given, jarText] : cases) {
    CookieJar jar;
    jar.assign(given);
    EXPECT_EQ(jar.text(), jarText) << given;
  }
  EXPECT_EQ(CookieJar().content(), "");
}

TEST(CookieJarTest, CookieLookupMatchesWholeNames) {
  CookieJar jar;
  jar.assign("abc=1; ab=2");
  EXPECT_EQ(jar.cookie("ab", false), "2");
  EXPECT_EQ(jar.cookie("ab", true), "ab=2");
  EXPECT_EQ(jar.cookie("a", false), "");
  EXPECT_EQ(jar.cookie("", true), "");
}

TEST(CookieJarTest, MergeAndRemoveKeepTheJarForm) {
  CookieJar jar;
  jar.assign("a=1; b=2");
  EXPECT_TRUE(jar.merge(" b=3; c=4;junk"));
  EXPECT_EQ(jar.text(), "; a=1; b=3; c=4; ");
  EXPECT_FALSE(jar.merge("nothing here"));
  EXPECT_TRUE(jar.remove("a; c=1"));
  EXPECT_EQ(jar.text(), "; b=3; ");
  EXPECT_FALSE(jar.remove("zz"));
  EXPECT_TRUE(jar.remove("b"));
  EXPECT_EQ(jar.text(), "; ");
}

TEST(CookieStoreTest, CookiesBelongToHostAndFolder) {
  CookieStore store;
  EXPECT_TRUE(store.set("http://Example.com/app/page", "a", "1"));
  EXPECT_TRUE(store.set("http://example.com/", "b", "2"));
  EXPECT_TRUE(store.set("http://other.com/", "c", "3"));
  EXPECT_FALSE(store.set("not a url", "d", "4"));
  EXPECT_EQ(store.get("http://example.com:8080/app/x?y"), "a=1; b=2");
  EXPECT_EQ(store.get("http://example.com/elsewhere"), "b=2");
  EXPECT_TRUE(store.set("http://example.com/", "b", "22"));
  EXPECT_TRUE(store.set("http://example.com/app/", "a", ""));
  EXPECT_EQ(store.get("http://example.com/app/x"), "b=22");
  EXPECT_EQ(store.get("http://nobody.com/"), "");
}

}  // namespace
}  // namespace velmora
