#pragma once
// The outcome of the last checked face reply.
#include <array>
#include <cstdint>
#include <string_view>

#include "text/Text.h"

namespace velmora {

struct ServiceStatus {
  std::int32_t success = 0;  // 1 when the last checked reply had error code 0
  Text errorCode;            // "error_code" of the last failed reply, as JSON text
  Text description;          // the system's own description of errorCode, or empty
  Text message;              // "error_msg" of the last failed reply
};

// The error codes the system describes itself, with their descriptions
// (UTF-8 here; describeErrorCode hands them out as GBK text).
struct ErrorDescription {
  std::string_view code;
  std::string_view utf8Description;
};

inline constexpr std::array<ErrorDescription, 5> kErrorDescriptions{{
    {"222001", "必要参数未传入"},
    {"223105", "该人脸已存在"},
    {"223106", "该人脸已存在"},
    {"223114", "脸部不清晰"},
    {"222202", "未检测到人脸"},
}};

// The description of an error code (exact byte comparison), as GBK text;
// empty text for a code the system does not know.
Text describeErrorCode(std::string_view errorCode);

}  // namespace velmora
