#include "http/RequestHeaders.h"

#include <algorithm>

#include "http/HeaderText.h"

namespace velmora {

namespace {

bool isTokenByte(unsigned char c) {
  return c > 0x20 && c < 0x7F && std::string_view("()<>@,;:\\\"/[]?={}").find(static_cast<char>(c)) ==
                                     std::string_view::npos;
}

bool isValidName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return isTokenByte(static_cast<unsigned char>(c));
  });
}

}  // namespace

bool RequestHeaders::apply(std::string_view block, std::uint32_t flags) {
  bool allApplied = true;
  while (!block.empty()) {
    const auto end = std::min(block.find_first_of("\r\n"), block.size());
    const std::string_view line = block.substr(0, end);
    block.remove_prefix(std::min(end + 1, block.size()));
    if (line.empty()) continue;
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
      allApplied = false;
      continue;
    }
    const std::string_view name = trim(line.substr(0, colon));
    const std::string_view value = trim(line.substr(colon + 1));
    if (!isValidName(name) || !applyLine(name, value, flags)) allApplied = false;
  }
  return allApplied;
}

bool RequestHeaders::applyLine(std::string_view name, std::string_view value, std::uint32_t flags) {
  const auto sameName = [name](const Header& h) { return equalsNoCase(h.name, name); };
  const auto existing = std::find_if(headers_.begin(), headers_.end(), sameName);
  const bool exists = existing != headers_.end();

  if (flags & headerFlag::replace) {
    if (exists && value.empty()) {
      std::erase_if(headers_, sameName);
      return true;
    }
    if (exists) {
      existing->value = Text(value);
      headers_.erase(std::remove_if(existing + 1, headers_.end(), sameName), headers_.end());
      return true;
    }
    if (!(flags & headerFlag::add)) return false;
    if (value.empty()) return true;  // nothing to remove, nothing to add
  } else if ((flags & headerFlag::addIfNew) && exists) {
    return false;
  } else if ((flags & (headerFlag::coalesceWithComma | headerFlag::coalesceWithSemicolon)) && exists) {
    existing->value += (flags & headerFlag::coalesceWithComma) ? ", " : "; ";
    existing->value += value;
    return true;
  }
  headers_.push_back({Text(name), Text(value)});
  return true;
}

const Text* RequestHeaders::find(std::string_view name) const {
  const auto it = std::find_if(headers_.begin(), headers_.end(),
                               [name](const Header& h) { return equalsNoCase(h.name, name); });
  return it == headers_.end() ? nullptr : &it->value;
}

}  // namespace velmora
