#pragma once
// The addresses of the vision service: one host (scheme, host name and an
// optional port) and the fixed path of each endpoint below it.
#include <string_view>

#include "text/Text.h"

namespace velmora {

inline constexpr std::string_view kDefaultServiceHost = "https://aip.baidubce.com";

inline constexpr std::string_view kTokenPath = "/oauth/2.0/token";
inline constexpr std::string_view kMatchPath = "/rest/2.0/face/v3/match";
inline constexpr std::string_view kSearchPath = "/rest/2.0/face/v3/search";
inline constexpr std::string_view kUserAddPath = "/rest/2.0/face/v3/faceset/user/add";
inline constexpr std::string_view kGeneralTextPath = "/rest/2.0/ocr/v1/general_basic";
inline constexpr std::string_view kPlatePath = "/rest/2.0/ocr/v1/license_plate";

class ServiceEndpoints {
 public:
  // host as configured ("Host" of config.ini); empty text means the real
  // service's host, and trailing slashes are dropped so that the paths join.
  explicit ServiceEndpoints(std::string_view host = kDefaultServiceHost);

  const Text& host() const { return host_; }

  // host + path, without query.
  Text url(std::string_view path) const;

  // The OAuth token request. The keys are percent-encoded as UTF-8, so that
  // a key holding "&", "=" or "#" cannot cut the query.
  Text tokenUrl(std::string_view apiKey, std::string_view secretKey) const;

  // host + path + "?access_token=" + token, the token as it stands.
  Text withToken(std::string_view path, std::string_view accessToken) const;

  // Full URLs of the two text-recognition endpoints, as the text recognition
  // request takes them.
  Text generalTextUrl() const { return url(kGeneralTextPath); }
  Text plateUrl() const { return url(kPlatePath); }

 private:
  Text host_;
};

}  // namespace velmora
