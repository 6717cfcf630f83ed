#pragma once
// VisionClient: the one object through which the system talks to the cloud
// vision service. It owns the HttpClient that carries every request and the
// OAuth access token that every request quotes.
//
// Every request operation takes and returns GBK text and returns the
// service's reply text unchanged (empty when the request failed at the
// transport level); none of them inspects the reply. Request bodies are built
// as GBK text and go out as UTF-8, the service's encoding.
#include <functional>

#include "http/HttpClient.h"
#include "text/Text.h"
#include "vision/ServiceEndpoints.h"

namespace velmora {

// The API key and secret key, as stored (descrambled) in config.ini.
struct ApiKeys {
  Text apiKey;
  Text secretKey;
};

// Reads the keys when a token is requested, so that changed keys take effect
// at the next request.
using ApiKeySource = std::function<ApiKeys()>;

class VisionClient {
 public:
  // host: scheme, host and optional port of the service ("Host" of
  // config.ini); empty means the real service.
  explicit VisionClient(ApiKeySource keys = {}, const Text& host = Text(kDefaultServiceHost));
  VisionClient(const VisionClient&) = delete;
  VisionClient& operator=(const VisionClient&) = delete;

  // Empty until requestToken succeeds; then the last token obtained.
  const Text& accessToken() const { return accessToken_; }
  const ServiceEndpoints& endpoints() const { return endpoints_; }
  HttpClient& transport() { return transport_; }

  // Asks the OAuth endpoint for a token with the keys read now. "1" when the
  // reply carried a non-empty token, which then replaces accessToken;
  // otherwise the reply text (empty when the request failed) and accessToken
  // stays as it was.
  Text requestToken();

  // Face match of two pictures (file bytes).
  Text matchFaces(const Bytes& picture1, const Bytes& picture2);
  // Face search in the groups of groupIdList ("zheng,w,b", "zheng", ...).
  Text searchFace(const Bytes& picture, const Text& groupIdList);
  // Registers the picture's face as userId in groupId with userInfo.
  Text addUser(const Bytes& picture, const Text& userId, const Text& groupId, const Text& userInfo);
  // Text or plate recognition: url is the endpoint's full URL without query
  // (endpoints().generalTextUrl() or plateUrl()).
  Text recognizeText(const Bytes& picture, const Text& url);

 private:
  // POSTs body (GBK, sent as UTF-8) to url; contentType empty leaves the
  // form type of the default headers.
  Text post(const Text& url, const Text& contentType, const Text& body);

  HttpClient transport_;
  Text accessToken_;
  ApiKeySource keys_;
  ServiceEndpoints endpoints_;
};

}  // namespace velmora
