#pragma once
// The request bodies of the vision service: the JSON bodies of the face
// requests and the form body of text recognition.
//
// The JSON bodies are laid out as the service has always received them: CR LF
// between lines (none after the last), four blanks of indentation per level,
// a blank after each colon, the members in a fixed order. Every value is
// written as a JSON string: the caller's texts are escaped, so a double quote
// or a backslash in a user id or user information stays inside its member.
// Texts are GBK; a GBK character is never split by the escaping.
#include <string_view>

#include "text/Text.h"

namespace velmora {

// Match: an array of two image objects, the first picture's Base64 text in
// the first, the second's in the second.
Text matchBody(std::string_view image1Base64, std::string_view image2Base64);

// Search: one image object with "group_id_list" (one group id, or several
// joined by commas).
Text searchBody(std::string_view imageBase64, std::string_view groupIdList);

// User add: one image object with "group_id", "user_id" and "user_info".
Text userAddBody(std::string_view imageBase64, std::string_view userId, std::string_view groupId,
                 std::string_view userInfo);

// Text recognition: "image=" followed by the percent-encoding of the
// picture's Base64 text, every byte escaped.
Text textRecognitionBody(std::string_view picture);

// value as the inside of a JSON string: " and \ and control characters
// escaped, GBK double-byte characters copied whole.
Text escapeJsonString(std::string_view value);

}  // namespace velmora
