#pragma once
// The cookie store of cookie mode 2: cookies kept by URL, shared by every
// HttpClient given the same store. A cookie belongs to the host of the URL it
// was stored under and to that URL's folder; fetching for a URL yields the
// cookies of its host whose folder holds the URL's path.
#include <mutex>
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace velmora {

class CookieStore {
 public:
  // Stores the cookie name with value data for url; empty data removes the
  // cookie. False when the URL cannot be parsed or the name is empty.
  bool set(std::string_view url, std::string_view name, std::string_view data);

  // "a=1; b=2": the cookies for url, the most specific folder first, then in
  // the order they were first stored; "" when there are none.
  Text get(std::string_view url) const;

 private:
  struct Cookie {
    Text host;  // lower case
    Text path;  // folder, ending in "/"
    Text name;
    Text value;
  };

  mutable std::mutex mutex_;
  std::vector<Cookie> cookies_;
};

}  // namespace velmora
