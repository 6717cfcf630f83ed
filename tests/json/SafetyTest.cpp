// Bad and hostile input: every case ends as the documented empty result,
// without a crash, a hang or the machine's memory.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "json/JsonDocument.h"
#include "text/Codepage.h"

using namespace velmora;

namespace {

// Small limits keep the hostile cases quick.
ScriptLimits tightLimits() {
  ScriptLimits limits;
  limits.memoryBytes = std::size_t{64} << 20;
  limits.timeBudget = std::chrono::milliseconds(300);
  return limits;
}

Text nested(std::size_t depth, const Text& open, const Text& inner, const Text& close) {
  Text text;
  text.reserve(depth * (open.size() + close.size()) + inner.size());
  for (std::size_t i = 0; i < depth; ++i) text += open;
  text += inner;
  for (std::size_t i = 0; i < depth; ++i) text += close;
  return text;
}

TEST(Safety, BadRepliesGiveTheEmptyResult) {
  struct Case {
    const char* name;
    Text text;
  };
  const Case cases[] = {
      {"empty", ""},
      {"null", "null"},
      {"not JSON", "error: quota exceeded"},
      {"html page", "<!DOCTYPE html>\r\n<html><body><h1>502 Bad Gateway</h1></body></html>"},
      {"NUL bytes", Text("{\"a\":\0\"b\"}", 10)},
      {"only NUL", Text(3, '\0')},
      {"invalid GBK bytes", "{\"a\":\"\x81\x20\xff\xfe\x80\"}x"},
      {"raw UTF-8 that is not GBK", "\xe4\xbd\xa0\xe5\xa5\xbd"},
      {"unclosed string", "{\"a\":\"abc"},
      {"unclosed array", "[1,2"},
      {"closing only", "]}"},
  };
  for (const Case& c : cases) {
    JsonDocument document(tightLimits());
    EXPECT_FALSE(document.parse(c.text)) << c.name;
    EXPECT_EQ(document.getText("a"), "") << c.name;
    EXPECT_EQ(document.getMember("a").toText(), "") << c.name;
    EXPECT_EQ(document.count(), 0) << c.name;
    std::vector<Text> names{"stale"};
    EXPECT_EQ(document.memberNames(names), 0) << c.name;
  }
}

TEST(Safety, InvalidBytesInsideAValidReplyAreDropped) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"a\":\"x\x81\x20y\",\"b\":1}"));
  EXPECT_EQ(document.getText("b"), "1");
  EXPECT_EQ(document.getText("a").find('\x81'), Text::npos);
}

TEST(Safety, MalformedPathsGiveTheEmptyResult) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"result\":{\"score\":1},\"list\":[1]}"));
  for (const char* path : {"result['score", "result[\"score", "list[0", "list[", "[", "result.", "'", "\"",
                           "result)", "result}", "result;", "result..score"}) {
    EXPECT_EQ(document.getText(path), "") << path;
    EXPECT_EQ(document.getText(path, true), "") << path;
    EXPECT_EQ(document.getMember(path).toText(), "") << path;
    EXPECT_FALSE(document.exists(path)) << path;
    EXPECT_EQ(document.typeOf(path), 0) << path;
    EXPECT_EQ(document.count(path), 0) << path;
    EXPECT_EQ(document.getNumber(path), 0) << path;
  }
  EXPECT_EQ(document.toText(), "{\"result\":{\"score\":1},\"list\":[1]}");
}

TEST(Safety, DeepNestingEndsAsTheEmptyResult) {
  const std::size_t depth = 100000;
  const Text cases[] = {
      nested(depth, "[", "1", "]"),
      nested(depth, "{\"a\":", "1", "}"),
      nested(depth, "(", "1", ")"),
      nested(depth, "-", "1", ""),
  };
  for (const Text& text : cases) {
    for (const bool asIs : {false, true}) {
      JsonDocument document;
      EXPECT_FALSE(document.parse(text, asIs)) << text.substr(0, 8);
      EXPECT_EQ(document.toText(), "null") << text.substr(0, 8);
    }
  }
  // A JSON string whose content nests too deeply to run.
  JsonDocument document;
  EXPECT_FALSE(document.parse("\"" + nested(depth, "[", "", "]") + "\""));
  EXPECT_EQ(document.toText(), "null");
  // Nesting the engine can still compile loads the ordinary way.
  EXPECT_TRUE(document.parse(nested(1500, "[", "7", "]")));
  Text path;
  for (int i = 0; i < 1500; ++i) path += "[0]";
  EXPECT_EQ(document.getText(path), "7");
}

TEST(Safety, DeepValuesBuiltByScriptAreReadAsEmpty) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("(function () { var a = [1]; for (var i = 0; i < 100000; i++) { a = [a]; } return a; })()",
                             true));
  EXPECT_EQ(document.toText(), "");
  EXPECT_EQ(document.getText(), "");
  std::vector<Text> values{"stale"};
  EXPECT_EQ(document.leafValues(values, "", true), 0);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(document.typeOf(), 5);
  EXPECT_EQ(document.count(), 1);
}

TEST(Safety, LargeReplyLoads) {
  Text reply = "{\"error_code\":0,\"words_result\":[";
  for (int i = 0; reply.size() < (std::size_t{10} << 20); ++i) {
    if (i > 0) reply += ",";
    reply += "{\"words\":\"" + gbk("第") + std::to_string(i) + gbk("行文字") + "\",\"location\":{\"top\":" +
             std::to_string(i) + ",\"left\":1.5}}";
  }
  reply += "]}";
  JsonDocument document;
  ASSERT_TRUE(document.parse(reply));
  EXPECT_EQ(document.getText("words_result[1000].words"), gbk("第1000行文字"));
  EXPECT_GT(document.count("words_result"), 100000);
  EXPECT_EQ(document.getMember("error_code").toText(), "0");
}

TEST(Safety, MemoryCapStopsAGrowingReply) {
  ScriptLimits limits = tightLimits();
  limits.timeBudget = std::chrono::seconds(20);  // the cap, not the clock, must end these
  const Text cases[] = {
      "\"var s = 'x'; while (true) { s += s; }\"",
      "\"var a = []; for (;;) { a.push([a.length, 'abcdefgh']); }\"",
      "\"var a = []; a.length = 4294967295; a.join('abcdefghijklmnopqrstuvwxyz')\"",
  };
  for (const Text& text : cases) {
    JsonDocument document(limits);
    ScriptError error;
    EXPECT_FALSE(document.parse(text, false, &error, true)) << text;
    EXPECT_EQ(error.description, "alloc failed") << text;
    EXPECT_EQ(document.toText(), "null") << text;
  }
}

TEST(HostileScripts, EndlessScriptsAreStoppedAndTheDocumentStaysUsable) {
  const Text cases[] = {
      "\"while (true) {}\"",
      "\"for (;;) { Math.sqrt(2); }\"",
      "null); for (;;) {} //",
      "\"var o = {}; Object.defineProperty(o, 'x', {get: function () { for (;;) {} }}); o.x\"",
      "\"[3, 2, 1].sort(function () { for (;;) {} })\"",
      "\"var n = 0; for (;;) { n = (n + 1) % 7; new Date(n).getTimezoneOffset(); }\"",
      "\"(function f() { try { f(); } finally { f(); } })()\"",
      "\"for (;;) { try { for (;;) {} } catch (e) {} }\"",
  };
  for (const Text& text : cases) {
    JsonDocument document(tightLimits());
    ScriptError error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(document.parse(text, false, &error, true)) << text;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << text;
    EXPECT_EQ(error.number, kScriptRangeError) << text;
    EXPECT_EQ(error.description, "execution timeout") << text;
    // The engine that stopped the script goes on serving the document.
    EXPECT_EQ(document.toText(), "null") << text;
    document.clear();
    EXPECT_TRUE(document.setNumber("a", 1)) << text;
    EXPECT_EQ(document.toText(), "{\"a\":1}") << text;
  }
}

TEST(HostileScripts, StringMembersRunByGetMemberAreStopped) {
  JsonDocument document(tightLimits());
  ASSERT_TRUE(document.parse("{\"error_code\":\"for (;;) {}\",\"ok\":2}"));
  // The member document's script was stopped: it holds no value.
  EXPECT_EQ(document.getMember("error_code").toText(), "null");
  EXPECT_EQ(document.getMember("ok").toText(), "2");
  EXPECT_EQ(document.getText("ok"), "2");
}

TEST(HostileScripts, ThrownValuesThatFightBackAreReadSafely) {
  const Text cases[] = {
      "\"var e = new Error('x'); Object.defineProperty(e, 'message', {get: function () { throw 1; }}); throw e\"",
      "\"var e = new Error('x'); Object.defineProperty(e, 'message', {get: function () { for (;;) {} }}); throw e\"",
      "\"throw {toString: function () { for (;;) {} }}\"",
      "\"throw {toString: function () { throw {toString: function () { throw 2; }}; }}\"",
  };
  for (const Text& text : cases) {
    JsonDocument document(tightLimits());
    ScriptError error;
    EXPECT_FALSE(document.parse(text, false, &error, true)) << text;
    EXPECT_NE(error.number, kNoScriptError) << text;
    document.clear();
    EXPECT_TRUE(document.setNumber("a", 1)) << text;
    EXPECT_EQ(document.getText("a"), "1") << text;
  }
}

TEST(HostileScripts, CatastrophicBacktrackingEnds) {
  JsonDocument document(tightLimits());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(document.parse("\"/(a*)*b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa')\""));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(document.parse("{\"a\":1}"));
}

TEST(HostileScripts, EnginesOnSeveralThreadsAreStoppedEachByItsOwnDeadline) {
  bool stopped[2] = {false, false};
  std::thread workers[2];
  for (int i = 0; i < 2; ++i) {
    workers[i] = std::thread([&stopped, i] {
      JsonDocument document(tightLimits());
      stopped[i] = !document.parse("\"while (true) {}\"") && document.parse("{\"a\":1}");
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_TRUE(stopped[0]);
  EXPECT_TRUE(stopped[1]);
}

}  // namespace
