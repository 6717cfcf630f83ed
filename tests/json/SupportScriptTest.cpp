// The support script's JSON and helpers, run in a document's engine.
#include <gtest/gtest.h>

#include "json/JsonDocument.h"
#include "json/SupportScript.h"
#include "text/Codepage.h"

using namespace velmora;

namespace {

class SupportScript : public ::testing::Test {
 protected:
  Text eval(const Text& code) { return document.engine()->evaluateText(code); }
  JsonDocument document;
};

TEST_F(SupportScript, IsPlainAsciiAndCompiles) {
  for (const char c : supportScriptSource()) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
  EXPECT_FALSE(velmora::supportScript().empty());
}

TEST_F(SupportScript, StringifyEscapes) {
  const std::pair<const char*, const char*> cases[] = {
      {"'plain text'", "\"plain text\""},
      {"'a\"b\\\\c/d'", "\"a\\\"b\\\\c/d\""},
      {"'\\b\\t\\n\\f\\r'", "\"\\b\\t\\n\\f\\r\""},
      {"'\\u0000\\u0001\\u001f'", "\"\\u0000\\u0001\\u001f\""},
      {"'\\u007f\\u0080\\u009f'", "\"\\u007f\\u0080\\u009f\""},
      {"'\\u00ad'", "\"\\u00ad\""},
      {"'\\u0600\\u0604\\u070f'", "\"\\u0600\\u0604\\u070f\""},
      {"'\\u17b4\\u17b5'", "\"\\u17b4\\u17b5\""},
      {"'\\u200c\\u200f\\u2028\\u202f'", "\"\\u200c\\u200f\\u2028\\u202f\""},
      {"'\\u2060\\u206f\\ufeff'", "\"\\u2060\\u206f\\ufeff\""},
      {"'\\ufff0\\uffff'", "\"\\ufff0\\uffff\""},
  };
  for (const auto& [value, json] : cases) EXPECT_EQ(eval(Text("JSON.stringify(") + value + ")"), json) << value;
}

TEST_F(SupportScript, CharactersOutsideTheListAreWrittenAsTheyAre) {
  EXPECT_EQ(eval("JSON.stringify('\\u00ff\\u0605\\u2030\\ufefe').length"), "6");
  EXPECT_EQ(eval(gbk("JSON.stringify('张三 é')")), gbk("\"张三 é\""));
}

TEST_F(SupportScript, StringifyValues) {
  const std::pair<const char*, const char*> cases[] = {
      {"[NaN, Infinity, -Infinity, 1.5, -0]", "[null,null,null,1.5,0]"},
      {"{b: 1, a: undefined, c: function () {}, d: 'x'}", "{\"b\":1,\"d\":\"x\"}"},
      {"[undefined, function () {}]", "[null,null]"},
      {"{z: 1, y: {x: [true, false, null]}}", "{\"z\":1,\"y\":{\"x\":[true,false,null]}}"},
      {"new Date(Date.UTC(2020, 6, 20, 20, 0, 5, 123))", "\"2020-07-20T20:00:05Z\""},
      {"(function () { var d = new Date(0); d.setUTCFullYear(5); return d; })()", "\"0005-01-01T00:00:00Z\""},
      {"new Date(NaN)", "null"},
      {"[new String('s'), new Number(2), new Boolean(false)]", "[\"s\",2,false]"},
      {"{toJSON: function (key) { return 'own:' + key; }}", "\"own:\""},
      {"'text'", "\"text\""},
  };
  for (const auto& [value, json] : cases) {
    EXPECT_EQ(eval(Text("JSON.stringify(") + value + ")"), json) << value;
  }
  EXPECT_EQ(eval("typeof JSON.stringify(undefined)"), "undefined");
  EXPECT_EQ(eval("typeof JSON.stringify(function () {})"), "undefined");
}

TEST_F(SupportScript, StringifyReplacerAndSpace) {
  EXPECT_EQ(eval("JSON.stringify({a: [1, {b: 2}]}, null, 2)"),
            "{\n  \"a\": [\n    1,\n    {\n      \"b\": 2\n    }\n  ]\n}");
  EXPECT_EQ(eval("JSON.stringify([1], null, '--')"), "[\n--1\n]");
  EXPECT_EQ(eval("JSON.stringify({}, null, 2) + JSON.stringify([], null, 2)"), "{}[]");
  EXPECT_EQ(eval("JSON.stringify({a: 1, b: 2, c: {a: 3, d: 4}}, ['a', 'c', 'a'])"), "{\"a\":1,\"c\":{\"a\":3}}");
  EXPECT_EQ(eval("JSON.stringify({a: 1, b: 'x'}, function (k, v) { return typeof v == 'number' ? v * 10 : v; })"),
            "{\"a\":10,\"b\":\"x\"}");
}

TEST_F(SupportScript, StringifyRefusesCycles) {
  EXPECT_EQ(eval("var cyclic = {}; cyclic.self = cyclic; JSON.stringify(cyclic)"), "");
  EXPECT_EQ(document.engine()->lastError().number, kScriptTypeError);
  EXPECT_EQ(eval("var shared = {a: 1}; JSON.stringify([shared, shared])"), "[{\"a\":1},{\"a\":1}]");
}

TEST_F(SupportScript, ParseChecksTheShapeOfJson) {
  const std::pair<const char*, const char*> accepted[] = {
      {"'{\"a\":[1,2.5e3,-0.5],\"b\":{\"c\":null}}'", "{\"a\":[1,2500,-0.5],\"b\":{\"c\":null}}"},
      {"' [ ] '", "[]"},
      {"'\"a\\\\u0041\\\\n\"'", "\"aA\\n\""},
      {"'\"\\u2028\"'", "\"\\u2028\""},
      {"'true'", "true"},
  };
  for (const auto& [text, json] : accepted) {
    EXPECT_EQ(eval(Text("JSON.stringify(JSON.parse(") + text + "))"), json) << text;
  }
  for (const char* text : {"'{a:1}'", "'[1,]'", "'1 2'", "'{\"a\":1'", "'\"\\t\"'", "'01'", "''", "'[1]]'",
                           "'{\"a\" 1}'", "'{,}'", "'alert(1)'", "'[\"a\",}'"}) {
    EXPECT_EQ(eval(Text("JSON.parse(") + text + ")"), "") << text;
    EXPECT_EQ(document.engine()->lastError().number, kScriptSyntaxError) << text;
    EXPECT_EQ(document.engine()->lastError().description, "JSON.parse") << text;
  }
  EXPECT_EQ(eval("JSON.stringify(JSON.parse('{\"a\":1,\"b\":[2]}', function (k, v) {"
                 " return typeof v == 'number' ? v + 1 : v; }))"),
            "{\"a\":2,\"b\":[3]}");
}

TEST_F(SupportScript, EveryObjectWritesAndReadsItself) {
  EXPECT_EQ(eval("({a: [1]}).toJSONString()"), "{\"a\":[1]}");
  EXPECT_EQ(eval("'{\"a\":[1,2]}'.parseJSON().a[1]"), "2");
  EXPECT_EQ(eval("Object.prototype.propertyIsEnumerable('toJSONString') && "
                 "Object.prototype.propertyIsEnumerable('parseJSON')"),
            "true");
  EXPECT_EQ(eval("var names = []; for (var k in {own: 1}) names.push(k); names.join()"),
            "own,toJSONString,parseJSON");
}

TEST_F(SupportScript, ExtendMergesAndReplaces) {
  const std::pair<const char*, const char*> cases[] = {
      {"get__extend({a: 1, b: 's', c: {x: 1}}, {b: 't', c: {y: 2}, d: true})",
       "{\"a\":1,\"b\":\"t\",\"c\":{\"x\":1,\"y\":2},\"d\":true}"},
      {"get__extend([1], [2, 3])", "[1,2,3]"},
      // A number member is replaced like any other scalar.
      {"get__extend({n: 1, m: 2}, {n: 5})", "{\"n\":5,\"m\":2}"},
      // A null member is replaced instead of being merged into.
      {"get__extend({n: null}, {n: {a: 1}})", "{\"n\":{\"a\":1}}"},
  };
  for (const auto& [code, json] : cases) EXPECT_EQ(eval(Text("JSON.stringify(") + code + ")"), json) << code;
}

TEST_F(SupportScript, CountAndNames) {
  EXPECT_EQ(eval("get__count([1, 2, 3]) + ',' + get__count({length: 2}) + ',' + get__count('abc')"), "3,0,0");
  EXPECT_EQ(eval("get__name_All({a: 1, f: function () {}, b: 2})"), "a\r\nb");
  EXPECT_EQ(eval("get__name_All([1, 2])"), "");
}

}  // namespace
