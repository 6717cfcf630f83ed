#pragma once
// The stored form of the service credentials in config.ini: every key byte
// XORed with a constant and written as two hexadecimal digits, followed by a
// 9-character check derived from a pass phrase.
#include <string_view>

#include "text/Text.h"

namespace velmora {

// The pass phrase the program uses for both keys.
inline constexpr std::string_view kKeyPassPhrase = "58206749";

// Characters 3 to 11 of the upper-case MD5 digest of the pass phrase; empty
// when the digest cannot be computed.
Text keyCheck(std::string_view passPhrase);

// The plain key, or empty text when the check suffix does not match exactly
// (case-sensitive). Unreadable digit pairs are skipped, an odd last digit is
// ignored, and a byte that decodes to zero ends the key.
Text descrambleKey(std::string_view stored, std::string_view passPhrase);

// The stored form of a plain key (upper-case digits, then the check).
// descrambleKey(scrambleKey(k, p), p) == k for every key k without zero bytes.
Text scrambleKey(std::string_view plain, std::string_view passPhrase);

}  // namespace velmora
