#include "vision/ServiceEndpoints.h"

#include "vision/UrlEncode.h"

namespace velmora {

ServiceEndpoints::ServiceEndpoints(std::string_view host) : host_(host) {
  while (!host_.empty() && (host_.back() == '/' || host_.back() == ' ')) host_.pop_back();
  while (!host_.empty() && host_.front() == ' ') host_.erase(0, 1);
  if (host_.empty()) host_ = kDefaultServiceHost;
}

Text ServiceEndpoints::url(std::string_view path) const {
  Text out = host_;
  out += path;
  return out;
}

Text ServiceEndpoints::tokenUrl(std::string_view apiKey, std::string_view secretKey) const {
  return url(kTokenPath) + "?grant_type=client_credentials&client_id=" + urlEncode(apiKey, true, true) +
         "&client_secret=" + urlEncode(secretKey, true, true);
}

Text ServiceEndpoints::withToken(std::string_view path, std::string_view accessToken) const {
  Text out = url(path);
  out += "?access_token=";
  out += accessToken;
  return out;
}

}  // namespace velmora
