#include "vision/Base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace velmora {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for every 12-bit value, so that each group of three
// bytes takes two table reads and two 2-byte stores.
constexpr std::array<char, 4096 * 2> makePairTable() {
  std::array<char, 4096 * 2> table{};
  for (int i = 0; i < 4096; ++i) {
    table[2 * i] = kAlphabet[i >> 6];
    table[2 * i + 1] = kAlphabet[i & 63];
  }
  return table;
}

constexpr auto kPairs = makePairTable();

inline void encodeGroup(std::uint32_t group, char* out) {
  std::memcpy(out, &kPairs[2 * (group >> 12)], 2);
  std::memcpy(out + 2, &kPairs[2 * (group & 0xFFF)], 2);
}

}  // namespace

Text base64Encode(std::string_view data) {
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t fullGroups = data.size() / 3;
  const std::size_t remainder = data.size() % 3;

  Text out;
  out.resize((fullGroups + (remainder ? 1 : 0)) * 4);
  char* o = out.data();
  for (std::size_t g = 0; g < fullGroups; ++g, in += 3, o += 4)
    encodeGroup(std::uint32_t{in[0]} << 16 | std::uint32_t{in[1]} << 8 | in[2], o);

  // The last one or two bytes are completed with zero bits, then the
  // characters that stand for those missing bytes become "=".
  if (remainder != 0) {
    const std::uint32_t second = remainder == 2 ? in[1] : 0;
    encodeGroup(std::uint32_t{in[0]} << 16 | second << 8, o);
    o[3] = '=';
    if (remainder == 1) o[2] = '=';
  }
  return out;
}

}  // namespace velmora
