#include "http/CookieJar.h"

#include "http/HeaderText.h"

namespace velmora {

namespace {

constexpr std::string_view kSetCookie = "Set-Cookie";
constexpr std::string_view kSeparator = "; ";

// Splits a ";"-separated list and calls use(piece) for every piece, blanks
// removed at its start.
template <typename Use>
void forEachPiece(std::string_view list, Use use) {
  while (true) {
    const auto semicolon = list.find(';');
    use(trimLeft(list.substr(0, semicolon)));
    if (semicolon == std::string_view::npos) return;
    list.remove_prefix(semicolon + 1);
  }
}

Text keyOf(std::string_view name) { return Text(kSeparator) + Text(name) + "="; }

}  // namespace

std::vector<Text> setCookieItems(std::string_view rawHeaders) {
  std::vector<Text> items;
  std::size_t from = 0;
  while (const auto start = findHeaderLine(rawHeaders, kSetCookie, from)) {
    const auto lineEnd = std::min(rawHeaders.find_first_of("\r\n", *start), rawHeaders.size());
    const auto semicolon = rawHeaders.find(';', *start);
    if (semicolon != std::string_view::npos && semicolon < lineEnd) {
      items.emplace_back(trimLeft(rawHeaders.substr(*start, semicolon + 1 - *start)));
    } else {
      items.emplace_back(Text(trimLeft(rawHeaders.substr(*start, lineEnd - *start))) + ";");
    }
    from = *start;
  }
  return items;
}

bool isDeletion(std::string_view item) {
  return item.ends_with("=deleted;") || item.ends_with("=DELETED;") || item.ends_with("=Deleted;");
}

Text responseCookieList(std::string_view rawHeaders) {
  Text list;
  for (const Text& item : setCookieItems(rawHeaders)) {
    if (isDeletion(item)) continue;
    list += item;
    list += ' ';
  }
  if (list.size() >= 2) list.resize(list.size() - 2);
  return list;
}

Text responseCookieValue(std::string_view rawHeaders, std::string_view name) {
  if (name.empty()) return {};
  for (const Text& item : setCookieItems(rawHeaders)) {
    if (item.size() > name.size() && equalsNoCase(std::string_view(item).substr(0, name.size()), name) &&
        item[name.size()] == '=') {
      const auto valueStart = name.size() + 1;
      return item.substr(valueStart, item.find(';', valueStart) - valueStart);
    }
  }
  return {};
}

bool CookieJar::store(std::string_view item) {
  const auto equals = item.find('=');
  if (equals == std::string_view::npos) return false;
  const Text key = Text(kSeparator) + Text(item.substr(0, equals + 1));
  const auto keyPos = text_.find(key);
  if (keyPos == Text::npos) {
    if (isDeletion(item)) return false;
    text_ += item;
    text_ += ' ';
    return true;
  }
  const auto entryEnd = text_.find(kSeparator, keyPos + key.size());
  if (entryEnd == Text::npos) return false;
  if (isDeletion(item)) {
    // From the blank before the name through the ";" that ends the entry.
    text_.erase(keyPos + 1, entryEnd - keyPos);
  } else {
    text_.replace(keyPos + 2, entryEnd + 1 - (keyPos + 2), item);
  }
  return true;
}

void CookieJar::assign(std::string_view text) {
  Text jar(text);
  if (!jar.starts_with(kSeparator)) jar.insert(0, kSeparator);
  if (!jar.ends_with(kSeparator)) {
    const char last = jar.back();
    if (last != ';') jar += ';';
    if (last != ' ') jar += ' ';
  }
  text_ = std::move(jar);
}

Text CookieJar::content() const { return text_.size() <= 4 ? Text() : text_.substr(2, text_.size() - 4); }

Text CookieJar::cookie(std::string_view name, bool withName) const {
  if (name.empty()) return {};
  const Text key = keyOf(name);
  const auto keyPos = text_.find(key);
  if (keyPos == Text::npos) return {};
  const auto valueStart = keyPos + key.size();
  const auto valueEnd = text_.find(';', valueStart);
  if (valueEnd == Text::npos) return {};
  const Text value = text_.substr(valueStart, valueEnd - valueStart);
  return withName ? Text(name) + "=" + value : value;
}

bool CookieJar::replaceEntry(std::size_t keyPos, std::size_t keyLength, std::string_view replacement) {
  const auto entryEnd = text_.find(kSeparator, keyPos + keyLength);
  if (entryEnd == Text::npos) return false;
  text_.replace(keyPos + 2, entryEnd - (keyPos + 2), replacement);
  return true;
}

bool CookieJar::merge(std::string_view cookies) {
  bool changed = false;
  forEachPiece(cookies, [&](std::string_view piece) {
    const auto equals = piece.find('=');
    if (equals == std::string_view::npos) return;
    const Text key = keyOf(piece.substr(0, equals));
    const auto keyPos = text_.find(key);
    if (keyPos == Text::npos) {
      text_ += piece;
      text_ += kSeparator;
      changed = true;
    } else {
      changed = replaceEntry(keyPos, key.size(), piece) || changed;
    }
  });
  return changed;
}

bool CookieJar::remove(std::string_view names) {
  bool changed = false;
  forEachPiece(names, [&](std::string_view piece) {
    const std::string_view name = piece.substr(0, piece.find('='));
    if (name.empty()) return;
    const Text key = keyOf(name);
    const auto keyPos = text_.find(key);
    if (keyPos == Text::npos) return;
    const auto entryEnd = text_.find(kSeparator, keyPos + key.size());
    if (entryEnd == Text::npos) return;
    text_.erase(keyPos, entryEnd - keyPos);
    changed = true;
  });
  return changed;
}

}  // namespace velmora
