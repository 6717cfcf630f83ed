#pragma once
// Searches in header blocks: CR LF separated lines, names compared without
// regard to letter case.
#include <cstddef>
#include <optional>
#include <string_view>

#include "text/Text.h"

namespace velmora {

// Position of the first occurrence of needle at or after from, ignoring ASCII
// letter case; npos when there is none.
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

bool equalsNoCase(std::string_view a, std::string_view b);

// Position just after "name:" of the first header line called name (the name
// at the start of a line, so a longer header name ending in the same letters
// never matches); nothing when there is none.
std::optional<std::size_t> findHeaderLine(std::string_view block, std::string_view name,
                                          std::size_t from = 0);

// The value of the first header line called name, from after its colon to the
// line end, blanks removed at both ends; nothing when the header is absent.
std::optional<Text> headerValue(std::string_view block, std::string_view name);

// Blanks (space, tab) removed at the start, or at both ends.
std::string_view trimLeft(std::string_view text);
std::string_view trim(std::string_view text);

}  // namespace velmora
