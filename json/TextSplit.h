#pragma once
// Splitting of texts that the JSON document reads out of its engine.
#include <vector>

#include "text/Text.h"

namespace velmora {

// Cuts GBK text at every occurrence of separator, scanning characters whole
// (a separator is never found across the two bytes of one character). Every
// piece before a separator is an item, empty ones included; the piece after
// the last separator is an item only when it is not empty. Empty text (or an
// empty separator with empty text) gives no items; an empty separator gives
// the whole text as one item.
std::vector<Text> splitItems(const Text& text, const Text& separator);

}  // namespace velmora
