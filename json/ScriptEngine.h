#pragma once
// One instance of the JavaScript engine (a Duktape heap of its own).
//
// The engine offers what the JSON document needs of a script engine: a
// language, code added at global level, expressions evaluated to text, number
// or flag, and the last error. Texts cross in as the system's GBK text and are
// handed to the engine as UTF-8; texts coming out are converted back to GBK.
//
// Containment: the heap has no host bindings (no file, process or network
// access; the engine's "Duktape" object is removed as well, so scripts cannot
// install finalizers), its memory is capped, and every call has a deadline:
// the engine checks it as it runs script and stops a call that passes it with
// a RangeError ("execution timeout"). The heap stays usable after either
// limit is reached. Nesting is bounded by the engine's own limits (compiler
// recursion 2500, call stack 10000, native recursion 1000), which need about
// 1 MB of C stack: the default 8 MB thread stack is ample.
//
// The deadline is checked between script instructions, so work the engine
// does inside one built-in function is not interrupted: a regular expression
// ends at the engine's own step limit (about 10 s of backtracking at worst),
// built-ins that allocate as they go at the memory cap, but an array method
// walking a huge length without allocating (for example join('') on an array
// of length 2^32-1) runs to its end, which takes minutes.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "json/ScriptError.h"
#include "text/Text.h"

namespace velmora {

struct HeapState;   // the memory and deadline of one heap (ScriptEngine.cpp)
struct EngineCall;  // one call into the engine (ScriptEngine.cpp)

struct ScriptLimits {
  // Memory one heap may hold, the compiled code and every value included.
  std::size_t memoryBytes = std::size_t{256} << 20;
  // Time one call (add code, evaluate, or the engine start) may run for,
  // counted on the steady clock from the start of the call.
  std::chrono::milliseconds timeBudget{2000};
};

// The value of an evaluation, already converted to the system's text.
struct ScriptValue {
  enum class Kind { Undefined, Null, Boolean, Number, String, Object };
  Kind kind = Kind::Undefined;  // also the value of a failed evaluation
  // Numbers as they are; booleans 1 or 0; strings read as a number (NaN when
  // they do not read as one); 0 for the rest.
  double number = 0;
  // The value converted to text as the script would (97.5, "true",
  // "[object Object]"); empty for undefined and null.
  Text text;

  // Truth as a flag: booleans as they are, numbers when not 0 (NaN is false),
  // texts "true"/"false" (any case) or a number, everything else false.
  bool toFlag() const;
  // The number, with NaN read as 0.
  double toNumber() const;
};

// Bytecode of a program, compiled once and added to any number of engines.
class CompiledScript {
 public:
  // Compiles UTF-8 source; empty when it does not compile.
  static CompiledScript compile(std::string_view utf8Source, const char* name);
  bool empty() const { return bytecode_.empty(); }
  const std::string& bytecode() const { return bytecode_; }

 private:
  std::string bytecode_;
};

class ScriptEngine {
 public:
  // A new engine instance, or null when its heap cannot be created (for
  // example when the memory cap is too small to hold it).
  static std::shared_ptr<ScriptEngine> create(const ScriptLimits& limits = {});
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // The "Language" property. "JavaScript" (or "JScript", any case) is the one
  // language; it gives the classic global environment, which has no JSON
  // object and no Date.prototype.toJSON (a support script supplies them).
  // Other names are refused. Code cannot run before a language is set.
  bool setLanguage(const Text& language);
  const Text& language() const { return language_; }

  // Runs code at global level, as a program; no result. False on error.
  bool addCode(const Text& code);
  bool addCode(const CompiledScript& script);

  // Evaluates code at global level (an expression, or a statement such as a
  // var declaration) and returns its completion value; Kind::Undefined with
  // empty text when it fails.
  ScriptValue evaluate(const Text& code);
  Text evaluateText(const Text& code) { return evaluate(code).text; }
  double evaluateNumber(const Text& code) { return evaluate(code).toNumber(); }
  bool evaluateFlag(const Text& code) { return evaluate(code).toFlag(); }

  // Sets the global variable `name` to the value of JSON text, read without
  // running it as script (JsonReader): the same value the script would build,
  // faster. False, and the variable untouched, when the reader refuses the
  // text (not JSON, or one of the cases it leaves to the script).
  bool assignJson(const Text& name, const Text& json);

  // The error of the last call; number 0 when it succeeded.
  const ScriptError& lastError() const { return lastError_; }

 private:
  explicit ScriptEngine(const ScriptLimits& limits);
  bool start();
  bool run(EngineCall& call, std::string_view submittedCode);

  ScriptLimits limits_;
  std::unique_ptr<HeapState> heap_;  // the engine's udata
  void* context_ = nullptr;  // duk_context*
  Text language_;
  ScriptError lastError_;
};

}  // namespace velmora
