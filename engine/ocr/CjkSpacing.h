#pragma once
// Tesseract separates every Chinese character from the next with a space;
// Chinese text has none. This puts the text back together.
#include <string>
#include <string_view>

namespace velmora::engine {

// True for the scripts written without spaces between characters: CJK
// ideographs, kana, CJK punctuation and full-width forms.
bool isCjk(char32_t codePoint);

// The UTF-8 line with every run of spaces between two CJK characters removed:
// "你 好 world" reads "你好 world". Bytes that are not UTF-8 pass unchanged.
std::string removeSpacesBetweenCjk(std::string_view line);

}  // namespace velmora::engine
