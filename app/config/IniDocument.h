#pragma once
// An INI file held in memory, read and changed with the rules of the Windows
// profile functions: section and key names compare case-insensitively (ASCII),
// blanks around names and values are ignored, the first section of a name and
// the first key of a name in it are the ones that count, and a change touches
// only the bytes it has to, so every other line of the file survives a write.
#include <optional>
#include <string>
#include <string_view>

#include "text/Text.h"

namespace velmora {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string content) : content_(std::move(content)) {}

  // The value of key in section; nothing when the section or key is missing.
  std::optional<Text> value(std::string_view section, std::string_view key) const;

  // Sets key in section, adding the key at the end of the section, or the
  // section at the end of the document, when missing. Refuses (false) empty
  // names and names or values holding a line break, which would corrupt the
  // file; a name holding "=" or "]" would not read back, so it is refused too.
  bool setValue(std::string_view section, std::string_view key, std::string_view value);

  const std::string& content() const { return content_; }

 private:
  std::string_view lineEnding() const;
  std::string content_;
};

}  // namespace velmora
