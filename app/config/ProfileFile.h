#pragma once
// Reading and writing one setting of an INI file on disk. There is no cache:
// every read opens the file anew and every write goes to the file at once.
#include <filesystem>
#include <string_view>

#include "text/Text.h"

namespace velmora {

// The value, or empty text when the file, the section or the key is missing,
// or the file cannot be read.
Text readProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key);

// Writes the value, creating the file and the section when missing, and keeps
// every other byte of the file. False when the value could not be kept: the
// file or its folder is not writable, the file is too large to be a settings
// file, or the name or value is refused (see IniDocument::setValue). The file
// is replaced in one step, so a failed write never leaves half a file.
bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace velmora
