#include "json/ScriptEngine.h"

#include <gtest/gtest.h>

#include "text/Codepage.h"

using namespace velmora;

namespace {

std::shared_ptr<ScriptEngine> javaScriptEngine(const ScriptLimits& limits = {}) {
  auto engine = ScriptEngine::create(limits);
  if (engine) engine->setLanguage("JavaScript");
  return engine;
}

TEST(ScriptEngine, LanguageIsJavaScriptOnly) {
  auto engine = ScriptEngine::create();
  ASSERT_TRUE(engine);
  EXPECT_FALSE(engine->addCode("var a = 1"));
  EXPECT_EQ(engine->lastError().description, "no script language set");
  EXPECT_FALSE(engine->setLanguage("VBScript"));
  EXPECT_TRUE(engine->language().empty());
  EXPECT_TRUE(engine->setLanguage("JavaScript"));
  EXPECT_EQ(engine->language(), "JavaScript");
  EXPECT_TRUE(engine->addCode("var a = 1"));
  EXPECT_EQ(engine->evaluateText("a + 1"), "2");
}

TEST(ScriptEngine, EvaluationResultsByKind) {
  auto engine = javaScriptEngine();
  ASSERT_TRUE(engine);
  struct Case {
    const char* code;
    ScriptValue::Kind kind;
    const char* text;
    double number;
  };
  const Case cases[] = {
      {"1 + 1", ScriptValue::Kind::Number, "2", 2},
      {"97.5", ScriptValue::Kind::Number, "97.5", 97.5},
      {"'abc'", ScriptValue::Kind::String, "abc", 0},
      {"'12'", ScriptValue::Kind::String, "12", 12},
      {"true", ScriptValue::Kind::Boolean, "true", 1},
      {"null", ScriptValue::Kind::Null, "", 0},
      {"undefined", ScriptValue::Kind::Undefined, "", 0},
      {"({a: 1})", ScriptValue::Kind::Object, "[object Object]", 0},
      {"[1, 2]", ScriptValue::Kind::Object, "1,2", 0},
      {"var declared = 5", ScriptValue::Kind::Undefined, "", 0},
      {"declared", ScriptValue::Kind::Number, "5", 5},
      {"no_such_name", ScriptValue::Kind::Undefined, "", 0},
  };
  for (const Case& c : cases) {
    const ScriptValue value = engine->evaluate(c.code);
    EXPECT_EQ(value.kind, c.kind) << c.code;
    EXPECT_EQ(value.text, c.text) << c.code;
    EXPECT_EQ(value.toNumber(), c.number) << c.code;
  }
}

TEST(ScriptEngine, FlagConversion) {
  auto engine = javaScriptEngine();
  ASSERT_TRUE(engine);
  const std::pair<const char*, bool> cases[] = {
      {"1 == 1", true},  {"1 == 2", false},  {"3", true},      {"0", false},    {"NaN", false},
      {"'true'", true},  {"'TRUE'", true},   {"'false'", false}, {"'1'", true}, {"'0'", false},
      {"'yes'", false},  {"({})", false},    {"null", false},  {"undefined", false},
  };
  for (const auto& [code, flag] : cases) EXPECT_EQ(engine->evaluateFlag(code), flag) << code;
}

TEST(ScriptEngine, TextCrossesAsGbk) {
  auto engine = javaScriptEngine();
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->evaluateText(gbk("'张三' + '李四'")), gbk("张三李四"));
  EXPECT_EQ(engine->evaluateNumber(gbk("'张三'.length")), 2);
  // A character GBK cannot hold is dropped on the way out.
  EXPECT_EQ(engine->evaluateText("'a' + String.fromCharCode(9216) + 'b'"), "ab");
}

TEST(ScriptEngine, LastErrorDescribesCompileAndRuntimeErrors) {
  auto engine = javaScriptEngine();
  ASSERT_TRUE(engine);

  EXPECT_FALSE(engine->addCode("var a = 1;\r\nvar b = ;\r\nvar c = 3;"));
  ScriptError error = engine->lastError();
  EXPECT_EQ(error.number, kScriptSyntaxError);
  EXPECT_EQ(error.source, "JavaScript compilation error");
  EXPECT_FALSE(error.description.empty());
  EXPECT_EQ(error.line, 2);
  EXPECT_EQ(error.text, "var b = ;");
  EXPECT_TRUE(error.helpFile.empty());
  EXPECT_EQ(error.helpContext, 0);
  EXPECT_EQ(error.column, 0);

  EXPECT_EQ(engine->evaluateText("SUCCESS"), "");
  error = engine->lastError();
  EXPECT_EQ(error.number, kScriptReferenceError);
  EXPECT_EQ(error.source, "JavaScript runtime error");
  EXPECT_NE(error.description.find("SUCCESS"), Text::npos);
  EXPECT_EQ(error.line, 1);
  EXPECT_EQ(error.text, "SUCCESS");

  EXPECT_FALSE(engine->addCode("throw 'plain text'"));
  EXPECT_EQ(engine->lastError().number, kScriptError);
  EXPECT_EQ(engine->lastError().description, "plain text");

  EXPECT_TRUE(engine->addCode("var fine = 1"));
  EXPECT_EQ(engine->lastError().number, kNoScriptError);
  EXPECT_TRUE(engine->lastError().description.empty());
}

TEST(ScriptEngine, HasNoHostBindings) {
  auto engine = javaScriptEngine();
  ASSERT_TRUE(engine);
  for (const char* name : {"require", "process", "print", "alert", "Duktape", "File", "XMLHttpRequest", "fetch",
                           "load", "readFile", "ActiveXObject", "WScript", "JSON"}) {
    EXPECT_EQ(engine->evaluateText(Text("typeof ") + name), "undefined") << name;
  }
  EXPECT_EQ(engine->evaluateText("typeof Date.prototype.toJSON"), "undefined");
}

TEST(ScriptEngine, AssignJsonUsesTheEnginesReader) {
  auto engine = javaScriptEngine();
  ASSERT_TRUE(engine);
  engine->addCode("var v = 'before'");
  EXPECT_FALSE(engine->assignJson("v", "{not json}"));
  EXPECT_EQ(engine->evaluateText("v"), "before");
  EXPECT_TRUE(engine->assignJson("v", gbk("{\"a\":[1,2],\"名\":\"值\"}")));
  EXPECT_EQ(engine->evaluateText(gbk("v.a[1] + v['名']")), gbk("2值"));
}

TEST(ScriptEngine, CompiledScriptRunsInAnyEngine) {
  const CompiledScript script = CompiledScript::compile("var x = 20; function twice(n) { return 2 * n; }", "t.js");
  ASSERT_FALSE(script.empty());
  EXPECT_TRUE(CompiledScript::compile("var = ;", "bad.js").empty());
  for (int i = 0; i < 2; ++i) {
    auto engine = javaScriptEngine();
    ASSERT_TRUE(engine);
    EXPECT_TRUE(engine->addCode(script));
    EXPECT_EQ(engine->evaluateNumber("twice(x)"), 40);
  }
}

TEST(ScriptEngine, MemoryCapEndsTheScriptNotTheProgram) {
  ScriptLimits limits;
  limits.memoryBytes = std::size_t{16} << 20;
  limits.timeBudget = std::chrono::seconds(60);  // the cap, not the clock, must end these
  auto engine = javaScriptEngine(limits);
  ASSERT_TRUE(engine);
  EXPECT_FALSE(engine->addCode("var s = 'x'; while (true) { s += s; }"));
  EXPECT_EQ(engine->lastError().number, kScriptError);
  EXPECT_EQ(engine->lastError().description, "alloc failed");
  EXPECT_FALSE(engine->addCode("var list = []; while (true) { list.push({a: list.length}); }"));
  // The heap itself survives an allocation failure.
  EXPECT_EQ(engine->evaluateText("1 + 1"), "2");
}

TEST(ScriptEngine, DeadlineEndsTheCallNotTheHeap) {
  ScriptLimits limits;
  limits.timeBudget = std::chrono::milliseconds(200);
  auto engine = javaScriptEngine(limits);
  ASSERT_TRUE(engine);
  ASSERT_TRUE(engine->addCode("var kept = 'before'; var count = 0;"));
  // The script tries to catch the timeout and go on: the engine throws again
  // at the catch block's first instruction, until the error has left it.
  EXPECT_FALSE(engine->addCode("for (;;) { try { for (;;) { count++; } } catch (e) { kept = 'caught'; } }"));
  EXPECT_EQ(engine->lastError().number, kScriptRangeError);
  EXPECT_EQ(engine->lastError().description, "execution timeout");
  // Each call gets a deadline of its own.
  EXPECT_GT(engine->evaluateNumber("count"), 0);
  EXPECT_EQ(engine->evaluateText("kept"), "before");
  EXPECT_FALSE(engine->addCode("kept = 'again'; while (true) {}"));
  EXPECT_EQ(engine->evaluateText("kept + 1"), "again1");
}

TEST(ScriptEngine, HeapThatCannotFitIsNoEngine) {
  ScriptLimits limits;
  limits.memoryBytes = 4096;
  EXPECT_FALSE(ScriptEngine::create(limits));
}

}  // namespace
