#pragma once
// The headers a request carries, edited by blocks of "Name:value" lines under
// the add, replace, add-if-new, coalesce and remove rules the client relies on.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace velmora {

// Flags of RequestHeaders::apply. They combine like their WinHTTP namesakes.
namespace headerFlag {
inline constexpr std::uint32_t coalesceWithSemicolon = 0x01000000;
inline constexpr std::uint32_t addIfNew = 0x10000000;
inline constexpr std::uint32_t add = 0x20000000;
inline constexpr std::uint32_t coalesceWithComma = 0x40000000;
inline constexpr std::uint32_t replace = 0x80000000;
}  // namespace headerFlag

struct Header {
  Text name;
  Text value;
};

class RequestHeaders {
 public:
  // Applies every line of block (lines separated by CR, LF or both; empty
  // lines skipped):
  // - replace: the first header of that name takes the value, further ones go;
  //   an empty value removes them all; a missing header is added only with
  //   add as well, otherwise the line fails;
  // - addIfNew: fails when the header exists;
  // - a coalesce flag: appends ", value" or "; value" to an existing header;
  // - otherwise (add, or no flag): one more header line.
  // A line without a colon or with an empty or malformed name fails. The
  // result is true when every line was applied; the other lines still apply.
  bool apply(std::string_view block, std::uint32_t flags);

  const std::vector<Header>& all() const { return headers_; }
  // The value of the first header called name, or nullptr.
  const Text* find(std::string_view name) const;

 private:
  bool applyLine(std::string_view name, std::string_view value, std::uint32_t flags);
  std::vector<Header> headers_;
};

}  // namespace velmora
