#pragma once
// The engine's last error, in the shape callers of JsonDocument::parse read it.
#include <cstdint>

#include "text/Text.h"

namespace velmora {

// Kinds of script error, as carried in ScriptError::number.
enum ScriptErrorNumber : std::int32_t {
  kNoScriptError = 0,
  kScriptError = 1,       // Error (also: memory cap reached), or a thrown value that is not an Error
  kScriptEvalError = 2,
  kScriptRangeError = 3,  // also: recursion limits, out of time
  kScriptReferenceError = 4,
  kScriptSyntaxError = 5,
  kScriptTypeError = 6,
  kScriptUriError = 7,
};

struct ScriptError {
  // Kind of the error (ScriptErrorNumber); 0 when the last call succeeded.
  std::int32_t number = 0;
  // "JavaScript compilation error" when the code did not compile,
  // "JavaScript runtime error" when it failed while running; empty otherwise.
  Text source;
  // The error's message, e.g. "identifier 'SUCCESS' undefined".
  Text description;
  // Always empty: the engine has no help files.
  Text helpFile;
  // Always 0, for the same reason.
  std::int32_t helpContext = 0;
  // The line of the submitted code the error points at; empty when the error
  // points into no line of it (e.g. inside the support script).
  Text text;
  // 1-based line of that code; 0 when unknown.
  std::int32_t line = 0;
  // Always 0: the engine reports no column.
  std::int32_t column = 0;
};

}  // namespace velmora
