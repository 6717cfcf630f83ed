#include "engine/server/EngineKeys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace velmora::engine {

namespace {

std::string randomHex(std::random_device& source, int digits) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  while (static_cast<int>(text.size()) < digits) {
    unsigned value = source();
    for (int i = 0; i < 8 && static_cast<int>(text.size()) < digits; ++i, value >>= 4) text += kHex[value & 0xF];
  }
  return text;
}

std::string valueOf(const std::string& text, const std::string& name) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(name + "=", 0) == 0) return line.substr(name.size() + 1);
  }
  return {};
}

// Writes the keys to a new file only its owner can read; O_EXCL so that two
// engines starting at once cannot both write different keys.
bool writeKeys(const std::string& file, const EngineKeys& keys, std::string& error) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
  if (fd < 0) {
    if (errno == EEXIST) return true;  // another engine made them first: use those
    error = "cannot create " + file + ": " + std::strerror(errno);
    return false;
  }
  const std::string text =
      "api_key=" + keys.apiKey + "\nsecret_key=" + keys.secretKey + "\naccess_token=" + keys.accessToken + "\n";
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
  ::close(fd);
  if (!written) {
    ::unlink(file.c_str());
    error = "cannot write " + file;
  }
  return written;
}

}  // namespace

EngineKeys EngineKeys::generate() {
  std::random_device source;
  return {randomHex(source, 24), randomHex(source, 32),
          "24." + randomHex(source, 32) + ".2592000.1700000000.282335-velmora"};
}

std::optional<EngineKeys> EngineKeys::loadOrCreate(const std::string& file, std::string& error) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 && !writeKeys(file, generate(), error)) return std::nullopt;

  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read " + file;
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  EngineKeys keys{valueOf(text.str(), "api_key"), valueOf(text.str(), "secret_key"),
                  valueOf(text.str(), "access_token")};
  if (keys.apiKey.empty() || keys.secretKey.empty() || keys.accessToken.empty()) {
    error = file + " does not hold api_key, secret_key and access_token; remove it to make new keys";
    return std::nullopt;
  }
  return keys;
}

}  // namespace velmora::engine
