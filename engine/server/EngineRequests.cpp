#include "engine/server/EngineRequests.h"

#include <cstdlib>
#include <span>

#include "engine/face/ScoreCalibration.h"

namespace velmora::engine {

namespace {

using contract::errorBody;
using contract::faceErrorBody;
using contract::faceSuccessBody;
using contract::formValue;
using contract::Json;
using contract::jsonQuote;
using contract::numberText;
using contract::ServiceError;

EngineReply faceFailure(const ServiceError& error) { return {200, faceErrorBody(error)}; }

EngineReply missing(std::string_view member) {
  return {200, faceErrorBody(contract::kMissingParameter, contract::missingParameterMessage(member))};
}

// How many users a search lists: "max_user_num" when the request gives a
// sensible one, else 1 as the service does.
std::size_t maxUsersOf(const Json& body) {
  const double wanted = body["max_user_num"].isNumber() ? body["max_user_num"].number()
                        : body["max_user_num"].isString() ? std::atof(body["max_user_num"].text().c_str())
                                                           : 1;
  return wanted >= 1 && wanted <= 50 ? static_cast<std::size_t>(wanted) : 1;
}

}  // namespace

EngineRequests::EngineRequests(EngineKeys keys, FaceEmbedder& faces, FaceSet& faceSet, TextReader& textReader)
    : keys_(std::move(keys)), faces_(faces), faceSet_(faceSet), textReader_(textReader) {}

EngineReply EngineRequests::answer(std::string_view path, std::string_view query, std::string_view body) const {
  using contract::Endpoint;
  const Endpoint endpoint = contract::endpointOf(path);
  if (endpoint == Endpoint::Other) return {200, errorBody(contract::kUnsupportedMethod)};
  if (endpoint == Endpoint::Token) return token(query);
  if (formValue(query, "access_token").value_or("") != keys_.accessToken)
    return {200, errorBody(contract::kTokenInvalid)};

  if (endpoint == Endpoint::GeneralText) return generalText(body);
  if (endpoint == Endpoint::Plate) return {200, errorBody(kPlatesUnavailableCode, kPlatesUnavailableMessage)};

  const std::optional<Json> request = Json::parse(body);
  if (!request) return faceFailure(contract::kBodyNotJson);
  switch (endpoint) {
    case Endpoint::Match: return match(*request);
    case Endpoint::Search: return search(*request);
    default: return userAdd(*request);
  }
}

EngineReply EngineRequests::token(std::string_view query) const {
  if (formValue(query, "grant_type").value_or("") != "client_credentials")
    return {400, contract::oauthErrorBody("unsupported_grant_type", "The authorization grant type is not supported")};
  if (formValue(query, "client_id").value_or("") != keys_.apiKey)
    return {401, contract::oauthErrorBody("invalid_client", "unknown client id")};
  if (formValue(query, "client_secret").value_or("") != keys_.secretKey)
    return {401, contract::oauthErrorBody("invalid_client", "Client authentication failed")};
  return {200, contract::tokenBody(keys_.accessToken)};
}

EngineRequests::FaceOrError EngineRequests::faceOf(const Json& imageObject) const {
  const Json& image = imageObject["image"];
  if (!image.isString() || image.text().empty()) return ServiceError{contract::kMissingParameter, "param[image] is null"};
  const std::optional<std::string> bytes = contract::base64Decode(image.text());
  if (!bytes) return contract::kImageCheckFailed;
  FaceResult face = faces_.embed(std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
  switch (face.status) {
    case FaceStatus::Ok: return face;
    case FaceStatus::NoFace: return contract::kNoFace;
    default: return contract::kImageCheckFailed;
  }
}

EngineReply EngineRequests::match(const Json& body) const {
  if (!body.isArray() || body.size() != 2) return missing("image");
  std::string faceList;
  std::optional<Embedding> first;
  double score = 0;
  for (std::size_t i = 0; i < 2; ++i) {
    FaceOrError face = faceOf(body[i]);
    if (const auto* error = std::get_if<ServiceError>(&face)) return faceFailure(*error);
    const FaceResult& found = std::get<FaceResult>(face);
    if (first) score = scoreFromDistance(embeddingDistance(*first, found.embedding));
    else first = found.embedding;
    faceList += std::string(i == 0 ? "" : ",") + "{\"face_token\":" + jsonQuote(found.faceToken) + "}";
  }
  return {200, faceSuccessBody("{\"score\":" + numberText(score) + ",\"face_list\":[" + faceList + "]}")};
}

EngineReply EngineRequests::search(const Json& body) const {
  const std::vector<std::string> groups = contract::splitGroupList(body["group_id_list"].text());
  if (groups.empty()) return missing("group_id_list");
  FaceOrError face = faceOf(body);
  if (const auto* error = std::get_if<ServiceError>(&face)) return faceFailure(*error);
  const FaceResult& probe = std::get<FaceResult>(face);

  const std::vector<FaceHit> hits = faceSet_.search(groups, probe.embedding, maxUsersOf(body));
  if (hits.empty()) return faceFailure(contract::kUserNotFound);
  std::string users;
  for (const FaceHit& hit : hits) {
    if (!users.empty()) users += ',';
    users += "{\"group_id\":" + jsonQuote(hit.groupId) + ",\"user_id\":" + jsonQuote(hit.userId) +
             ",\"user_info\":" + jsonQuote(hit.userInfo) + ",\"score\":" + numberText(scoreFromDistance(hit.distance)) +
             "}";
  }
  return {200, faceSuccessBody("{\"face_token\":" + jsonQuote(probe.faceToken) + ",\"user_list\":[" + users + "]}")};
}

EngineReply EngineRequests::userAdd(const Json& body) const {
  for (const char* required : {"group_id", "user_id"})
    if (!body[required].isString() || body[required].text().empty()) return missing(required);
  FaceOrError face = faceOf(body);
  if (const auto* error = std::get_if<ServiceError>(&face)) return faceFailure(*error);
  const FaceResult& found = std::get<FaceResult>(face);

  const AddResult added = faceSet_.add(body["group_id"].text(), body["user_id"].text(), body["user_info"].text(),
                                       found.faceToken, found.embedding);
  switch (added.status) {
    case AddStatus::Added: return {200, faceSuccessBody("{\"face_token\":" + jsonQuote(found.faceToken) + "}")};
    case AddStatus::AlreadyRegistered: return faceFailure(contract::kFaceAlreadyExists);
    default: return {200, faceErrorBody(contract::kAddFaceFailed.code, added.error)};
  }
}

EngineReply EngineRequests::generalText(std::string_view body) const {
  const std::optional<std::string> image = formValue(body, "image");
  if (!image || image->empty()) return {200, errorBody(contract::kOcrEmptyImage)};
  const std::optional<std::string> bytes = contract::base64Decode(*image);
  if (!bytes) return {200, errorBody(contract::kOcrImageFormat)};
  const TextReadResult reading = textReader_.read(*bytes);
  switch (reading.failure) {
    case TextReadFailure::None: break;
    case TextReadFailure::PictureTooLarge: return {200, errorBody(contract::kOcrImageSize)};
    case TextReadFailure::RecognitionFailed: return {200, errorBody(contract::kOcrRecognizeError)};
    default: return {200, errorBody(contract::kOcrImageFormat)};
  }

  std::string words;
  for (const std::string& line : reading.lines) {
    if (!words.empty()) words += ',';
    words += "{\"words\":" + jsonQuote(line) + "}";
  }
  return {200, "{\"words_result\":[" + words + "],\"words_result_num\":" + std::to_string(reading.lines.size()) +
                   ",\"log_id\":" + contract::logId() + "}"};
}

}  // namespace velmora::engine
