#include "json/JsonDocument.h"

#include <cmath>
#include <limits>
#include <string>

#include "json/SupportScript.h"
#include "json/TextSplit.h"
#include "text/Codepage.h"
#include "text/Numbers.h"

namespace velmora {

namespace {

constexpr const char* kVariableName = "da";

// The separator leafValues joins the values with inside the engine.
const Text& leafSeparator() {
  static const Text separator = gbk("[2020年7月20日20时0分0秒]");
  return separator;
}

// A value text as the body of a single-quoted script string: backslashes,
// quotes, CR and LF escaped. GBK characters are copied whole, so a trail byte
// that happens to equal a backslash or a quote is left alone.
Text escapeForScriptString(const Text& value) {
  Text escaped;
  escaped.reserve(value.size() + 8);
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t length = gbkCharLength(value, pos);
    if (length == 1) {
      switch (value[pos]) {
        case '\\': escaped += "\\\\"; break;
        case '\'': escaped += "\\'"; break;
        case '"': escaped += "\\\""; break;
        case '\r': escaped += "\\r"; break;
        case '\n': escaped += "\\n"; break;
        default: escaped += value[pos]; break;
      }
    } else {
      escaped.append(value, pos, length);
    }
    pos += length;
  }
  return escaped;
}

// A JSON object or array: the text the engine's JSON reader may take.
bool startsLikeJsonContainer(const Text& text) {
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    return c == '{' || c == '[';
  }
  return false;
}

// A number as script source; the system's decimal form for finite numbers.
Text numberSource(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
  return numberToText(number);
}

Text indexSource(std::int32_t index) { return std::to_string(index); }

std::int32_t toInt32(double number) {
  if (std::isnan(number)) return 0;
  if (number >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (number <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(number);
}

}  // namespace

JsonDocument::JsonDocument() : JsonDocument(ScriptLimits{}) {}

JsonDocument::JsonDocument(const ScriptLimits& limits) : variableName_(kVariableName), limits_(limits) {
  startEngine();
}

JsonDocument::JsonDocument(const ScriptLimits& limits, NotStarted)
    : variableName_(kVariableName), limits_(limits) {}

JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(JsonDocument&&) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&&) noexcept = default;

void JsonDocument::destroy() {
  engine_.reset();
  variableName_.clear();
}

JsonDocument JsonDocument::copy() const {
  JsonDocument twin(limits_, NotStarted{});
  twin.variableName_ = variableName_;
  twin.engine_ = engine_;
  return twin;
}

void JsonDocument::startEngine() {
  engine_ = ScriptEngine::create(limits_);
  if (!engine_) return;
  engine_->setLanguage("JavaScript");
  if (supportScript().empty()) {
    engine_->addCode(Text(supportScriptSource()));
  } else {
    engine_->addCode(supportScript());
  }
  evaluate("var " + variableName_ +
           " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

bool JsonDocument::parse(const Text& text, bool asIs, ScriptError* error, bool captureError) {
  // Every parse starts from a fresh engine. (A document whose engine could
  // not be created tries again here rather than staying without one.)
  engine_.reset();
  startEngine();
  if (!engine_) return false;
  evaluate("var " + variableName_ + " = null");
  const bool readAsJson = startsLikeJsonContainer(text) && engine_->assignJson(variableName_, text);
  if (!readAsJson) {
    engine_->addCode(asIs ? "var " + variableName_ + " = " + text
                          : "var " + variableName_ + " = eval(" + text + ")");
  }
  if (captureError && error != nullptr) *error = engine_->lastError();
  return evaluateFlag(variableName_ + " != null");
}

bool JsonDocument::clear() { return evaluateFlag(variableName_ + " = {}"); }

Text JsonDocument::toText() { return evaluateText(stringifyOf(variableName_)); }

bool JsonDocument::setValue(const Text& path, const Text& value, bool isJson) {
  Text target = path;
  const bool found = resolvePath(target);
  if (isJson) {
    const Text merged = value.empty() ? Text("{}") : value;
    const Text kind = evaluateText("Object.prototype.toString.call(" + target + ")");
    if (found && kind == "[object Object]") {
      return evaluateFlag(target + " = get__extend(" + target + ", " + merged + ")");
    }
    return evaluateFlag(target + " = eval(" + value + ")");
  }
  return evaluateFlag(target + " = '" + escapeForScriptString(value) + "'.replace(/\\\\/g, str_Code)");
}

bool JsonDocument::setJson(const Text& path, const Text& json) {
  return evaluateFlag(rooted(path) + " = eval(" + json + ")");
}

bool JsonDocument::resolvePath(Text& path) {
  if (path.compare(0, variableName_.size(), variableName_) == 0 && !variableName_.empty() &&
      evaluateFlag(path + " != null")) {
    return true;
  }
  if (path.empty()) {
    path = variableName_;
  } else if (path.front() == '[') {
    path = variableName_ + path;
  } else {
    path = variableName_ + "." + path;
  }
  return evaluateFlag(path + " != null");
}

bool JsonDocument::exists(const Text& path) {
  Text target = path;
  return resolvePath(target);
}

std::int32_t JsonDocument::typeOf(const Text& path) {
  const Text target = rooted(path);
  // A path that cannot even be tested (its parent is missing) is missing too.
  const ScriptValue isNull = evaluate(target + " == null");
  if (isNull.kind != ScriptValue::Kind::Boolean || isNull.toFlag()) return 0;
  const Text kind = evaluateText("Object.prototype.toString.call(" + target + ")");
  if (kind == "[object String]") return 6;
  if (kind == "[object Array]") return 5;
  if (kind == "[object Object]") return 4;
  if (kind == "[object Number]") return 2;
  if (kind == "[object Boolean]") return 1;
  return -1;
}

Text JsonDocument::getText(const Text& path, bool asJson) {
  const Text target = rooted(path);
  if (asJson) return evaluateText(stringifyOf(target));
  return evaluateText(target + ".toString().replace(str_reg, '\\\\')");
}

std::int32_t JsonDocument::memberNames(std::vector<Text>& names, const Text& path) {
  names = splitItems(evaluateText("get__name_All(" + rooted(path) + ")"), "\r\n");
  return static_cast<std::int32_t>(names.size());
}

std::int32_t JsonDocument::count(const Text& path) {
  return toInt32(evaluate("get__count(" + rooted(path) + ")").toNumber());
}

JsonDocument JsonDocument::getMember(const Text& path) {
  return documentFromJson(evaluateText(stringifyOf(rooted(path))));
}

bool JsonDocument::append(const Text& value, const Text& path, bool isJson, bool atFront) {
  const Text target = rooted(path);
  const Text item = isJson ? value : "'" + value + "'";
  return evaluateFlag("if (Object.prototype.toString.call(" + target + ") != '[object Array]') { " + target +
                      " = new Array() } " + target + (atFront ? ".unshift(" : ".push(") + item + ")");
}

JsonDocument JsonDocument::getElement(std::int32_t index, const Text& path) {
  return documentFromJson(evaluateText(stringifyOf(rooted(path) + "[" + indexSource(index) + "]")));
}

Text JsonDocument::getElementText(std::int32_t index, const Text& path, bool asJson) {
  const Text element = rooted(path) + "[" + indexSource(index) + "]";
  if (asJson) return evaluateText(stringifyOf(element));
  return evaluateText(element + ".replace(str_reg, '\\\\')");
}

bool JsonDocument::setElement(std::int32_t index, const Text& path, const Text& value, bool isJson) {
  const Text item = isJson ? value : "'" + value + "'";
  return evaluateFlag(rooted(path) + "[" + indexSource(index) + "] = " + item);
}

bool JsonDocument::removeElement(std::int32_t index, const Text& path) {
  return evaluateFlag(rooted(path) + ".splice(" + indexSource(index) + ", 1)");
}

bool JsonDocument::remove(const Text& path) { return evaluateFlag("delete " + rooted(path)); }

bool JsonDocument::setNumber(const Text& path, double number) {
  return evaluateFlag(rooted(path) + " = " + numberSource(number));
}

double JsonDocument::getNumber(const Text& path) { return evaluate(rooted(path)).toNumber(); }

Text JsonDocument::getJson(const Text& path) { return evaluateText(stringifyOf(rooted(path))); }

std::shared_ptr<ScriptEngine> JsonDocument::engine() const { return engine_; }

std::int32_t JsonDocument::leafValues(std::vector<Text>& values, const Text& path, bool recursive) {
  const Text target = rooted(path);
  evaluate("var str_all = new Array()");
  evaluate("get__nodeValue(" + target + ", " + (recursive ? "true" : "false") + ")");
  // Values stored through setValue hold U+2400 for a backslash; they come
  // out as backslashes here as they do from every other reading operation.
  const Text joined = evaluateText("str_all.join('" + leafSeparator() + "').replace(str_reg, '\\\\')");
  values = splitItems(joined, leafSeparator());
  return static_cast<std::int32_t>(values.size());
}

ScriptValue JsonDocument::evaluate(const Text& code) {
  if (!engine_) return {};
  return engine_->evaluate(code);
}

Text JsonDocument::rooted(const Text& path) {
  Text target = path;
  resolvePath(target);
  return target;
}

Text JsonDocument::stringifyOf(const Text& expression) const {
  return "JSON.stringify(" + expression + ").replace(str_reg, '\\\\')";
}

JsonDocument JsonDocument::documentFromJson(const Text& json) const {
  // parse starts the new document's engine, so it is not started twice.
  JsonDocument member(limits_, NotStarted{});
  member.parse(json);
  return member;
}

}  // namespace velmora
