#include "results/GeneralFormat.h"

#include <cmath>
#include <cstdio>

namespace velmora {
namespace {

// Drops trailing zeros of a fraction, and the point when nothing follows it.
std::string trimFraction(std::string digits) {
  if (digits.find('.') == std::string::npos) return digits;
  while (digits.back() == '0') digits.pop_back();
  if (digits.back() == '.') digits.pop_back();
  return digits;
}

std::string fixed(double value, int exponent) {
  // Eleven characters in all: the integer digits, the point and the decimals.
  const int decimals = exponent < 0 ? 9 : std::max(0, 9 - exponent);
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return trimFraction(buffer);
}

std::string scientific(double value, int exponent) {
  // "d.dddddE+xx" is eleven characters; a three-digit exponent costs one decimal.
  const int decimals = std::abs(exponent) >= 100 ? 4 : 5;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*E", decimals, value);
  std::string text = buffer;
  const auto e = text.find('E');
  return trimFraction(text.substr(0, e)) + text.substr(e);
}

}  // namespace

std::string formatGeneralNumber(double value) {
  if (std::isnan(value)) return "#NUM!";
  if (std::isinf(value)) return "#NUM!";
  if (value == 0) return "0";
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  std::string text;
  if (exponent >= -4 && exponent <= 10) text = fixed(value, exponent);
  // Rounding can carry into a twelfth integer digit (99999999999.7).
  if (text.empty() || text.size() - (value < 0 ? 1 : 0) > 11) text = scientific(value, exponent);
  if (text == "-0") text = "0";
  return text;
}

}  // namespace velmora
