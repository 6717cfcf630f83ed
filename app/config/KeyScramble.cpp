#include "app/config/KeyScramble.h"

#include <cctype>
#include <optional>

#include "app/config/Md5.h"

namespace velmora {
namespace {

constexpr unsigned kKeyMask = 7093;
constexpr std::size_t kCheckLength = 9;

unsigned char maskByte(unsigned value) { return static_cast<unsigned char>((value ^ kKeyMask) & 0xFF); }

std::optional<int> hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// Reads one pair of characters as a hexadecimal number the way a C library
// number parser reads a two-character string: two digits, or one digit
// followed by anything. A leading blank or sign is allowed before a single
// digit ("+5", " 5", "-5"); a pair that holds no digit where one is needed
// gives nothing.
std::optional<unsigned> readPair(char first, char second) {
  if (auto high = hexDigit(first)) {
    if (auto low = hexDigit(second)) return static_cast<unsigned>(*high * 16 + *low);
    return static_cast<unsigned>(*high);
  }
  const bool blank = std::isspace(static_cast<unsigned char>(first)) != 0;
  if (blank || first == '+' || first == '-') {
    if (auto digit = hexDigit(second)) return static_cast<unsigned>(first == '-' ? -*digit : *digit);
  }
  return std::nullopt;
}

Text hexToBytes(std::string_view body) {
  Text bytes;
  for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
    if (auto value = readPair(body[i], body[i + 1])) bytes += static_cast<char>(*value & 0xFF);
  }
  return bytes;
}

}  // namespace

Text keyCheck(std::string_view passPhrase) {
  const Text digest = md5Hex(passPhrase);
  if (digest.size() < 2 + kCheckLength) return {};
  Text check = digest.substr(2, kCheckLength);
  for (char& c : check) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return check;
}

Text descrambleKey(std::string_view stored, std::string_view passPhrase) {
  const std::string_view check = stored.size() > kCheckLength ? stored.substr(stored.size() - kCheckLength) : stored;
  const Text expected = keyCheck(passPhrase);
  if (expected.empty() || check != expected) return {};
  const std::string_view body = stored.substr(0, stored.size() - check.size());
  Text key;
  for (const char byte : hexToBytes(body)) {
    const unsigned char plain = maskByte(static_cast<unsigned char>(byte));
    if (plain == 0) break;
    key += static_cast<char>(plain);
  }
  return key;
}

Text scrambleKey(std::string_view plain, std::string_view passPhrase) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  Text stored;
  stored.reserve(2 * plain.size() + kCheckLength);
  for (const char byte : plain) {
    const unsigned char masked = maskByte(static_cast<unsigned char>(byte));
    stored += kDigits[masked >> 4];
    stored += kDigits[masked & 0x0F];
  }
  return stored + keyCheck(passPhrase);
}

}  // namespace velmora
