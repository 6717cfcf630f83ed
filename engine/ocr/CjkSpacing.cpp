#include "engine/ocr/CjkSpacing.h"

#include <utility>

namespace velmora::engine {
namespace {

constexpr char32_t kNotUtf8 = 0xFFFD;

// The code point starting at position and its length in bytes; a byte that
// does not start a well-formed sequence counts as one unknown character.
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  std::size_t length = 0;
  char32_t codePoint = 0;
  if (lead < 0x80) return {lead, 1};
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    codePoint = lead & 0x07;
  } else {
    return {kNotUtf8, 1};
  }
  if (position + length > text.size()) return {kNotUtf8, 1};
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[position + i]);
    if ((next & 0xC0) != 0x80) return {kNotUtf8, 1};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  return {codePoint, length};
}

}  // namespace

bool isCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x2FDF)      // radicals
         || (c >= 0x3000 && c <= 0x33FF)   // punctuation, kana, bopomofo, enclosed, compatibility
         || (c >= 0x3400 && c <= 0x4DBF)   // extension A
         || (c >= 0x4E00 && c <= 0x9FFF)   // unified ideographs
         || (c >= 0xF900 && c <= 0xFAFF)   // compatibility ideographs
         || (c >= 0xFE30 && c <= 0xFE4F)   // vertical and compatibility forms
         || (c >= 0xFF00 && c <= 0xFFEF)   // full-width and half-width forms
         || (c >= 0x20000 && c <= 0x3FFFF);  // supplementary ideographic planes
}

std::string removeSpacesBetweenCjk(std::string_view line) {
  std::string joined;
  joined.reserve(line.size());
  char32_t previous = 0;  // the last character written, 0 at the start
  std::size_t position = 0;
  while (position < line.size()) {
    if (line[position] == ' ') {
      std::size_t end = position;
      while (end < line.size() && line[end] == ' ') ++end;
      const bool betweenCjk = end < line.size() && isCjk(previous) && isCjk(decodeAt(line, end).first);
      if (!betweenCjk) joined.append(line.substr(position, end - position));
      position = end;
      continue;
    }
    const auto [codePoint, length] = decodeAt(line, position);
    joined.append(line.substr(position, length));
    previous = codePoint;
    position += length;
  }
  return joined;
}

}  // namespace velmora::engine
