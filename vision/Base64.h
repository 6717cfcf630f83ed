#pragma once
// Base64 of RFC 4648, standard alphabet, with padding and without line breaks.
#include <string_view>

#include "text/Text.h"

namespace velmora {

// The Base64 text of data: four characters for every three bytes, the last
// group padded with "=" or "==", no line breaks whatever the length. Empty
// data gives empty text.
Text base64Encode(std::string_view data);

}  // namespace velmora
