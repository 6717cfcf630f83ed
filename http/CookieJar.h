#pragma once
// Cookies kept as one text, and the cookies a reply sets.
//
// The jar text is "; " followed by one entry per cookie, each made of the
// name, "=", the value and "; ": "; a=1; b=2; ". The empty jar is "; ".
// Names are compared byte for byte.
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace velmora {

// The Set-Cookie items of a reply header block, in order: for every header
// line "Set-Cookie:" (any letter case), the text after the colon through the
// first ";", blanks removed at the start. An item whose line has no ";" runs
// to the line end and gets a ";" appended, so that it never swallows the
// following lines.
std::vector<Text> setCookieItems(std::string_view rawHeaders);

// True when the item ends in "=deleted;", "=DELETED;" or "=Deleted;".
bool isDeletion(std::string_view item);

// "a=1; b=2": the items that are not deletions, joined by a blank.
Text responseCookieList(std::string_view rawHeaders);

// The value of the cookie name set by a reply, "" when it sets none.
Text responseCookieValue(std::string_view rawHeaders, std::string_view name);

class CookieJar {
 public:
  const Text& text() const { return text_; }

  // Stores one Set-Cookie item: replaces the entry of the same name in place,
  // appends a new one, or removes the entry when the item is a deletion.
  // True when the jar changed.
  bool store(std::string_view item);

  // Replaces the whole jar with text, put into the jar form.
  void assign(std::string_view text);
  // The entries without the jar's leading and trailing "; ": "a=1; b=2".
  Text content() const;
  // The value of the cookie name ("" when absent), or "name=value" when
  // withName is set.
  Text cookie(std::string_view name, bool withName) const;
  // name=value pieces separated by ";" replace or join the entries. True when
  // anything changed.
  bool merge(std::string_view cookies);
  // Removes the cookies named in a ";"-separated list (a piece "b=1" names b).
  // True when any entry went.
  bool remove(std::string_view names);

 private:
  // Replaces the bytes of the entry found at key position p, from its name up
  // to (not including) the "; " that ends it, with replacement; false when no
  // "; " ends it.
  bool replaceEntry(std::size_t keyPos, std::size_t keyLength, std::string_view replacement);

  Text text_ = "; ";
};

}  // namespace velmora
