// Loading and reading a document: parse, paths, getText, getMember, toText.
#include "json/JsonDocument.h"

#include <gtest/gtest.h>

#include "text/Codepage.h"

using namespace velmora;

namespace {

const Text kFaceMatchReply =
    "{\"error_code\":0,\"error_msg\":\"SUCCESS\",\"log_id\":1234567890,\"result\":{\"score\":97.5,"
    "\"face_list\":[{\"face_token\":\"tok0\"},{\"face_token\":\"tok1\"}]},\"code_text\":\"0\","
    "\"number_text\":\"216201\",\"data\":{\"k\":\"v\"}}";

class LoadedReply : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(document.parse(kFaceMatchReply)); }
  JsonDocument document;
};

TEST(JsonDocument, StartsAsAnEmptyObject) {
  JsonDocument document;
  EXPECT_EQ(document.variableName(), "da");
  ASSERT_TRUE(document.engine());
  EXPECT_EQ(document.toText(), "{}");
  EXPECT_EQ(document.engine()->evaluateNumber("str_Code.charCodeAt(0)"), 9216);
  EXPECT_EQ(document.engine()->evaluateText("typeof get__nodeValue + typeof get__count + typeof get__name_All + "
                                            "typeof get__extend + typeof str_reg"),
            "functionfunctionfunctionfunctionobject");
}

TEST(JsonDocument, ParseResults) {
  struct Case {
    const char* name;
    Text text;
    bool asIs;
    bool result;
    const char* json;  // toText afterwards
  };
  const Case cases[] = {
      {"object", "{\"error_code\":0,\"result\":{\"score\":97.5}}", false, true,
       "{\"error_code\":0,\"result\":{\"score\":97.5}}"},
      {"array", " [1, \"a\", null] ", false, true, "[1,\"a\",null]"},
      {"empty text", "", false, false, ""},
      {"null", "null", false, false, "null"},
      {"undefined", "undefined", false, false, ""},
      {"zero", "0", false, true, "0"},
      {"false", "false", false, true, "false"},
      {"string holding a number runs as script", "\"0\"", false, true, "0"},
      {"string holding a name runs as script", "\"SUCCESS\"", false, false, "null"},
      {"string as it is", "\"0\"", true, true, "\"0\""},
      {"object as it is", "{\"a\":[1]}", true, true, "{\"a\":[1]}"},
      {"script object literal", "{a: 1, 'b': [2]}", false, true, "{\"a\":1,\"b\":[2]}"},
      {"unterminated object", "{\"a\":1", false, false, "null"},
      {"html error page", "<html><head><title>502 Bad Gateway</title></head></html>", false, false, "null"},
      {"plain text", "Service Unavailable", false, false, "null"},
      {"escaped U+2028 inside a string", "{\"a\":\"x\\u2028y\"}", false, true, "{\"a\":\"x\\u2028y\"}"},
  };
  for (const Case& c : cases) {
    JsonDocument document;
    EXPECT_EQ(document.parse(c.text, c.asIs), c.result) << c.name;
    EXPECT_EQ(document.toText(), c.json) << c.name;
  }
}

// parse reads JSON objects and arrays without running them; the value must be
// the one the script builds from the same text.
TEST(JsonDocument, JsonReaderAgreesWithTheScript) {
  const Text nestedOk = Text(999, '[') + "1" + Text(999, ']');
  const Text nestedDeep = Text(1200, '[') + "1" + Text(1200, ']');
  const Text cases[] = {
      "[0.1, 1e-7, 123456789012345678901234567890, 5e-324, 1.7976931348623157e308, -0, 2.5e3, 1E+2]",
      "[0.30000000000000004, 97.52391052, 117.53, -3, 1e400, -1e400, 2e-400]",
      "{\"s\":\"\\u0041\\n\\t\\\"\\\\\\/\\b\\f\\r\",\"e\":\"\",\"z\":\"\\u0000\"}",
      "{\"pair\":\"\\ud83d\\ude00\",\"lone\":\"\\udc00x\",\"ls\":\"\\u2028\"}",
      "{\"b\":1,\"2\":2,\"a\":3,\"1\":4}",
      "{\"a\":1,\"b\":2,\"a\":3}",
      "{\"__proto__\":[1],\"a\":1}",
      " { } ",
      "[ [ ] , { } , [ { } ] ]",
      "{\"tab\":\"a\tb\"}",  // a raw tab: not JSON, but the script takes it
      gbk("{\"名\":\"张三\",\"\\u5f20\":\"\\u5f20\"}"),
      nestedOk,
      nestedDeep,
  };
  for (const Text& text : cases) {
    JsonDocument read;
    JsonDocument run;
    ASSERT_TRUE(read.parse(text)) << text.substr(0, 60);
    ASSERT_TRUE(run.parse("(" + text + ")")) << text.substr(0, 60);  // not JSON-shaped: run as script
    EXPECT_EQ(read.toText(), run.toText()) << text.substr(0, 60);
    // Strings compared code unit by code unit, numbers by their exact text,
    // member order and prototypes as the script sees them.
    const Text fingerprint =
        "(function f(v) { if (typeof v == 'string') { var c = []; for (var i = 0; i < v.length; i++) "
        "c.push(v.charCodeAt(i)); return 's' + c.join('.'); } if (typeof v == 'number') return 1 / v < 0 ? "
        "'n-' + String(-v) : 'n' + String(v); if (v === null || typeof v != 'object') return String(v); var p = "
        "Object.getPrototypeOf(v) === Array.prototype ? 'A' : Object.getPrototypeOf(v) === Object.prototype ? 'O' "
        ": '?'; var out = []; var keys = Object.keys(v); for (var k = 0; k < keys.length; k++) out.push(keys[k] + "
        "'=' + f(v[keys[k]])); return p + '{' + out.join(',') + '}'; })(da)";
    EXPECT_EQ(read.engine()->evaluateText(fingerprint), run.engine()->evaluateText(fingerprint))
        << text.substr(0, 60);
  }
}

TEST(JsonDocument, ParseStartsFromAFreshEngine) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"a\":1}"));
  const auto first = document.engine();
  document.engine()->addCode("var leftover = 1");
  ASSERT_TRUE(document.parse("{\"b\":2}"));
  EXPECT_NE(document.engine(), first);
  EXPECT_EQ(document.engine()->evaluateText("typeof leftover"), "undefined");
  EXPECT_EQ(document.toText(), "{\"b\":2}");
  // A failed parse leaves null, not the earlier value.
  EXPECT_FALSE(document.parse("{broken"));
  EXPECT_EQ(document.toText(), "null");
}

TEST(JsonDocument, ParseCapturesTheError) {
  JsonDocument document;
  ScriptError error;
  EXPECT_FALSE(document.parse("{\"a\":1,\r\n\"b\":}", false, &error, true));
  EXPECT_EQ(error.number, kScriptSyntaxError);
  EXPECT_EQ(error.source, "JavaScript compilation error");
  EXPECT_FALSE(error.description.empty());
  EXPECT_EQ(error.line, 2);
  EXPECT_EQ(error.text, "\"b\":})");

  EXPECT_FALSE(document.parse("\"SUCCESS\"", false, &error, true));
  EXPECT_EQ(error.number, kScriptReferenceError);
  EXPECT_EQ(error.source, "JavaScript runtime error");

  EXPECT_TRUE(document.parse("{\"a\":1}", false, &error, true));
  EXPECT_EQ(error.number, kNoScriptError);
  EXPECT_TRUE(error.description.empty());

  // Without captureError the record is left alone.
  ScriptError untouched;
  untouched.number = 42;
  EXPECT_FALSE(document.parse("{", false, &untouched, false));
  EXPECT_EQ(untouched.number, 42);
}

TEST(JsonDocument, ResolvePathForms) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"result\":{\"score\":1},\"data\":2,\"list\":[5]}"));
  struct Case {
    const char* path;
    const char* rooted;
    bool found;
  };
  const Case cases[] = {
      {"", "da", true},
      {"[0]", "da[0]", false},
      {"result.score", "da.result.score", true},
      {"result['score']", "da.result['score']", true},
      {"list[0]", "da.list[0]", true},
      {"da.result", "da.result", true},
      {"da.missing", "da.da.missing", false},
      {"data", "da.data", true},
      {"missing", "da.missing", false},
      {"missing.deeper", "da.missing.deeper", false},
  };
  for (const Case& c : cases) {
    Text path = c.path;
    EXPECT_EQ(document.resolvePath(path), c.found) << c.path;
    EXPECT_EQ(path, c.rooted) << c.path;
    EXPECT_EQ(document.exists(c.path), c.found) << c.path;
  }
}

TEST_F(LoadedReply, GetText) {
  const std::pair<const char*, const char*> cases[] = {
      {"result.score", "97.5"},
      {"error_code", "0"},
      {"error_msg", "SUCCESS"},
      {"log_id", "1234567890"},
      {"result['face_list'][1]['face_token']", "tok1"},
      {"da.result.face_list[0].face_token", "tok0"},
      {"result", "[object Object]"},
      {"result.face_list[0]", "[object Object]"},
      {"data.k", "v"},
      {"missing", ""},
      {"missing.deeper", ""},
      {"result['score", ""},
      {"result.face_list[", ""},
  };
  for (const auto& [path, text] : cases) EXPECT_EQ(document.getText(path), text) << path;
}

TEST_F(LoadedReply, GetTextAsJson) {
  const std::pair<const char*, const char*> cases[] = {
      {"result.score", "97.5"},
      {"error_msg", "\"SUCCESS\""},
      {"result.face_list[0]", "{\"face_token\":\"tok0\"}"},
      {"missing", ""},
  };
  for (const auto& [path, json] : cases) EXPECT_EQ(document.getText(path, true), json) << path;
}

TEST_F(LoadedReply, GetMemberCopiesThroughJson) {
  const std::pair<const char*, const char*> cases[] = {
      {"error_code", "0"},
      {"result.score", "97.5"},
      {"result.face_list[1]", "{\"face_token\":\"tok1\"}"},
      {"code_text", "0"},        // a string's content is run: "0" reads as 0
      {"number_text", "216201"},
      {"error_msg", "null"},     // SUCCESS runs as an undefined name
      {"missing", ""},           // undefined
      {"", ""},
  };
  for (const auto& [path, json] : cases) {
    JsonDocument member = document.getMember(path);
    if (std::string_view(path).empty()) {
      EXPECT_EQ(member.toText(), document.toText());
      continue;
    }
    EXPECT_EQ(member.toText(), json) << path;
    EXPECT_NE(member.engine(), document.engine()) << path;
  }
  EXPECT_EQ(document.getMember("code_text").typeOf(), 2);
  // The document itself is unchanged.
  EXPECT_EQ(document.getText("code_text"), "0");
  EXPECT_EQ(document.typeOf("code_text"), 6);
}

TEST(JsonDocument, BackslashesOfParsedValuesStayAsTheyAre) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"path\":\"C:\\\\dir\\\\a.jpg\"}"));
  EXPECT_EQ(document.getText("path"), "C:\\dir\\a.jpg");
  EXPECT_EQ(document.toText(), "{\"path\":\"C:\\\\dir\\\\a.jpg\"}");
}

TEST(JsonDocument, ChineseTextRoundTrips) {
  JsonDocument document;
  ASSERT_TRUE(document.parse(gbk("{\"words_result\":[{\"words\":\"京A12345\"}],\"名字\":\"张三\"}")));
  EXPECT_EQ(document.getText("words_result[0]['words']"), gbk("京A12345"));
  EXPECT_EQ(document.getText(gbk("['名字']")), gbk("张三"));
  EXPECT_EQ(document.toText(), gbk("{\"words_result\":[{\"words\":\"京A12345\"}],\"名字\":\"张三\"}"));
  // Escaped in the reply, plain in the value.
  ASSERT_TRUE(document.parse("{\"n\":\"\\u5f20\\u4e09\"}"));
  EXPECT_EQ(document.getText("n"), gbk("张三"));
}

TEST(JsonDocument, ClearKeepsTheEngine) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"a\":1}"));
  const auto engine = document.engine();
  document.clear();
  EXPECT_EQ(document.engine(), engine);
  EXPECT_EQ(document.toText(), "{}");
}

TEST(JsonDocument, CopySharesTheEngineAndDestroyDropsIt) {
  JsonDocument document;
  ASSERT_TRUE(document.parse("{\"a\":1}"));
  JsonDocument twin = document.copy();
  EXPECT_EQ(twin.engine(), document.engine());
  EXPECT_EQ(twin.variableName(), "da");
  twin.setNumber("b", 2);
  EXPECT_EQ(document.toText(), "{\"a\":1,\"b\":2}");
  twin.destroy();
  EXPECT_FALSE(twin.engine());
  EXPECT_EQ(twin.toText(), "");
  EXPECT_EQ(document.toText(), "{\"a\":1,\"b\":2}");
}

TEST(JsonDocument, WithoutAnEngineEveryOperationIsEmpty) {
  ScriptLimits tooSmall;
  tooSmall.memoryBytes = 4096;
  JsonDocument document(tooSmall);
  ASSERT_FALSE(document.engine());
  std::vector<Text> list{"stale"};
  EXPECT_FALSE(document.parse("{\"a\":1}"));
  EXPECT_FALSE(document.clear());
  EXPECT_EQ(document.toText(), "");
  EXPECT_FALSE(document.setValue("a", "1"));
  EXPECT_FALSE(document.setJson("a", "1"));
  EXPECT_FALSE(document.exists("a"));
  EXPECT_EQ(document.typeOf("a"), 0);
  EXPECT_EQ(document.getText("a"), "");
  EXPECT_EQ(document.memberNames(list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(document.count(), 0);
  EXPECT_EQ(document.getMember("a").toText(), "");
  EXPECT_FALSE(document.append("x"));
  EXPECT_EQ(document.getElement(0).toText(), "");
  EXPECT_EQ(document.getElementText(0), "");
  EXPECT_FALSE(document.setElement(0, "", "x"));
  EXPECT_FALSE(document.removeElement(0));
  EXPECT_FALSE(document.remove("a"));
  EXPECT_FALSE(document.setNumber("a", 1));
  EXPECT_EQ(document.getNumber("a"), 0);
  EXPECT_EQ(document.getJson("a"), "");
  list = {"stale"};
  EXPECT_EQ(document.leafValues(list), 0);
  EXPECT_TRUE(list.empty());
}

}  // namespace
