#include "http/CookieStore.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "http/Url.h"

namespace velmora {

namespace {

struct Place {
  Text host;
  Text path;
};

// The host (lower case) and the path of a URL; "/" for an empty path.
std::optional<Place> placeOf(std::string_view url) {
  const auto parts = parseUrl(url);
  if (!parts) return std::nullopt;
  Place place{parts->host, parts->path.empty() ? Text("/") : parts->path};
  std::transform(place.host.begin(), place.host.end(), place.host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return place;
}

// The folder of a path: everything through its last "/".
Text folderOf(const Text& path) { return path.substr(0, path.rfind('/') + 1); }

}  // namespace

bool CookieStore::set(std::string_view url, std::string_view name, std::string_view data) {
  const auto place = placeOf(url);
  if (!place || name.empty()) return false;
  const Text folder = folderOf(place->path);
  std::lock_guard lock(mutex_);
  const auto same = [&](const Cookie& c) { return c.host == place->host && c.path == folder && c.name == name; };
  const auto it = std::find_if(cookies_.begin(), cookies_.end(), same);
  if (data.empty()) {
    if (it != cookies_.end()) cookies_.erase(it);
  } else if (it != cookies_.end()) {
    it->value = Text(data);
  } else {
    cookies_.push_back({place->host, folder, Text(name), Text(data)});
  }
  return true;
}

Text CookieStore::get(std::string_view url) const {
  const auto place = placeOf(url);
  if (!place) return {};
  std::vector<const Cookie*> matching;
  {
    std::lock_guard lock(mutex_);
    for (const Cookie& cookie : cookies_) {
      if (cookie.host == place->host && place->path.starts_with(cookie.path)) matching.push_back(&cookie);
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const Cookie* a, const Cookie* b) { return a->path.size() > b->path.size(); });
    Text result;
    for (const Cookie* cookie : matching) {
      if (!result.empty()) result += "; ";
      result += cookie->name + "=" + cookie->value;
    }
    return result;
  }
}

}  // namespace velmora
