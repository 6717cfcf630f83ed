#pragma once
#include <string_view>

#include "text/Text.h"

namespace velmora {

// MD5 (RFC 1321) of the bytes, as 32 upper-case hexadecimal digits; empty text
// when the digest cannot be computed.
Text md5Hex(std::string_view bytes);

}  // namespace velmora
