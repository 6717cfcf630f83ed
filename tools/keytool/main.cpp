// velmora-keytool: prepares the service keys of config.ini. The program only
// accepts keys in their stored (scrambled) form; this tool makes that form
// from the plain keys, which it reads from standard input so that they never
// appear in a command line or the shell history.
//
//   velmora-keytool write CONFIG.INI   API key, then secret key, one per line
//   velmora-keytool print              stored form of every key line read
//   velmora-keytool host CONFIG.INI [URL]  the service's address ("Host"); without
//                                          URL the cloud service's own address
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "app/config/ConfigFile.h"
#include "app/config/KeyScramble.h"

namespace {

using velmora::ConfigFile;

constexpr const char* kUsage =
    "usage: velmora-keytool write CONFIG.INI   read the API key and the secret key from standard input\n"
    "                                          (one per line) and store both in CONFIG.INI\n"
    "       velmora-keytool print              print the stored form of each key line read\n"
    "       velmora-keytool host CONFIG.INI [URL]\n"
    "                                          store URL as the service's address in CONFIG.INI\n"
    "                                          (e.g. http://127.0.0.1:8711 for the offline engine);\n"
    "                                          without URL the cloud service is used again\n";

// Turns terminal echo off while a key is typed, and back on afterwards.
class HiddenInput {
 public:
  HiddenInput() : active_(::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!active_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~HiddenInput() {
    if (!active_) return;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    std::cerr << '\n';
  }
  HiddenInput(const HiddenInput&) = delete;
  HiddenInput& operator=(const HiddenInput&) = delete;

 private:
  termios saved_{};
  bool active_;
};

std::string trimmed(const std::string& line) {
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

// A key is printable ASCII: that is what the service issues, and it keeps
// the stored form free of zero bytes and line breaks.
bool isUsableKey(const std::string& key) {
  if (key.empty()) return false;
  for (const unsigned char c : key) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// Reads one key line; nothing at the end of input.
std::optional<std::string> readKey(const char* prompt) {
  if (::isatty(STDIN_FILENO) == 1) std::cerr << prompt << std::flush;
  const HiddenInput hidden;
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  return trimmed(line);
}

int writeKeys(const char* configPath) {
  const auto apiKey = readKey("API Key: ");
  const auto secretKey = readKey("Secret Key: ");
  if (!apiKey || !secretKey) {
    std::cerr << "velmora-keytool: expected two lines: the API key, then the secret key\n";
    return 2;
  }
  for (const auto* key : {&*apiKey, &*secretKey}) {
    if (!isUsableKey(*key)) {
      std::cerr << "velmora-keytool: a key must be non-empty printable ASCII\n";
      return 2;
    }
  }
  const ConfigFile config(configPath);
  const bool written = config.setValue(ConfigFile::kApiKey, velmora::scrambleKey(*apiKey, velmora::kKeyPassPhrase)) &&
                       config.setValue(ConfigFile::kSecretKey, velmora::scrambleKey(*secretKey, velmora::kKeyPassPhrase));
  if (!written) {
    std::cerr << "velmora-keytool: cannot write " << configPath << " (read-only, or the folder is not writable)\n";
    return 1;
  }
  std::cerr << "velmora-keytool: both keys stored in " << configPath << '\n';
  return 0;
}

int printStoredForms() {
  std::string line;
  int status = 0;
  while (std::getline(std::cin, line)) {
    const std::string key = trimmed(line);
    if (key.empty()) continue;
    if (!isUsableKey(key)) {
      std::cerr << "velmora-keytool: skipped a line that is not printable ASCII\n";
      status = 2;
      continue;
    }
    std::cout << velmora::scrambleKey(key, velmora::kKeyPassPhrase) << '\n';
  }
  return status;
}

// An address is one line of printable ASCII starting with http:// or https://.
bool isUsableAddress(const std::string& url) {
  return (url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0) && isUsableKey(url);
}

int writeHost(const char* configPath, const std::string& url) {
  if (!url.empty() && !isUsableAddress(url)) {
    std::cerr << "velmora-keytool: the address must start with http:// or https:// (got \"" << url << "\")\n";
    return 2;
  }
  if (!ConfigFile(configPath).setValue(ConfigFile::kHost, url)) {
    std::cerr << "velmora-keytool: cannot write " << configPath << " (read-only, or the folder is not writable)\n";
    return 1;
  }
  if (url.empty()) std::cerr << "velmora-keytool: " << configPath << " now uses the cloud service\n";
  else std::cerr << "velmora-keytool: " << configPath << " now uses the service at " << url << '\n';
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && std::strcmp(argv[1], "write") == 0) return writeKeys(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "print") == 0) return printStoredForms();
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "host") == 0) return writeHost(argv[2], argc == 4 ? argv[3] : "");
  std::cerr << kUsage;
  return 2;
}
