#include "vision/VisionClient.h"

#include <algorithm>

#include "text/Codepage.h"
#include "vision/Base64.h"
#include "vision/RequestBodies.h"
#include "vision/TokenReply.h"

namespace velmora {

namespace {

// GBK text as UTF-8. Bodies are mostly Base64, so plain ASCII, which is the
// same in both encodings and goes out untouched.
Text toServiceEncoding(const Text& body) {
  const bool ascii = std::all_of(body.begin(), body.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii ? body : gbkToUtf8(body);
}

}  // namespace

VisionClient::VisionClient(ApiKeySource keys, const Text& host) : keys_(std::move(keys)), endpoints_(host) {}

Text VisionClient::requestToken() {
  const ApiKeys keys = keys_ ? keys_() : ApiKeys{};
  transport_.open("GET", endpoints_.tokenUrl(keys.apiKey, keys.secretKey));
  transport_.send();
  const Text reply = transport_.responseText();
  Text token = accessTokenOf(reply);
  if (token.empty()) return reply;
  accessToken_ = std::move(token);
  return "1";
}

Text VisionClient::matchFaces(const Bytes& picture1, const Bytes& picture2) {
  return post(endpoints_.withToken(kMatchPath, accessToken_), "application/json",
              matchBody(base64Encode(picture1), base64Encode(picture2)));
}

Text VisionClient::searchFace(const Bytes& picture, const Text& groupIdList) {
  return post(endpoints_.withToken(kSearchPath, accessToken_), "application/json",
              searchBody(base64Encode(picture), groupIdList));
}

Text VisionClient::addUser(const Bytes& picture, const Text& userId, const Text& groupId, const Text& userInfo) {
  return post(endpoints_.withToken(kUserAddPath, accessToken_), "application/json",
              userAddBody(base64Encode(picture), userId, groupId, userInfo));
}

Text VisionClient::recognizeText(const Bytes& picture, const Text& url) {
  return post(url + "?access_token=" + accessToken_, {}, textRecognitionBody(picture));
}

Text VisionClient::post(const Text& url, const Text& contentType, const Text& body) {
  // Every open starts a new request, so no header of an earlier request
  // carries over; without a type of its own the request gets the form type.
  transport_.open("POST", url);
  if (!contentType.empty()) transport_.setContentType(contentType);
  transport_.send(toServiceEncoding(body));
  return transport_.responseText();
}

}  // namespace velmora
