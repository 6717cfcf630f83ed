#include "text/Numbers.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace velmora {

Text numberToText(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return buffer;
}

std::optional<std::int32_t> leadingInt(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return std::nullopt;
  long long value = 0;
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    if (value < kLimit) value = value * 10 + (text[pos] - '0');
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::int32_t textToInt(std::string_view text) { return leadingInt(text).value_or(0); }

}  // namespace velmora
