#pragma once
// Splitting an absolute http/https URL into the parts a request needs.
#include <optional>
#include <string_view>

#include "text/Text.h"

namespace velmora {

enum class UrlScheme { http = 1, https = 2 };

struct UrlParts {
  UrlScheme scheme = UrlScheme::http;
  Text host;   // as written in the URL; an IPv6 literal keeps its brackets
  int port = 80;
  Text path;   // from the first "/" after the authority; may be empty
  Text extra;  // the query (and fragment), starting with "?" or "#"; may be empty
};

// Parses "scheme://[user[:password]@]host[:port][/path][?query][#fragment]".
// Only http and https (any letter case) are accepted. Nothing is returned for
// a missing or malformed host, a port that is not 1..65535, or bytes that
// cannot appear in a URL (controls and blanks).
std::optional<UrlParts> parseUrl(std::string_view url);

// The request target for the wire: path and query as UTF-8, with bytes that
// may not appear raw in a request line percent-encoded. A fragment is never
// sent. An empty path becomes "/".
std::string wireTarget(std::string_view path, std::string_view extra);

}  // namespace velmora
