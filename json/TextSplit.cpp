#include "json/TextSplit.h"

#include "text/Codepage.h"

namespace velmora {

std::vector<Text> splitItems(const Text& text, const Text& separator) {
  std::vector<Text> items;
  if (text.empty()) return items;
  if (separator.empty()) {
    items.push_back(text);
    return items;
  }
  std::size_t pieceStart = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text.compare(pos, separator.size(), separator) == 0) {
      items.push_back(text.substr(pieceStart, pos - pieceStart));
      pos += separator.size();
      pieceStart = pos;
    } else {
      pos += gbkCharLength(text, pos);
    }
  }
  if (pieceStart < text.size()) items.push_back(text.substr(pieceStart));
  return items;
}

}  // namespace velmora
