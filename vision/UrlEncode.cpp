#include "vision/UrlEncode.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "text/Codepage.h"

namespace velmora {

namespace {

// What one input byte becomes: up to three characters and their count.
struct Escape {
  std::array<char, 4> chars{};
  std::uint8_t length = 0;
};
using EscapeTable = std::array<Escape, 256>;

constexpr bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '\'' || c == '(' || c == ')' || c == '*';
}

constexpr EscapeTable makeTable(bool keepUnreserved) {
  constexpr char hex[] = "0123456789ABCDEF";
  EscapeTable table{};
  for (int b = 1; b < 256; ++b) {  // byte 0 keeps length 0: it is dropped
    auto& e = table[b];
    const auto c = static_cast<unsigned char>(b);
    if (keepUnreserved && isUnreserved(c)) {
      e.chars[0] = static_cast<char>(c);
      e.length = 1;
    } else if (c == ' ') {
      e.chars[0] = '+';
      e.length = 1;
    } else {
      e.chars = {'%', hex[c >> 4], hex[c & 15], 0};
      e.length = 3;
    }
  }
  return table;
}

constexpr EscapeTable kEscapeAll = makeTable(false);
constexpr EscapeTable kKeepUnreserved = makeTable(true);

Text encodeBytes(std::string_view bytes, const EscapeTable& table) {
  Text out;
  // Every byte writes four characters of which the first 1 to 3 count; one
  // spare byte at the end lets the last write stay inside the buffer.
  out.resize(bytes.size() * 3 + 1);
  char* o = out.data();
  for (const char ch : bytes) {
    const Escape& e = table[static_cast<unsigned char>(ch)];
    std::memcpy(o, e.chars.data(), 4);
    o += e.length;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

}  // namespace

Text urlEncode(std::string_view text, bool keepUnreserved, bool toUtf8) {
  const EscapeTable& table = keepUnreserved ? kKeepUnreserved : kEscapeAll;
  if (toUtf8) return encodeBytes(gbkToUtf8(text), table);
  return encodeBytes(text, table);
}

}  // namespace velmora
