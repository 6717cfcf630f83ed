#include "http/HeaderText.h"

#include <algorithm>
#include <cctype>

namespace velmora {

namespace {
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  const auto it = std::search(haystack.begin() + from, haystack.end(), needle.begin(), needle.end(),
                              [](char a, char b) { return lower(a) == lower(b); });
  return it == haystack.end() && !needle.empty() ? std::string_view::npos
                                                 : static_cast<std::size_t>(it - haystack.begin());
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::size_t> findHeaderLine(std::string_view block, std::string_view name,
                                          std::size_t from) {
  for (std::size_t pos = findNoCase(block, name, from); pos != std::string_view::npos;
       pos = findNoCase(block, name, pos + 1)) {
    const bool atLineStart = pos == 0 || block[pos - 1] == '\n';
    const std::size_t colon = pos + name.size();
    if (atLineStart && colon < block.size() && block[colon] == ':') return colon + 1;
  }
  return std::nullopt;
}

std::optional<Text> headerValue(std::string_view block, std::string_view name) {
  const auto start = findHeaderLine(block, name);
  if (!start) return std::nullopt;
  const auto end = std::min(block.find_first_of("\r\n", *start), block.size());
  return Text(trim(block.substr(*start, end - *start)));
}

std::string_view trimLeft(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view trim(std::string_view text) {
  text = trimLeft(text);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace velmora
