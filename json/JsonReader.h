#pragma once
// Reads JSON text straight into an engine value.
//
// The engine's own reader converts every fraction through its exact bignum
// routine, which makes replies full of scores and coordinates slow to load;
// this reader uses the standard library's correctly rounded conversion, so
// the numbers are the same doubles. It takes only what it can read exactly
// as the script would: anything else (a number out of range, a "__proto__"
// member, a raw control character in a string, nesting deeper than 1000, text
// that is not JSON) is refused, and the caller then runs the text as script.
// Strings are built as the script builds them, each \u escape (surrogates
// included) on its own.
#include <duktape.h>

#include <string_view>

namespace velmora {

// Pushes the value of utf8 onto the engine's value stack and returns true, or
// returns false with the stack as it was. Runs inside a protected engine call
// (it may raise the engine's out-of-memory error) and keeps no objects with
// destructors, as the engine's errors leave it by longjmp.
bool pushJsonValue(duk_context* ctx, std::string_view utf8);

}  // namespace velmora
