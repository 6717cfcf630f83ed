#include "http/Url.h"

#include <algorithm>
#include <cctype>

#include "text/Codepage.h"

namespace velmora {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool isUrlByte(unsigned char c) { return c > 0x20 && c != 0x7F; }

bool isHostByte(unsigned char c) {
  return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c >= 0x80;
}

bool isIpv6Byte(unsigned char c) { return std::isxdigit(c) || c == ':' || c == '.'; }

std::optional<int> parsePort(std::string_view digits, int defaultPort) {
  if (digits.empty()) return defaultPort;
  if (digits.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

// Host and port from "host[:port]" or "[v6]:port".
bool parseAuthority(std::string_view authority, UrlParts& parts, int defaultPort) {
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string_view host;
  std::string_view rest;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos || close < 2) return false;
    host = authority.substr(0, close + 1);
    if (!std::all_of(host.begin() + 1, host.end() - 1,
                     [](char c) { return isIpv6Byte(static_cast<unsigned char>(c)); })) {
      return false;
    }
    rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return false;
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view{} : authority.substr(colon);
    if (host.empty() ||
        !std::all_of(host.begin(), host.end(),
                     [](char c) { return isHostByte(static_cast<unsigned char>(c)); })) {
      return false;
    }
  }
  const auto port = parsePort(rest.empty() ? rest : rest.substr(1), defaultPort);
  if (!port) return false;
  parts.host = Text(host);
  parts.port = *port;
  return true;
}

}  // namespace

std::optional<UrlParts> parseUrl(std::string_view url) {
  UrlParts parts;
  std::size_t schemeEnd = 0;
  if (startsWithNoCase(url, "https://")) {
    parts.scheme = UrlScheme::https;
    schemeEnd = 8;
  } else if (startsWithNoCase(url, "http://")) {
    parts.scheme = UrlScheme::http;
    schemeEnd = 7;
  } else {
    return std::nullopt;
  }
  if (!std::all_of(url.begin(), url.end(),
                   [](char c) { return isUrlByte(static_cast<unsigned char>(c)); })) {
    return std::nullopt;
  }
  const std::string_view afterScheme = url.substr(schemeEnd);
  const auto authorityEnd = std::min(afterScheme.find_first_of("/?#"), afterScheme.size());
  const int defaultPort = parts.scheme == UrlScheme::https ? 443 : 80;
  if (!parseAuthority(afterScheme.substr(0, authorityEnd), parts, defaultPort)) return std::nullopt;

  const std::string_view tail = afterScheme.substr(authorityEnd);
  const auto extraStart = std::min(tail.find_first_of("?#"), tail.size());
  parts.path = Text(tail.substr(0, extraStart));
  parts.extra = Text(tail.substr(extraStart));
  return parts;
}

std::string wireTarget(std::string_view path, std::string_view extra) {
  std::string target = gbkToUtf8(path);
  target += gbkToUtf8(extra.substr(0, std::min(extra.find('#'), extra.size())));
  if (target.empty() || target.front() != '/') target.insert(target.begin(), '/');
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(target.size());
  for (const char ch : target) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F) {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0x0F];
    } else {
      encoded += ch;
    }
  }
  return encoded;
}

}  // namespace velmora
