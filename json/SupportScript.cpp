#include "json/SupportScript.h"

#include <cstddef>

namespace velmora {

// Generated from support.js by EmbedText.cmake.
extern const char kSupportScriptBytes[];
extern const std::size_t kSupportScriptBytesSize;

std::string_view supportScriptSource() { return {kSupportScriptBytes, kSupportScriptBytesSize}; }

const CompiledScript& supportScript() {
  static const CompiledScript compiled = CompiledScript::compile(supportScriptSource(), "support.js");
  return compiled;
}

}  // namespace velmora
