#pragma once
// Percent-encoding of text for URLs and form bodies.
#include <string_view>

#include "text/Text.h"

namespace velmora {

// Percent-encodes text byte by byte: a blank becomes "+", a zero byte is
// dropped, and every other byte becomes "%" and two upper-case hex digits,
// except that with keepUnreserved the letters, digits and - . _ ' ( ) * stay
// as they are. With toUtf8 the GBK text is first converted to UTF-8, so that
// the escapes are those of its UTF-8 bytes.
Text urlEncode(std::string_view text, bool keepUnreserved = false, bool toUtf8 = false);

}  // namespace velmora
