#pragma once
// Code-page conversion over iconv. GBK text uses CP936 where the system names
// code page 936; GB18030 (a superset that maps every Unicode character) is used
// at the file-system and widget boundary, so that no file name is ever lost.
#include <string>
#include <string_view>

#include "text/Text.h"

namespace velmora {

// Converts bytes between two iconv encodings. Sequences that cannot be
// converted are skipped (never an exception, never a partial stop), so the
// result is always usable text.
std::string convertEncoding(std::string_view input, const char* from, const char* to);

// CP936, for texts the system exchanges in code page 936.
Text utf8ToGbk(std::string_view utf8);
std::string gbkToUtf8(std::string_view gbk);

// GB18030, for paths and widget texts: round-trips every Unicode character.
Text utf8ToGb18030(std::string_view utf8);
std::string gb18030ToUtf8(std::string_view gb18030);

// UTF-16 (host byte order, no byte-order mark).
std::u16string gbkToUtf16(std::string_view gbk);
Text utf16ToGbk(std::u16string_view utf16);
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// A GBK literal from a UTF-8 source literal: gbk("同一人").
inline Text gbk(std::string_view utf8Literal) { return utf8ToGbk(utf8Literal); }

// Byte length of the GBK character that starts at text[pos]: 2 for a lead byte
// (0x81..0xFE) followed by another byte, otherwise 1.
inline std::size_t gbkCharLength(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  return (lead >= 0x81 && lead <= 0xFE && pos + 1 < text.size()) ? 2 : 1;
}

}  // namespace velmora
