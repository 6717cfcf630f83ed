#pragma once
// config.ini, the program's only settings file: section "config" with the
// similarity threshold and the two stored service keys.
#include <filesystem>
#include <string_view>

#include "text/Text.h"

namespace velmora {

class ConfigFile {
 public:
  static constexpr std::string_view kSection = "config";
  static constexpr std::string_view kThreshold = "yuzhi";
  static constexpr std::string_view kApiKey = "APIKey";
  static constexpr std::string_view kSecretKey = "SecretKey";
  static constexpr std::string_view kHost = "Host";

  explicit ConfigFile(std::filesystem::path path) : path_(std::move(path)) {}

  // config.ini in the folder that holds the running executable.
  static std::filesystem::path besideExecutable();

  const std::filesystem::path& path() const { return path_; }

  // A value of section "config"; empty text when missing. Read anew each time.
  Text value(std::string_view key) const;
  // Writes a value of section "config" at once; false when it was not kept.
  bool setValue(std::string_view key, std::string_view value) const;

 private:
  std::filesystem::path path_;
};

}  // namespace velmora
