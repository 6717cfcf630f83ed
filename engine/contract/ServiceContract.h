#pragma once
// The vision service's side of the contract, shared by every server that
// answers the program's requests (the test stand-in and the offline engine):
// the endpoints, the reply bodies in the service's form, and the decoding of
// the request pieces (query, form body, Base64 pictures, group lists).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::contract {

enum class Endpoint { Token, Match, Search, UserAdd, GeneralText, Plate, Other };

// The path of an endpoint ("/rest/2.0/face/v3/match"); empty for Other.
std::string_view pathOf(Endpoint endpoint);
Endpoint endpointOf(std::string_view path);

// Error codes and messages the service uses.
struct ServiceError {
  long long code;
  const char* message;
};
inline constexpr ServiceError kTokenInvalid{110, "Access token invalid or no longer valid"};
inline constexpr ServiceError kUnsupportedMethod{3, "Unsupported openapi method"};
inline constexpr ServiceError kBodyNotJson{222200, "request body should be json format"};
inline constexpr ServiceError kNoFace{222202, "pic not has face"};
inline constexpr ServiceError kImageCheckFailed{222203, "image check fail"};
inline constexpr ServiceError kUserNotFound{222207, "match user is not found"};
inline constexpr ServiceError kFaceAlreadyExists{223105, "face is already exist"};
inline constexpr ServiceError kAddFaceFailed{222300, "add face fail"};
inline constexpr ServiceError kOcrEmptyImage{216200, "empty image"};
inline constexpr ServiceError kOcrImageFormat{216201, "image format error"};
inline constexpr ServiceError kOcrImageSize{216202, "image size error"};
inline constexpr ServiceError kOcrRecognizeError{216630, "recognize error"};
// "param[<name>] is null": a required member is missing or empty.
std::string missingParameterMessage(std::string_view name);
inline constexpr long long kMissingParameter = 222001;

// A log id as the service gives one with every reply (from the clock, so no
// shared counter is needed), and the current time in seconds.
std::string logId();
std::string timestamp();
// A number as JSON text, up to 15 significant digits.
std::string numberText(double value);

// Face replies: {"error_code":0,"error_msg":"SUCCESS","log_id",...,"result":<resultJson>}
// and the error form with "result" null.
std::string faceSuccessBody(std::string_view resultJson);
std::string faceErrorBody(long long code, std::string_view message);
std::string faceErrorBody(const ServiceError& error);
// The short error form of the OCR endpoints (and of the token check):
// {"error_code":code,"error_msg":message,"log_id":...}.
std::string errorBody(long long code, std::string_view message);
std::string errorBody(const ServiceError& error);

// The OAuth token reply, with the access_token member followed by further
// members as the service writes it, and the OAuth error object.
std::string tokenBody(std::string_view accessToken);
std::string oauthErrorBody(std::string_view error, std::string_view description);

// Percent-decoding of a query or form value; "+" stands for a blank.
std::string percentDecode(std::string_view text);
// The decoded value of name in "a=1&b=2", or nothing when it is absent.
std::optional<std::string> formValue(std::string_view form, std::string_view name);
// Standard Base64 (padding optional, no line breaks); nothing when the text
// holds any other character or is cut in the middle of a byte.
std::optional<std::string> base64Decode(std::string_view text);
bool isBase64(std::string_view text);
// "zheng,w,b" -> {"zheng","w","b"}; blanks around names and empty names dropped.
std::vector<std::string> splitGroupList(std::string_view groups);

}  // namespace velmora::contract
