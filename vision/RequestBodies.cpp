#include "vision/RequestBodies.h"

#include <cstdio>
#include <initializer_list>

#include "text/Codepage.h"
#include "vision/Base64.h"
#include "vision/UrlEncode.h"

namespace velmora {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kIndent = "    ";

struct Member {
  std::string_view name;
  std::string_view value;
};

// value escaped as the inside of a JSON string, appended to out.
void appendJsonEscaped(Text& out, std::string_view value) {
  const auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; };
  std::size_t i = 0;
  while (i < value.size()) {
    // Copy the run of bytes that need no escape in one go (a Base64 picture
    // is one such run).
    std::size_t run = i;
    while (run < value.size() && plain(static_cast<unsigned char>(value[run]))) ++run;
    out.append(value.substr(i, run - i));
    i = run;
    if (i == value.size()) break;

    if (gbkCharLength(value, i) == 2) {
      out.append(value.substr(i, 2));
      i += 2;
      continue;
    }
    const auto c = static_cast<unsigned char>(value[i++]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);  // a lone byte of 0x80 or above
        }
    }
  }
}

// One object: its braces at indentation level `level`, its members one level
// deeper, a comma after every member but the last. No line end after the
// closing brace: the caller decides what follows it.
void appendObject(Text& out, int level, std::initializer_list<Member> members) {
  const auto indent = [&out](int n) {
    for (int i = 0; i < n; ++i) out += kIndent;
  };
  indent(level);
  out += '{';
  out += kLineEnd;
  std::size_t written = 0;
  for (const Member& m : members) {
    indent(level + 1);
    out += '"';
    out += m.name;
    out += "\": \"";
    appendJsonEscaped(out, m.value);
    out += '"';
    if (++written < members.size()) out += ',';
    out += kLineEnd;
  }
  indent(level);
  out += '}';
}

void appendMatchImage(Text& out, std::string_view imageBase64) {
  appendObject(out, 1,
               {{"image", imageBase64},
                {"image_type", "BASE64"},
                {"face_type", "LIVE"},
                {"quality_control", "LOW"},
                {"liveness_control", "NONE"}});
}

}  // namespace

Text escapeJsonString(std::string_view value) {
  Text out;
  out.reserve(value.size());
  appendJsonEscaped(out, value);
  return out;
}

Text matchBody(std::string_view image1Base64, std::string_view image2Base64) {
  Text out;
  out.reserve(image1Base64.size() + image2Base64.size() + 512);
  out += '[';
  out += kLineEnd;
  appendMatchImage(out, image1Base64);
  out += ',';
  out += kLineEnd;
  appendMatchImage(out, image2Base64);
  out += kLineEnd;
  out += ']';
  return out;
}

Text searchBody(std::string_view imageBase64, std::string_view groupIdList) {
  Text out;
  out.reserve(imageBase64.size() + groupIdList.size() + 256);
  appendObject(out, 0,
               {{"image", imageBase64},
                {"image_type", "BASE64"},
                {"group_id_list", groupIdList},
                {"face_type", "LIVE"},
                {"quality_control", "LOW"},
                {"liveness_control", "NONE"}});
  return out;
}

Text userAddBody(std::string_view imageBase64, std::string_view userId, std::string_view groupId,
                 std::string_view userInfo) {
  Text out;
  out.reserve(imageBase64.size() + userId.size() + groupId.size() + userInfo.size() + 256);
  appendObject(out, 0,
               {{"image", imageBase64},
                {"image_type", "BASE64"},
                {"group_id", groupId},
                {"user_id", userId},
                {"user_info", userInfo},
                {"quality_control", "LOW"},
                {"liveness_control", "NONE"}});
  return out;
}

Text textRecognitionBody(std::string_view picture) {
  return "image=" + urlEncode(base64Encode(picture));
}

}  // namespace velmora
