// Editing and enumerating a document: setValue, typeOf, memberNames,
// leafValues, the array operations and numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "json/JsonDocument.h"
#include "text/Codepage.h"

using namespace velmora;

namespace {

JsonDocument loaded(const Text& json) {
  JsonDocument document;
  EXPECT_TRUE(document.parse(json)) << json;
  return document;
}

TEST(JsonDocumentEdit, SetValueKeepsBackslashesAsU2400) {
  JsonDocument document = loaded("{}");
  document.setValue("dir", "C:\\dir");
  EXPECT_EQ(document.engine()->evaluateNumber("da.dir.charCodeAt(2)"), 9216);
  EXPECT_EQ(document.getText("dir"), "C:\\dir");
  EXPECT_EQ(document.getJson("dir"), "\"C:\\dir\"");
  // The whole text writes a bare backslash (not valid JSON), and reading that
  // back loses it: "\d" is just "d" to the script.
  const Text written = document.toText();
  EXPECT_EQ(written, "{\"dir\":\"C:\\dir\"}");
  ASSERT_TRUE(document.parse(written));
  EXPECT_EQ(document.getText("dir"), "C:dir");
}

TEST(JsonDocumentEdit, SetValueStoresAnyTextAsAString) {
  const Text values[] = {
      "it's \"quoted\"",
      "line one\r\nline two\n",
      "\\\\server\\share\\",
      "'); while (true) {} ('",
      gbk("张三 誠實"),  // 誠 is D5 5C in GBK: its trail byte equals a backslash
      "",
  };
  JsonDocument document = loaded("{}");
  for (const Text& value : values) {
    document.setValue("v", value);
    EXPECT_EQ(document.typeOf("v"), 6) << value;
    EXPECT_EQ(document.getText("v"), value) << value;
  }
}

TEST(JsonDocumentEdit, SetValueFlagIsThatOfTheAssignedValue) {
  JsonDocument document = loaded("{}");
  EXPECT_FALSE(document.setValue("a", "text"));
  EXPECT_TRUE(document.setValue("a", "true"));
  EXPECT_TRUE(document.setValue("a", "12"));
  EXPECT_FALSE(document.setValue("a", "0"));
  EXPECT_TRUE(document.setValue("a", "5", true));
  EXPECT_FALSE(document.setValue("a", "{\"x\":1}", true));
}

TEST(JsonDocumentEdit, SetValueWithJson) {
  struct Case {
    const char* name;
    const char* before;
    const char* path;
    const char* value;
    const char* after;
  };
  const Case cases[] = {
      {"merged into an object", "{\"a\":{\"x\":1,\"y\":\"s\",\"z\":{\"p\":1}}}", "a",
       "{\"y\":\"t\",\"z\":{\"q\":2},\"w\":false}", "{\"a\":{\"x\":1,\"y\":\"t\",\"z\":{\"p\":1,\"q\":2},\"w\":false}}"},
      {"number member of an object replaced", "{\"a\":{\"n\":1}}", "a", "{\"n\":5}", "{\"a\":{\"n\":5}}"},
      {"empty value merges nothing", "{\"a\":{\"x\":1}}", "a", "", "{\"a\":{\"x\":1}}"},
      {"root merged", "{\"a\":1}", "", "{\"b\":2}", "{\"a\":1,\"b\":2}"},
      {"non-object replaced", "{\"a\":1}", "a", "[1,2]", "{\"a\":[1,2]}"},
      {"new member", "{}", "b", "{\"c\":[true]}", "{\"b\":{\"c\":[true]}}"},
      {"empty value on a non-object removes it", "{\"a\":1,\"b\":2}", "a", "", "{\"b\":2}"},
      {"array replaced", "{\"a\":[1]}", "a", "[2]", "{\"a\":[2]}"},
  };
  for (const Case& c : cases) {
    JsonDocument document = loaded(c.before);
    document.setValue(c.path, c.value, true);
    EXPECT_EQ(document.toText(), c.after) << c.name;
  }
}

TEST(JsonDocumentEdit, SetJson) {
  JsonDocument document = loaded("{\"a\":1}");
  EXPECT_TRUE(document.setJson("a", "7"));
  EXPECT_FALSE(document.setJson("b", "{\"c\":[1]}"));
  EXPECT_EQ(document.toText(), "{\"a\":7,\"b\":{\"c\":[1]}}");
  EXPECT_FALSE(document.setJson("a", "{broken"));
  EXPECT_EQ(document.getText("a"), "7");
}

TEST(JsonDocumentEdit, TypeOfCodes) {
  JsonDocument document =
      loaded("{\"s\":\"x\",\"n\":1.5,\"b\":false,\"o\":{},\"a\":[],\"z\":null,\"e\":\"\",\"zero\":0}");
  document.setJson("f", "(function () {})");
  document.setJson("d", "(new Date(0))");
  const std::pair<const char*, int> cases[] = {
      {"s", 6}, {"e", 6},  {"n", 2},       {"zero", 2},   {"b", 1},   {"o", 4},
      {"a", 5}, {"z", 0},  {"missing", 0}, {"missing.deeper", 0},   {"f", -1},
      {"d", -1}, {"", 4},  {"a[", 0},
  };
  for (const auto& [path, code] : cases) EXPECT_EQ(document.typeOf(path), code) << path;
}

TEST(JsonDocumentEdit, MemberNames) {
  struct Case {
    const char* json;
    const char* path;
    std::vector<Text> names;
  };
  const Case cases[] = {
      {"{\"a\":1,\"b\":{\"c\":2}}", "", {"a", "b"}},
      {"{\"a\":1,\"b\":{\"c\":2}}", "b", {"c"}},
      {"{\"a\":1,\"b\":{\"c\":2}}", "a", {}},
      {"[1,2]", "", {}},
      {"{}", "", {}},
      {"{\"\":1,\"x\":2}", "", {"", "x"}},
      {"{\"a\":1,\"\":2}", "", {"a"}},  // a last empty name is dropped by the split
      {"{\"a\":1}", "missing", {}},
  };
  for (const Case& c : cases) {
    JsonDocument document = loaded(c.json);
    std::vector<Text> names{"stale"};
    EXPECT_EQ(document.memberNames(names, c.path), static_cast<int>(c.names.size())) << c.json << c.path;
    EXPECT_EQ(names, c.names) << c.json << c.path;
  }
}

TEST(JsonDocumentEdit, MemberNamesSkipFunctions) {
  JsonDocument document = loaded("{\"a\":1}");
  document.setJson("f", "(function () {})");
  std::vector<Text> names;
  EXPECT_EQ(document.memberNames(names), 1);
  EXPECT_EQ(names, std::vector<Text>{"a"});
}

TEST(JsonDocumentEdit, LeafValues) {
  struct Case {
    const char* json;
    const char* path;
    bool recursive;
    std::vector<Text> values;
  };
  const Case cases[] = {
      {"{\"a\":1,\"b\":{\"c\":\"x\"}}", "", false, {"1"}},
      {"{\"a\":1,\"b\":{\"c\":\"x\"}}", "", true, {"1", "x"}},
      {"{\"a\":[true,[2.5,null]],\"b\":\"y\"}", "", true, {"true", "2.5", "y"}},
      {"{\"a\":\"x\",\"b\":\"\"}", "", true, {"x"}},       // a last empty value is dropped
      {"{\"a\":\"\",\"b\":\"y\"}", "", true, {"", "y"}},   // other empty values stay
      {"{\"a\":{\"b\":[\"p\",\"q\"]}}", "a.b", false, {"p", "q"}},
      {"{\"a\":1}", "missing", true, {}},
      {"{}", "", true, {}},
  };
  for (const Case& c : cases) {
    JsonDocument document = loaded(c.json);
    std::vector<Text> values{"stale"};
    EXPECT_EQ(document.leafValues(values, c.path, c.recursive), static_cast<int>(c.values.size())) << c.json;
    EXPECT_EQ(values, c.values) << c.json;
  }
}

TEST(JsonDocumentEdit, LeafValuesKeepChineseAndBackslashes) {
  JsonDocument document = loaded(gbk("{\"a\":\"张三\",\"b\":\"李四\"}"));
  document.setValue("c", "C:\\x");
  std::vector<Text> values;
  EXPECT_EQ(document.leafValues(values, "", true), 3);
  EXPECT_EQ(values, (std::vector<Text>{gbk("张三"), gbk("李四"), Text("C:\\x")}));
}

TEST(JsonDocumentEdit, CountAndArrayReading) {
  JsonDocument document = loaded("{\"list\":[\"a\",2,{\"k\":\"v\"}],\"obj\":{\"length\":3}}");
  EXPECT_EQ(document.count("list"), 3);
  EXPECT_EQ(document.count("obj"), 0);
  EXPECT_EQ(document.count("missing"), 0);
  EXPECT_EQ(document.count(), 0);

  EXPECT_EQ(document.getElementText(0, "list"), "a");
  EXPECT_EQ(document.getElementText(1, "list"), "");  // numbers have no replace method
  EXPECT_EQ(document.getElementText(1, "list", true), "2");
  EXPECT_EQ(document.getElementText(2, "list", true), "{\"k\":\"v\"}");
  EXPECT_EQ(document.getElementText(9, "list", true), "");

  EXPECT_EQ(document.getElement(2, "list").toText(), "{\"k\":\"v\"}");
  EXPECT_EQ(document.getElement(1, "list").toText(), "2");
  EXPECT_EQ(document.getElement(9, "list").toText(), "");
  EXPECT_EQ(document.getElement(0, "list").toText(), "null");  // "a" runs as an undefined name
}

TEST(JsonDocumentEdit, AppendSetAndRemoveElements) {
  JsonDocument document = loaded("{\"n\":1}");
  EXPECT_TRUE(document.append("b", "list"));
  EXPECT_TRUE(document.append("a", "list", false, true));
  EXPECT_TRUE(document.append("{\"c\":3}", "list", true));
  EXPECT_EQ(document.getJson("list"), "[\"a\",\"b\",{\"c\":3}]");
  // A member that is not an array becomes one first.
  EXPECT_TRUE(document.append("5", "n", true));
  EXPECT_EQ(document.getJson("n"), "[5]");
  // The value is written between apostrophes as it stands.
  EXPECT_FALSE(document.append("it's", "list"));
  EXPECT_EQ(document.count("list"), 3);

  EXPECT_FALSE(document.setElement(1, "list", "B"));  // the flag of the text "B"
  EXPECT_TRUE(document.setElement(3, "list", "true", true));
  EXPECT_EQ(document.getJson("list"), "[\"a\",\"B\",{\"c\":3},true]");

  EXPECT_FALSE(document.removeElement(0, "list"));  // the flag of splice's result array
  EXPECT_EQ(document.getJson("list"), "[\"B\",{\"c\":3},true]");
  EXPECT_FALSE(document.removeElement(0, "missing"));

  EXPECT_TRUE(document.remove("list"));
  EXPECT_FALSE(document.exists("list"));
  EXPECT_EQ(document.toText(), "{\"n\":[5]}");
}

TEST(JsonDocumentEdit, Numbers) {
  JsonDocument document = loaded("{\"s\":\"12\",\"t\":\"abc\",\"b\":true,\"o\":{}}");
  EXPECT_TRUE(document.setNumber("a", 2.5));
  EXPECT_FALSE(document.setNumber("zero", 0));
  EXPECT_TRUE(document.setNumber("big", 1e20));
  EXPECT_TRUE(document.setNumber("neg", -7));
  EXPECT_FALSE(document.setNumber("nan", std::nan("")));
  EXPECT_TRUE(document.setNumber("inf", HUGE_VAL));
  const std::pair<const char*, double> cases[] = {
      {"a", 2.5}, {"zero", 0}, {"big", 1e20}, {"neg", -7}, {"s", 12},     {"t", 0},
      {"b", 1},   {"o", 0},    {"nan", 0},    {"inf", HUGE_VAL}, {"missing", 0},
  };
  for (const auto& [path, number] : cases) EXPECT_EQ(document.getNumber(path), number) << path;
  EXPECT_EQ(document.getText("a"), "2.5");
  EXPECT_EQ(document.getJson("inf"), "null");
}

}  // namespace
