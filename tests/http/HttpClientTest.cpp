// HttpClient against loopback servers that record the requests as they came
// over the wire.
#include "http/HttpClient.h"

#include <gtest/gtest.h>

#include <chrono>

#include "http/CookieStore.h"
#include "http/Transport.h"
#include "tests/http/RawServer.h"
#include "text/Codepage.h"

namespace velmora {
namespace {

using testing::RawReply;
using testing::RawRequest;
using testing::RawServer;
using testing::reply;

RawServer::Responder fixed(const std::string& bytes) {
  return [bytes](const RawRequest&) { return RawReply{bytes}; };
}

// A port on 127.0.0.1 where nothing listens.
int closedPort() {
  RawServer server(fixed(""));
  return server.port();
}

// ---------------------------------------------------------------- URL and method

TEST(HttpClientRequestTest, UrlWithoutSchemeGoesOutOverHttp) {
  RawServer server(fixed(reply("ok")));
  HttpClient client;
  ASSERT_TRUE(client.open("GET", "127.0.0.1:" + std::to_string(server.port()) + "/path?q=1&r=/s"));
  EXPECT_EQ(client.url(), "http://127.0.0.1:" + std::to_string(server.port()) + "/path?q=1&r=/s");
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "ok");
  EXPECT_EQ(server.lastRequest().requestLine(), "GET /path?q=1&r=/s HTTP/1.1");
  EXPECT_EQ(server.lastRequest().header("Host"), "127.0.0.1:" + std::to_string(server.port()));
}

TEST(HttpClientRequestTest, SchemeInCapitalsIsKeptAndUrlWithoutPathAsksForRoot) {
  RawServer server(fixed(reply("ok")));
  HttpClient client;
  const Text url = "HTTP://127.0.0.1:" + std::to_string(server.port());
  ASSERT_TRUE(client.open("GET", url));
  EXPECT_EQ(client.url(), url);
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().requestLine(), "GET / HTTP/1.1");
}

TEST(HttpClientRequestTest, ShortUrlsAlwaysGetThePrefix) {
  HttpClient client;
  client.open("GET", "http://");
  EXPECT_EQ(client.url(), "http://http://");
  EXPECT_FALSE(client.open("GET", "a b"));
  EXPECT_EQ(client.url(), "http://a b");
}

TEST(HttpClientRequestTest, UnparsableUrlKeepsThePreviousRequestAndReply) {
  RawServer server(fixed(reply("first")));
  HttpClient client;
  ASSERT_TRUE(client.open("GET", server.url()));
  ASSERT_TRUE(client.send());
  EXPECT_FALSE(client.open("GET", "http://bad host/"));
  EXPECT_EQ(client.statusCode(), 200);
  EXPECT_EQ(client.responseText(), "first");
}

TEST(HttpClientRequestTest, MethodRulesAndIsPost) {
  RawServer server(fixed(reply("")));
  HttpClient client;
  ASSERT_TRUE(client.open("post", server.url("/a")));
  EXPECT_EQ(client.isPost(), 1);
  ASSERT_TRUE(client.send("x=1"));
  EXPECT_EQ(server.lastRequest().requestLine(), "POST /a HTTP/1.1");
  EXPECT_EQ(server.lastRequest().body, "x=1");

  // An empty method is GET and leaves isPost as the last open set it.
  ASSERT_TRUE(client.open("", server.url("/b")));
  EXPECT_EQ(client.isPost(), 1);
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().requestLine(), "GET /b HTTP/1.1");

  ASSERT_TRUE(client.open("delete", server.url("/c")));
  EXPECT_EQ(client.isPost(), 0);
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().requestLine(), "DELETE /c HTTP/1.1");

  // With default headers off the method is not recorded.
  client.setAutoHeaders(0);
  ASSERT_TRUE(client.open("POST", server.url("/d")));
  EXPECT_EQ(client.isPost(), 0);

  EXPECT_FALSE(client.open("GE T", server.url("/e")));
}

// ---------------------------------------------------------------- headers on the wire

TEST(HttpClientHeaderTest, DefaultBlocksOnTheWire) {
  RawServer server(fixed(reply("")));
  HttpClient client;
  const Text agent = "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";

  ASSERT_TRUE(client.open("GET", server.url()));
  ASSERT_TRUE(client.send());
  RawRequest get = server.lastRequest();
  EXPECT_TRUE(get.hasLine("Accept: */*"));
  EXPECT_TRUE(get.hasLine("Accept-Language: zh-cn"));
  EXPECT_TRUE(get.hasLine("Cache-Control: no-cache"));
  EXPECT_TRUE(get.hasLine(agent));
  EXPECT_EQ(get.header("Content-Type"), "<none>");
  EXPECT_EQ(get.header("Expect"), "<none>");

  // A POST with an empty body still carries the form type.
  ASSERT_TRUE(client.open("POST", server.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(server.lastRequest().header("Content-Length"), "0");

  // So does a GET with a body.
  ASSERT_TRUE(client.open("GET", server.url()));
  ASSERT_TRUE(client.send("q"));
  EXPECT_EQ(server.lastRequest().header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(server.lastRequest().body, "q");

  // A type set before the send is kept.
  ASSERT_TRUE(client.open("POST", server.url()));
  ASSERT_TRUE(client.setContentType("application/json"));
  ASSERT_TRUE(client.send("{}"));
  EXPECT_EQ(server.lastRequest().header("Content-Type"), "application/json");
  EXPECT_EQ(server.requests().back().head.find("x-www-form"), std::string::npos);

  // Removing a default header does not stop the block from adding it.
  ASSERT_TRUE(client.open("GET", server.url()));
  client.setAccept("text/html");
  EXPECT_TRUE(client.removeHeader("Accept"));
  EXPECT_FALSE(client.removeHeader("X-Never-Set"));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().header("Accept"), "*/*");

  // Without default headers only what the caller set goes out.
  client.setAutoHeaders(0);
  ASSERT_TRUE(client.open("POST", server.url()));
  ASSERT_TRUE(client.send("a"));
  EXPECT_EQ(server.lastRequest().header("Accept"), "<none>");
  EXPECT_EQ(server.lastRequest().header("Content-Type"), "<none>");
}

TEST(HttpClientHeaderTest, PresetsAndTheirDefaults) {
  RawServer server(fixed(reply("")));
  HttpClient client;
  EXPECT_FALSE(client.setAccept());  // no request yet
  const Text url = server.url("/page?x=1");
  ASSERT_TRUE(client.open("GET", url));
  EXPECT_TRUE(client.setUserAgent("agent/1"));
  EXPECT_TRUE(client.setReferer());
  EXPECT_TRUE(client.setAccept("text/plain"));
  EXPECT_TRUE(client.setAcceptLanguage());
  EXPECT_TRUE(client.setAjaxHeader());
  EXPECT_TRUE(client.setClientAddress("10.1.2.3"));
  EXPECT_TRUE(client.setHeader("X-Twice", "1"));
  EXPECT_TRUE(client.setHeader("X-Twice", "2"));
  EXPECT_FALSE(client.setHeader("", "v"));
  ASSERT_TRUE(client.send());
  const RawRequest request = server.lastRequest();
  EXPECT_EQ(request.header("User-Agent"), "agent/1");
  EXPECT_EQ(request.header("Referer"), url);
  EXPECT_EQ(request.header("Accept"), "text/plain");
  EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(request.header("x-requested-with"), "XMLHttpRequest");
  for (const char* name : {"X-Forwarded-For", "CLIENT_IP", "VIA", "REMOTE_ADDR"}) {
    EXPECT_EQ(request.header(name), "10.1.2.3") << name;
  }
  EXPECT_TRUE(request.hasLine("X-Twice: 2"));
  EXPECT_FALSE(request.hasLine("X-Twice: 1"));

  // Headers belong to one request.
  ASSERT_TRUE(client.open("GET", url));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().header("Referer"), "<none>");
}

// ---------------------------------------------------------------- connections

TEST(HttpClientConnectionTest, SameHostAndPortReuseOneConnection) {
  RawServer first(fixed(reply("1")));
  RawServer second(fixed(reply("2")));
  HttpClient client;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(client.open(i % 2 ? "POST" : "GET", first.url("/n" + std::to_string(i))));
    ASSERT_TRUE(client.send(i % 2 ? "body" : ""));
    ASSERT_EQ(client.responseText(), "1");
  }
  EXPECT_EQ(first.accepted(), 1);
  EXPECT_EQ(first.requests().size(), 1000u);

  // Another port closes the connection and makes a new one; coming back
  // connects anew.
  ASSERT_TRUE(client.open("GET", second.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "2");
  ASSERT_TRUE(client.open("GET", first.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "1");
  EXPECT_EQ(second.accepted(), 1);
  EXPECT_EQ(first.accepted(), 2);
}

TEST(HttpClientConnectionTest, RefusedConnectionAndIpv6LiteralFailQuietly) {
  HttpClient client;
  for (const Text& url : {Text("http://127.0.0.1:") + std::to_string(closedPort()) + "/",
                          Text("http://[::1]:") + std::to_string(closedPort()) + "/"}) {
    SCOPED_TRACE(url);
    ASSERT_TRUE(client.open("GET", url));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(client.responseText(), "");
    EXPECT_EQ(client.statusCode(), 0);
    EXPECT_EQ(client.statusText(), "");
  }
}

TEST(HttpClientConnectionTest, SilentServerIsEndedByTheReceiveTimeout) {
  RawServer server([](const RawRequest&) { return RawReply{"", false, true}; });
  HttpClient client;
  ASSERT_TRUE(client.setTimeouts(0, 2000, 2000, 300));
  ASSERT_TRUE(client.open("GET", server.url()));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.send());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(client.responseText(), "");
}

TEST(HttpClientConnectionTest, BodyThatStallsIsEndedByTheReceiveTimeout) {
  RawServer server(fixed("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial"));
  HttpClient client;
  ASSERT_TRUE(client.setTimeouts(0, 2000, 2000, 300));
  ASSERT_TRUE(client.open("GET", server.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "partial");
}

TEST(HttpClientConnectionTest, TimeoutAndOptionArguments) {
  HttpClient client;
  EXPECT_TRUE(client.setTimeouts());
  const Timeouts set = client.sessionHandle()->timeouts();
  EXPECT_EQ(set.resolve, 10000);
  EXPECT_EQ(set.connect, 20000);
  EXPECT_EQ(set.send, 300000);
  EXPECT_EQ(set.receive, 600000);
  EXPECT_FALSE(client.setTimeouts(-2));

  // A fresh session has the transport's defaults.
  client.reinitialize();
  const Timeouts defaults = client.sessionHandle()->timeouts();
  EXPECT_EQ(defaults.resolve, 0);
  EXPECT_EQ(defaults.connect, 60000);
  EXPECT_EQ(defaults.send, 30000);
  EXPECT_EQ(defaults.receive, 30000);

  EXPECT_FALSE(client.setOption(1, transportOption::connectTimeout, 5, 4));  // no connection yet
  EXPECT_FALSE(client.setOption(2, transportOption::connectTimeout, 5, 4));  // no request yet
  EXPECT_TRUE(client.setOption(0, transportOption::receiveTimeout, 1234, 4));
  EXPECT_EQ(client.sessionHandle()->timeouts().receive, 1234);
  EXPECT_FALSE(client.setOption(0, 12345, 1, 4));
  EXPECT_FALSE(client.setOption(0, transportOption::receiveTimeout, 1, 2));

  client.close();
  EXPECT_FALSE(client.setTimeouts());
  EXPECT_FALSE(client.open("GET", "http://127.0.0.1/"));
  EXPECT_FALSE(client.send());
  EXPECT_EQ(client.responseText(), "");
}

// ---------------------------------------------------------------- reply body

TEST(HttpClientBodyTest, ContentLengthCases) {
  struct Case {
    const char* name;
    std::string reply;
    bool sent;
    std::string body;
    int contentLength;
  };
  const std::string chunked =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
  const Case cases[] = {
      {"length zero is not read", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true, "", 0},
      {"no length: read until the server closes", "HTTP/1.1 200 OK\r\n\r\nall of it", true, "all of it", -1},
      {"chunked", chunked, true, "hello world", -1},
      {"server closes inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nonly this", true,
       "only this", 50},
      {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nhi", true, "hi", 2},
      {"length that is not a number", "HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\nbody", false, "", 0},
      {"negative length", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nbody", false, "", 0},
      {"garbage instead of a status line", "ICY nonsense\r\n\r\nbody", false, "", 0},
      {"headers never end", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n", false, "", 0},
      {"header line without a colon", "HTTP/1.1 200 OK\r\nbroken line\r\nContent-Length: 2\r\n\r\nok", false, "",
       0},
      {"empty reply", "", false, "", 0},
      {"another header naming Content-Length", "HTTP/1.1 200 OK\r\nX-Content-Length: -7\r\n\r\nxyz", true, "xyz",
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawServer server([&c](const RawRequest&) { return RawReply{c.reply, true}; });
    HttpClient client;
    ASSERT_TRUE(client.open("GET", server.url()));
    EXPECT_EQ(client.send(), c.sent);
    EXPECT_EQ(client.contentLength(), c.contentLength);
    EXPECT_EQ(client.responseBody(), c.body);
  }
}

TEST(HttpClientBodyTest, BufferGrowsByThePolicyAndNeverTrustsAHugeLength) {
  const std::string big(3'500'000, 'b');
  RawServer server([&big](const RawRequest& r) {
    if (r.requestLine().find("/liar") != std::string::npos) {
      return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 4000000000\r\n\r\n" + std::string(100, 'x'), true};
    }
    if (r.requestLine().find("/nolength") != std::string::npos) {
      return RawReply{"HTTP/1.1 200 OK\r\n\r\n" + std::string(25000, 'n'), true};
    }
    return RawReply{reply(big)};
  });
  HttpClient client;
  ASSERT_TRUE(client.open("GET", server.url("/big")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseBody(), big);
  EXPECT_EQ(client.bufferCapacity(), big.size());

  ASSERT_TRUE(client.open("GET", server.url("/liar")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseBody(), std::string(100, 'x'));
  EXPECT_EQ(client.bufferCapacity(), 1048576u);

  ASSERT_TRUE(client.open("GET", server.url("/nolength")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseBody().size(), 25000u);
  // Grown in steps of 10240 beyond what was needed.
  EXPECT_GE(client.bufferCapacity(), 25000u);
  EXPECT_LE(client.bufferCapacity(), 25000u + 10240u);
}

TEST(HttpClientBodyTest, BodyIsReadOnceAndDecodedFromUtf8) {
  const std::string utf8 = "\xE5\x90\x8C\xE4\xB8\x80\xE4\xBA\xBA ok";  // 同一人 ok
  RawServer server([&utf8](const RawRequest& r) {
    if (r.requestLine().find("/gbk") != std::string::npos) return RawReply{reply("\xCD\xAC ok")};
    if (r.requestLine().find("/zero") != std::string::npos) return RawReply{reply(std::string("ab\0cd", 5))};
    return RawReply{reply(utf8)};
  });
  HttpClient client;
  ASSERT_TRUE(client.open("GET", server.url("/utf8")));
  ASSERT_TRUE(client.send());
  const Text first = client.responseText();
  EXPECT_EQ(first, gbk("同一人 ok"));
  EXPECT_EQ(client.responseText(), first);
  EXPECT_EQ(client.responseBody(), utf8);
  EXPECT_EQ(client.requestHandle()->queryDataAvailable(), 0u);  // nothing left in the transport

  // A GBK body is not recognised: it is taken as UTF-8 all the same.
  ASSERT_TRUE(client.open("GET", server.url("/gbk")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "? ok");
  EXPECT_EQ(client.responseRawText(), "\xCD\xAC ok");

  ASSERT_TRUE(client.open("GET", server.url("/zero")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseRawText(), "ab");
  EXPECT_EQ(client.responseText(), "ab");
  EXPECT_EQ(client.responseBody().size(), 5u);
}

TEST(HttpClientBodyTest, TextConversions) {
  int count = -1;
  EXPECT_EQ(HttpClient::ansiToWide("", &count), "");
  EXPECT_EQ(count, 0);
  const Bytes wide = HttpClient::ansiToWide(gbk("中a"), &count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(wide, std::string("\x2D\x4E" "a\0\0\0", 6));
  EXPECT_EQ(HttpClient::wideToAnsi(wide + std::string("b\0", 2)), gbk("中a"));
  EXPECT_EQ(HttpClient::utf8ToAnsi(""), "");
  EXPECT_EQ(HttpClient::utf8ToAnsi("a\xC0\xAF" "b\xE4\xB8"), "a?b?");     // overlong, truncated
  EXPECT_EQ(HttpClient::utf8ToAnsi("\xF0\x9F\x98\x80!"), "?!");          // no GBK form
  EXPECT_EQ(HttpClient::utf8ToAnsi(std::string("x\0y", 3)), "x");
}

// ---------------------------------------------------------------- reply accessors

TEST(HttpClientReplyTest, StatusHeadersAndLocation) {
  RawServer server(fixed(reply("", "content-type: text/plain\r\nX-Type-Info: no\r\nLocation:  next.html \r\n",
                               "404 Not Found")));
  HttpClient client;
  EXPECT_EQ(client.statusCode(), 0);
  ASSERT_TRUE(client.open("GET", server.url("/a/b.html?x=/y")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.statusCode(), 404);
  EXPECT_EQ(client.statusText(), "Not Found");
  EXPECT_EQ(client.responseHeader("Content-Type"), "text/plain");
  EXPECT_EQ(client.responseHeader("type"), "");
  EXPECT_EQ(client.responseHeader("HTTP/1.1 404"), "");
  EXPECT_TRUE(client.responseHeaders().starts_with("HTTP/1.1 404 Not Found\r\n"));
  EXPECT_TRUE(client.responseHeaders().ends_with("\r\n\r\n"));
  EXPECT_EQ(client.redirectLocation(), "next.html");
  EXPECT_EQ(client.redirectLocation(1), server.url("/a/next.html"));
}

TEST(HttpClientReplyTest, LocationResolution) {
  struct Case {
    const char* requestPath;
    const char* location;
    std::string expected;  // after "http://127.0.0.1:<port>"
  };
  const Case cases[] = {
      {"/a/b.html", "/root?x", "/root?x"},
      {"/a/b.html", "c/d.html", "/a/c/d.html"},
      {"", "rel", "/rel"},
      {"/dir/", "x", "/dir/x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location);
    RawServer server(fixed(reply("", std::string("Location: ") + c.location + "\r\n", "302 Found")));
    HttpClient client;
    client.setFollowRedirects(0);
    ASSERT_TRUE(client.open("GET", server.url(c.requestPath)));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.redirectLocation(1), "http://127.0.0.1:" + std::to_string(server.port()) + c.expected);
  }
  RawServer absolute(fixed(reply("", "Location: HTTPS://elsewhere/x\r\n", "301 Moved")));
  HttpClient client;
  client.setCookieMode(1);
  client.setFollowRedirects(0);
  ASSERT_TRUE(client.open("GET", absolute.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.redirectLocation(1), "HTTPS://elsewhere/x");
}

// ---------------------------------------------------------------- cookies

RawServer::Responder cookieServer() {
  return [](const RawRequest& r) {
    const std::string line = r.requestLine();
    if (line.find("/login") != std::string::npos) {
      return RawReply{reply("", "Set-Cookie: a=1; path=/\r\nset-cookie: B=2; HttpOnly\r\n")};
    }
    if (line.find("/change") != std::string::npos) {
      return RawReply{reply("", "Set-Cookie: a=3; path=/\r\nSet-Cookie: B=Deleted; path=/\r\n")};
    }
    if (line.find("/empty") != std::string::npos) return RawReply{reply("", "Set-Cookie: e=; path=/\r\n")};
    return RawReply{reply("")};
  };
}

TEST(HttpClientCookieTest, JarModeKeepsReplyCookiesAndSendsThem) {
  RawServer server(cookieServer());
  HttpClient client;
  client.setCookieMode();
  EXPECT_EQ(client.cookieMode(), 1);
  ASSERT_TRUE(client.open("GET", server.url("/login")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.jarCookies(), "a=1; B=2");
  EXPECT_EQ(client.responseCookies(), "a=1; B=2");
  EXPECT_EQ(client.responseCookie("b"), "2");
  EXPECT_EQ(server.lastRequest().header("Cookie"), "<none>");

  ASSERT_TRUE(client.open("GET", server.url("/next")));
  ASSERT_TRUE(client.send());
  EXPECT_TRUE(server.lastRequest().hasLine("Cookie: a=1; B=2"));

  ASSERT_TRUE(client.open("GET", server.url("/change")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.jarCookies(), "a=3");
  EXPECT_EQ(client.responseCookies(), "a=3");

  // setCookies merges into the jar; an emptied jar sends no Cookie header.
  EXPECT_TRUE(client.setCookies("z=9"));
  EXPECT_EQ(client.jarCookie("z", 1), "z=9");
  EXPECT_TRUE(client.removeJarCookies("a; z"));
  ASSERT_TRUE(client.open("GET", server.url("/next")));
  client.setHeader("Cookie", "stale=1");
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().header("Cookie"), "<none>");

  EXPECT_EQ(client.jarCookies("q=1"), "q=1");
  EXPECT_EQ(client.jarCookies(), "q=1");
  client.resetDefaults();
  EXPECT_EQ(client.jarCookies(), "");
  EXPECT_EQ(client.cookieMode(), 0);
}

TEST(HttpClientCookieTest, StoreModeKeepsCookiesByUrl) {
  RawServer server(cookieServer());
  auto store = std::make_shared<CookieStore>();
  HttpClient client(store);
  client.setCookieMode(2);
  ASSERT_TRUE(client.open("GET", server.url("/login")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(store->get(server.url("/")), "a=1; B=2");

  // The same store serves another client.
  HttpClient other(store);
  other.setCookieMode(2);
  ASSERT_TRUE(other.open("GET", server.url("/next")));
  ASSERT_TRUE(other.send());
  EXPECT_TRUE(server.lastRequest().hasLine("Cookie: a=1; B=2"));

  ASSERT_TRUE(client.open("GET", server.url("/change")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(store->get(server.url("/")), "a=3");

  // skipEmptyCookies leaves an empty value out; without it the cookie goes.
  ASSERT_TRUE(client.open("GET", server.url("/empty")));
  EXPECT_TRUE(client.setCookies("e=5"));
  ASSERT_TRUE(client.send({}, 1));
  EXPECT_EQ(store->get(server.url("/")), "a=3; e=5");
  ASSERT_TRUE(client.open("GET", server.url("/empty")));
  ASSERT_TRUE(client.send({}, 0));
  EXPECT_EQ(store->get(server.url("/")), "a=3");

  ASSERT_TRUE(client.open("GET", "http://localhost:1/"));
  EXPECT_FALSE(client.setSystemCookies("novalue"));
  EXPECT_FALSE(client.addSystemCookieHeader());
}

// The session's own engine decides the order of its cookies.
bool sessionCookiesSent(const RawRequest& request) {
  const std::string cookies = request.header("Cookie");
  return cookies == "a=1; B=2" || cookies == "B=2; a=1";
}

TEST(HttpClientCookieTest, SessionModeKeepsCookiesAndSetCookiesServesOneRequest) {
  RawServer server(cookieServer());
  HttpClient client;
  ASSERT_TRUE(client.open("GET", server.url("/login")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.jarCookies(), "");
  ASSERT_TRUE(client.open("GET", server.url("/next")));
  ASSERT_TRUE(client.send());
  EXPECT_TRUE(sessionCookiesSent(server.lastRequest()));

  ASSERT_TRUE(client.open("GET", server.url("/next")));
  EXPECT_TRUE(client.setCookies("mine=1"));
  ASSERT_TRUE(client.send());
  EXPECT_TRUE(server.lastRequest().hasLine("Cookie: mine=1"));
  EXPECT_EQ(server.lastRequest().head.find("a=1"), std::string::npos);

  ASSERT_TRUE(client.open("GET", server.url("/next")));
  ASSERT_TRUE(client.send());
  EXPECT_TRUE(sessionCookiesSent(server.lastRequest()));
  client.close();
  EXPECT_FALSE(client.setCookies("x=1"));
}

// ---------------------------------------------------------------- redirects

RawServer::Responder redirectServer() {
  return [](const RawRequest& r) {
    const std::string line = r.requestLine();
    if (line.find("/start") != std::string::npos) {
      return RawReply{reply("moved", "Location: /next\r\nSet-Cookie: first=1; path=/\r\n", "302 Found")};
    }
    if (line.find("/hop") != std::string::npos) {
      const int hop = std::stoi(line.substr(line.find("/hop") + 4));
      return RawReply{reply("", "Location: /hop" + std::to_string(hop + 1) + "\r\n", "302 Found")};
    }
    return RawReply{reply("final", "Set-Cookie: second=2; path=/\r\n")};
  };
}

TEST(HttpClientRedirectTest, JarModeFollowsLocationWithGetAndKeepsCookiesOfEveryHop) {
  RawServer server(redirectServer());
  HttpClient client;
  client.setCookieMode(1);
  ASSERT_TRUE(client.open("POST", server.url("/start")));
  ASSERT_TRUE(client.send("form=1"));
  EXPECT_EQ(client.statusCode(), 200);
  EXPECT_EQ(client.responseText(), "final");
  EXPECT_EQ(client.jarCookies(), "first=1; second=2");
  EXPECT_EQ(client.redirectCount(), 0);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].requestLine(), "GET /next HTTP/1.1");
  EXPECT_TRUE(requests[1].hasLine("Cookie: first=1"));
  // isPost stays from the POST, so the hop still carries the form type.
  EXPECT_EQ(requests[1].header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(client.url(), "http://127.0.0.1:" + std::to_string(server.port()) + "/next");
}

TEST(HttpClientRedirectTest, ChainStopsAfterTenHops) {
  RawServer server(redirectServer());
  HttpClient client;
  client.setCookieMode(1);
  ASSERT_TRUE(client.open("GET", server.url("/hop0")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.requests().size(), 11u);
  EXPECT_EQ(client.statusCode(), 302);
  EXPECT_EQ(client.redirectLocation(), "/hop11");
  EXPECT_EQ(client.redirectCount(), 0);
}

TEST(HttpClientRedirectTest, ForbiddenRedirectsAreFollowedByNobody) {
  RawServer server(redirectServer());
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    HttpClient client;
    client.setCookieMode(mode);
    client.setFollowRedirects(0);
    EXPECT_EQ(client.redirectsDisabled(), 1);
    ASSERT_TRUE(client.open("GET", server.url("/start")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.statusCode(), 302);
    EXPECT_EQ(client.responseText(), "moved");
  }
  EXPECT_EQ(server.requests().size(), 2u);
}

TEST(HttpClientRedirectTest, SessionModeLeavesRedirectsToTheTransport) {
  RawServer server(redirectServer());
  HttpClient client;
  ASSERT_TRUE(client.open("GET", server.url("/start")));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.statusCode(), 200);
  EXPECT_EQ(client.responseText(), "final");
  EXPECT_EQ(client.redirectLocation(), "");
  EXPECT_EQ(client.url(), server.url("/start"));
  EXPECT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.accepted(), 1);
}

// ---------------------------------------------------------------- proxy and credentials

TEST(HttpClientProxyTest, ProxyCredentialsWaitForTheNextSendOnly) {
  RawServer proxy(fixed(reply("via proxy")));
  HttpClient client;
  const Text proxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
  ASSERT_TRUE(client.setProxy(proxyAddress, "u", "p"));
  ASSERT_TRUE(client.open("GET", "http://service.invalid/x"));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "via proxy");
  EXPECT_EQ(proxy.lastRequest().requestLine(), "GET http://service.invalid/x HTTP/1.1");
  EXPECT_EQ(proxy.lastRequest().header("Proxy-Authorization"), "Basic dTpw");

  ASSERT_TRUE(client.open("GET", "http://service.invalid/y"));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(proxy.lastRequest().header("Proxy-Authorization"), "<none>");

  // After open the credentials go to the current request at once.
  ASSERT_TRUE(client.open("GET", "http://service.invalid/z"));
  ASSERT_TRUE(client.setProxy(proxyAddress, "v", "q"));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(proxy.lastRequest().header("Proxy-Authorization"), "Basic djpx");

  // An empty proxy switches back to direct connections.
  RawServer direct(fixed(reply("direct")));
  ASSERT_TRUE(client.setProxy());
  ASSERT_TRUE(client.open("GET", direct.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(client.responseText(), "direct");
}

TEST(HttpClientProxyTest, ServerCredentialsBelongToOneRequest) {
  RawServer server(fixed(reply("")));
  HttpClient client;
  EXPECT_FALSE(client.setCredentials("u", "p"));
  ASSERT_TRUE(client.open("GET", server.url()));
  EXPECT_TRUE(client.setCredentials("user", "secret"));
  EXPECT_FALSE(client.setCredentials("user", "secret", 0, 3));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().header("Authorization"), "Basic dXNlcjpzZWNyZXQ=");
  ASSERT_TRUE(client.open("GET", server.url()));
  ASSERT_TRUE(client.send());
  EXPECT_EQ(server.lastRequest().header("Authorization"), "<none>");
}

}  // namespace
}  // namespace velmora
