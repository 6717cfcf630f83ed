#pragma once
// Numbers shown as text and text read as numbers, the one rule used by every
// label and every comparison of the system.
#include <cstdint>
#include <optional>
#include <string_view>

#include "text/Text.h"

namespace velmora {

// Integers in decimal ("95"), fractions as "%.13g" ("0.125", "1.5e-07").
Text numberToText(double value);

// The leading decimal integer of a text: blanks skipped, an optional sign, then
// digits; 0 when there are none. "87.5" gives 87, "abc" gives 0. Values beyond
// the 32-bit range are clamped.
std::int32_t textToInt(std::string_view text);

// The leading decimal integer, or nothing when the text does not start with
// one (after blanks and an optional sign). Used where "not a number" must be
// told apart from 0.
std::optional<std::int32_t> leadingInt(std::string_view text);

}  // namespace velmora
