#include "app/config/ConfigFile.h"

#include "app/config/ProfileFile.h"

namespace velmora {

std::filesystem::path ConfigFile::besideExecutable() {
  std::error_code ec;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
  const auto folder = ec ? std::filesystem::current_path(ec) : executable.parent_path();
  return folder / "config.ini";
}

Text ConfigFile::value(std::string_view key) const { return readProfileString(path_, kSection, key); }

bool ConfigFile::setValue(std::string_view key, std::string_view value) const {
  return writeProfileString(path_, kSection, key, value);
}

}  // namespace velmora
