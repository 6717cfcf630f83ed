#pragma once
// The support script every JSON document adds to its engine (support.js,
// embedded in the library at build time).
#include <string_view>

#include "json/ScriptEngine.h"

namespace velmora {

// The script's source text (UTF-8; plain ASCII).
std::string_view supportScriptSource();

// The script compiled once per process; engines add this bytecode instead of
// compiling the source again at every start, which would cost more than the
// rest of an engine start together.
const CompiledScript& supportScript();

}  // namespace velmora
