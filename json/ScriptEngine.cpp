#include "json/ScriptEngine.h"

#include <duktape.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "json/Deadline.h"
#include "json/HeapMemory.h"
#include "json/JsonReader.h"
#include "text/Codepage.h"

namespace velmora {

// What the engine hands back to our hooks for one heap (its udata): the
// heap's memory and the deadline of the call running in it.
struct HeapState {
  explicit HeapState(std::size_t capBytes) : memory(capBytes) {}
  HeapMemory memory;
  Deadline deadline;
};

}  // namespace velmora

// The engine's execution-timeout check (declared in its duk_config.h). The
// bytecode executor asks it every 256K instructions; once it answers yes the
// engine throws a RangeError, and goes on throwing at every catchpoint the
// script offers until the error has left the engine. Heaps without our state
// (the compiler heap of CompiledScript) have no deadline.
extern "C" duk_bool_t velmora_duktape_exec_timeout(void* udata) {
  return udata != nullptr && static_cast<const velmora::HeapState*>(udata)->deadline.passed();
}

namespace velmora {

namespace {

// File name the engine gives to submitted code, so that an error can be
// traced to a line of it rather than to a line of some other script.
constexpr const char* kCodeName = "code";

constexpr const char* kCompilationError = "JavaScript compilation error";
constexpr const char* kRuntimeError = "JavaScript runtime error";

bool isAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// GBK -> UTF-8 for the engine; ASCII needs no conversion.
std::string toEngineText(const Text& text) { return isAscii(text) ? text : gbkToUtf8(text); }

// The engine's text -> GBK. Characters GBK cannot hold (and the engine's
// encoding of characters beyond the BMP) are dropped.
Text fromEngineText(const std::string& text) { return isAscii(text) ? text : utf8ToGbk(text); }

Text lineOf(const Text& code, std::int32_t line) {
  if (line <= 0) return {};
  std::size_t begin = 0;
  for (std::int32_t i = 1; i < line; ++i) {
    begin = code.find('\n', begin);
    if (begin == Text::npos) return {};
    ++begin;
  }
  std::size_t end = code.find('\n', begin);
  if (end == Text::npos) end = code.size();
  if (end > begin && code[end - 1] == '\r') --end;
  return code.substr(begin, end - begin);
}

HeapState& stateOf(void* udata) { return *static_cast<HeapState*>(udata); }

void* allocate(void* udata, duk_size_t size) { return stateOf(udata).memory.allocate(size); }
void* reallocate(void* udata, void* block, duk_size_t size) { return stateOf(udata).memory.reallocate(block, size); }
void release(void* udata, void* block) { stateOf(udata).memory.release(block); }

// The engine calls this only for an error raised outside every protected
// call. All work here runs inside protected calls, so reaching it means a
// fault in this layer and a heap that can no longer be trusted, not even to
// be freed: the process stops, as the engine's own handler would stop it.
[[noreturn]] void onFatalError(void*, const char*) { std::abort(); }

void assignString(std::string& target, duk_context* ctx, duk_idx_t index) {
  duk_size_t length = 0;
  const char* bytes = duk_safe_to_lstring(ctx, index, &length);
  target.assign(bytes, length);
}

}  // namespace

// One call into the engine. It is filled inside protected engine calls; the
// functions that fill it hold no objects with destructors, because the
// engine leaves them by longjmp when it throws.
struct EngineCall {
  enum class Action { Start, PrepareJavaScript, AddSource, AddBytecode, Evaluate, AssignJson };
  enum class Phase { Compiling, Running };

  explicit EngineCall(Action what) : action(what) {}

  Action action;
  std::string_view input;  // UTF-8 code, bytecode or JSON text
  std::string_view name;   // the variable of AssignJson

  Phase phase = Phase::Running;
  bool failed = false;
  // The error, when failed.
  std::int32_t errorNumber = kNoScriptError;
  std::string errorMessage;
  std::int32_t errorLine = 0;
  bool errorInCode = false;
  // The result of Evaluate.
  ScriptValue::Kind kind = ScriptValue::Kind::Undefined;
  double number = 0;
  std::string text;
};

namespace {

using Work = EngineCall;

void readValue(duk_context* ctx, Work& work) {
  switch (duk_get_type(ctx, -1)) {
    case DUK_TYPE_NONE:
    case DUK_TYPE_UNDEFINED:
      work.kind = ScriptValue::Kind::Undefined;
      return;
    case DUK_TYPE_NULL:
      work.kind = ScriptValue::Kind::Null;
      return;
    case DUK_TYPE_BOOLEAN:
      work.kind = ScriptValue::Kind::Boolean;
      work.number = duk_get_boolean(ctx, -1) ? 1 : 0;
      work.text = work.number != 0 ? "true" : "false";
      return;
    case DUK_TYPE_NUMBER:
      work.kind = ScriptValue::Kind::Number;
      work.number = duk_get_number(ctx, -1);
      assignString(work.text, ctx, -1);
      return;
    case DUK_TYPE_STRING:
      work.kind = ScriptValue::Kind::String;
      assignString(work.text, ctx, -1);
      duk_dup(ctx, -1);
      work.number = duk_to_number(ctx, -1);
      duk_pop(ctx);
      return;
    default:
      work.kind = ScriptValue::Kind::Object;
      duk_dup(ctx, -1);
      assignString(work.text, ctx, -1);
      duk_pop(ctx);
      return;
  }
}

// Reads the thrown value at the stack top into work. Protected, because an
// error's properties may be getters of the script that throw in turn.
duk_ret_t readErrorProtected(duk_context* ctx, void* data) {
  auto& work = *static_cast<Work*>(data);
  if (!duk_is_error(ctx, -1)) {
    assignString(work.errorMessage, ctx, -1);
    return 0;
  }
  duk_get_prop_string(ctx, -1, "message");
  assignString(work.errorMessage, ctx, -1);
  duk_pop(ctx);
  duk_get_prop_string(ctx, -1, "lineNumber");
  work.errorLine = duk_is_number(ctx, -1) ? static_cast<std::int32_t>(duk_get_number(ctx, -1)) : 0;
  duk_pop(ctx);
  duk_get_prop_string(ctx, -1, "fileName");
  work.errorInCode = duk_is_string(ctx, -1) && std::strcmp(duk_get_string(ctx, -1), kCodeName) == 0;
  duk_pop(ctx);
  return 0;
}

void readError(duk_context* ctx, Work& work) {
  work.failed = true;
  work.errorNumber = duk_get_error_code(ctx, -1);
  if (work.errorNumber == DUK_ERR_NONE) work.errorNumber = kScriptError;
  // What could not be read (a property that threw) stays empty.
  duk_safe_call(ctx, readErrorProtected, &work, 1, 1);
}

// Removes the engine's own extension object: through it scripts could
// install finalizers, which run outside any call this layer makes.
void setUpHeap(duk_context* ctx) {
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "Duktape");
  duk_pop(ctx);
}

void prepareJavaScript(duk_context* ctx) {
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "JSON");
  duk_get_prop_string(ctx, -1, "Date");
  duk_get_prop_string(ctx, -1, "prototype");
  duk_del_prop_string(ctx, -1, "toJSON");
  duk_pop_3(ctx);
}

void runSource(duk_context* ctx, Work& work) {
  work.phase = Work::Phase::Compiling;
  duk_push_string(ctx, kCodeName);
  const duk_uint_t flags = work.action == Work::Action::Evaluate ? DUK_COMPILE_EVAL : 0;
  duk_compile_lstring_filename(ctx, flags, work.input.data(), work.input.size());
  work.phase = Work::Phase::Running;
  duk_push_global_object(ctx);
  duk_call_method(ctx, 0);
  if (work.action == Work::Action::Evaluate) readValue(ctx, work);
}

void runBytecode(duk_context* ctx, Work& work) {
  void* buffer = duk_push_fixed_buffer(ctx, work.input.size());
  std::memcpy(buffer, work.input.data(), work.input.size());
  duk_load_function(ctx);
  duk_push_global_object(ctx);
  duk_call_method(ctx, 0);
}

void assignJson(duk_context* ctx, Work& work) {
  if (!pushJsonValue(ctx, work.input)) {
    work.failed = true;
    work.errorNumber = kScriptSyntaxError;
    work.errorMessage = "not JSON the reader takes";
    return;
  }
  duk_put_global_lstring(ctx, work.name.data(), work.name.size());
}

duk_ret_t performProtected(duk_context* ctx, void* data) {
  auto& work = *static_cast<Work*>(data);
  switch (work.action) {
    case Work::Action::Start:
      setUpHeap(ctx);
      break;
    case Work::Action::PrepareJavaScript:
      prepareJavaScript(ctx);
      break;
    case Work::Action::AddSource:
    case Work::Action::Evaluate:
      runSource(ctx, work);
      break;
    case Work::Action::AddBytecode:
      runBytecode(ctx, work);
      break;
    case Work::Action::AssignJson:
      assignJson(ctx, work);
      break;
  }
  return 0;
}

// Carries out one call in a protected engine call, with an empty value stack
// before and after.
void perform(duk_context* ctx, Work& work) {
  duk_set_top(ctx, 0);
  if (duk_safe_call(ctx, performProtected, &work, 0, 1) != DUK_EXEC_SUCCESS) readError(ctx, work);
  duk_set_top(ctx, 0);
}

}  // namespace

bool ScriptValue::toFlag() const {
  switch (kind) {
    case Kind::Boolean:
    case Kind::Number:
      return number != 0 && !std::isnan(number);
    case Kind::String:
      if (strcasecmp(text.c_str(), "true") == 0) return true;
      if (strcasecmp(text.c_str(), "false") == 0) return false;
      return number != 0 && !std::isnan(number);
    default:
      return false;
  }
}

double ScriptValue::toNumber() const { return std::isnan(number) ? 0 : number; }

CompiledScript CompiledScript::compile(std::string_view utf8Source, const char* name) {
  CompiledScript result;
  duk_context* ctx = duk_create_heap_default();
  if (ctx == nullptr) return result;
  duk_push_string(ctx, name);
  if (duk_pcompile_lstring_filename(ctx, 0, utf8Source.data(), utf8Source.size()) == 0) {
    duk_dump_function(ctx);
    duk_size_t size = 0;
    const auto* bytes = static_cast<const char*>(duk_get_buffer(ctx, -1, &size));
    result.bytecode_.assign(bytes, size);
  }
  duk_destroy_heap(ctx);
  return result;
}

ScriptEngine::ScriptEngine(const ScriptLimits& limits)
    : limits_(limits), heap_(std::make_unique<HeapState>(limits.memoryBytes)) {}

std::shared_ptr<ScriptEngine> ScriptEngine::create(const ScriptLimits& limits) {
  std::shared_ptr<ScriptEngine> engine(new ScriptEngine(limits));
  if (!engine->start()) return nullptr;
  return engine;
}

ScriptEngine::~ScriptEngine() {
  if (context_ == nullptr) return;
  heap_->deadline.start(limits_.timeBudget);
  duk_destroy_heap(static_cast<duk_context*>(context_));
}

bool ScriptEngine::start() {
  heap_->deadline.start(limits_.timeBudget);
  duk_context* ctx = duk_create_heap(allocate, reallocate, release, heap_.get(), onFatalError);
  if (ctx == nullptr) return false;
  context_ = ctx;
  Work work{Work::Action::Start};
  perform(ctx, work);
  return !work.failed;
}

bool ScriptEngine::run(EngineCall& work, std::string_view submittedCode) {
  lastError_ = ScriptError{};
  if (language_.empty()) {
    lastError_.number = kScriptError;
    lastError_.source = kRuntimeError;
    lastError_.description = "no script language set";
    return false;
  }
  heap_->deadline.start(limits_.timeBudget);
  perform(static_cast<duk_context*>(context_), work);
  if (!work.failed) return true;
  lastError_.number = work.errorNumber;
  lastError_.source = work.phase == Work::Phase::Compiling ? kCompilationError : kRuntimeError;
  lastError_.description = fromEngineText(work.errorMessage);
  if (work.errorInCode) {
    lastError_.line = work.errorLine;
    lastError_.text = lineOf(Text(submittedCode), work.errorLine);
  }
  return false;
}

bool ScriptEngine::setLanguage(const Text& language) {
  if (strcasecmp(language.c_str(), "JavaScript") != 0 && strcasecmp(language.c_str(), "JScript") != 0) {
    return false;
  }
  if (!language_.empty()) return true;
  language_ = language;
  Work work{Work::Action::PrepareJavaScript};
  if (run(work, {})) return true;
  language_.clear();
  return false;
}

bool ScriptEngine::addCode(const Text& code) {
  const std::string utf8 = toEngineText(code);
  Work work{Work::Action::AddSource};
  work.input = utf8;
  return run(work, code);
}

bool ScriptEngine::addCode(const CompiledScript& script) {
  if (script.empty()) return false;
  Work work{Work::Action::AddBytecode};
  work.input = script.bytecode();
  return run(work, {});
}

ScriptValue ScriptEngine::evaluate(const Text& code) {
  const std::string utf8 = toEngineText(code);
  Work work{Work::Action::Evaluate};
  work.input = utf8;
  ScriptValue value;
  if (!run(work, code)) return value;
  value.kind = work.kind;
  value.number = work.number;
  value.text = fromEngineText(work.text);
  return value;
}

bool ScriptEngine::assignJson(const Text& name, const Text& json) {
  const std::string utf8 = toEngineText(json);
  Work work{Work::Action::AssignJson};
  work.input = utf8;
  work.name = name;
  return run(work, {});
}

}  // namespace velmora
