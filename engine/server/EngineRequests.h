#pragma once
// The offline engine's answers to the vision service's requests, in the
// service's reply form: the token for the engine's own key pair, face match,
// face search and face registration over the local face pipeline and face
// set, and general text recognition. Plates are not read by the engine: that
// endpoint answers with an error the program shows as it is.
//
// Every request is answered: bad input gets the service's error form (a body
// that is not JSON, a missing member, a picture that cannot be decoded, a
// picture without a face, an unknown group). One object serves all of the
// server's threads at once.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "engine/contract/Json.h"
#include "engine/contract/ServiceContract.h"
#include "engine/face/FaceEmbedder.h"
#include "engine/ocr/TextReader.h"
#include "engine/server/EngineKeys.h"
#include "engine/store/FaceSet.h"

namespace velmora::engine {

struct EngineReply {
  int status = 200;
  std::string body;  // JSON, UTF-8
};

// The error_code the plate endpoint answers with ("no permission": the
// service's code for a service the account may not use).
inline constexpr long long kPlatesUnavailableCode = 6;
inline constexpr const char* kPlatesUnavailableMessage =
    "离线引擎不识别车牌：车牌识别请改用云端服务";

class EngineRequests {
 public:
  EngineRequests(EngineKeys keys, FaceEmbedder& faces, FaceSet& faceSet, TextReader& textReader);

  // The reply to a request for path with the raw query (without "?") and body.
  EngineReply answer(std::string_view path, std::string_view query, std::string_view body) const;

 private:
  using FaceOrError = std::variant<FaceResult, contract::ServiceError>;

  EngineReply token(std::string_view query) const;
  EngineReply match(const contract::Json& body) const;
  EngineReply search(const contract::Json& body) const;
  EngineReply userAdd(const contract::Json& body) const;
  EngineReply generalText(std::string_view body) const;

  // The largest face of the picture in an image object, or the error to answer.
  FaceOrError faceOf(const contract::Json& imageObject) const;

  EngineKeys keys_;
  FaceEmbedder& faces_;
  FaceSet& faceSet_;
  TextReader& textReader_;
};

}  // namespace velmora::engine
