#pragma once
// Reading the access token out of the service's OAuth reply.
#include <string_view>

#include "text/Text.h"

namespace velmora {

// The text between the first occurrence of left and the first occurrence of
// right after it; empty text when either is missing. Case-sensitive.
Text cutBetween(std::string_view text, std::string_view left, std::string_view right);

// The access token of a token reply: the value of the "access_token" member,
// written as the service writes it, without blanks and followed by further
// members ("access_token":"TOKEN","...). Empty text when the reply has no
// token in that form or the token is empty.
Text accessTokenOf(std::string_view reply);

}  // namespace velmora
