#include "app/config/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "app/config/IniDocument.h"

namespace velmora {
namespace {

// Settings files are a few hundred bytes; anything this large is not one,
// and is neither read nor rewritten.
constexpr std::uintmax_t kLargestSettingsFile = 16u * 1024u * 1024u;

enum class ReadOutcome { Read, Missing, Failed };

ReadOutcome readWhole(const std::filesystem::path& file, std::string& content) {
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  if (status.type() == std::filesystem::file_type::not_found) return ReadOutcome::Missing;
  if (ec || !std::filesystem::is_regular_file(status)) return ReadOutcome::Failed;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec || size > kLargestSettingsFile) return ReadOutcome::Failed;
  std::ifstream in(file, std::ios::binary);
  if (!in) return ReadOutcome::Failed;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return ReadOutcome::Failed;
  content = std::move(buffer).str();
  return ReadOutcome::Read;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Opens a new temporary file beside the target; the umask applies as for any
// new file. -1 when the folder is not writable.
int createTempBeside(const std::filesystem::path& target, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = target.string() + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(attempt);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes through a temporary file in the same folder and renames it over the
// target, keeping the target's permission bits. When the folder itself is
// not writable but the file is, the file is rewritten in place.
bool replaceFile(const std::filesystem::path& target, std::string_view bytes, std::optional<mode_t> mode) {
  std::string temp;
  const int fd = createTempBeside(target, temp);
  if (fd < 0) {
    if (!mode) return false;
    const int inPlace = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (inPlace < 0) return false;
    const bool written = writeAll(inPlace, bytes);
    return (::close(inPlace) == 0) && written;
  }
  bool ok = (!mode || ::fchmod(fd, *mode) == 0) && writeAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

Text readProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key) {
  std::string content;
  if (readWhole(file, content) != ReadOutcome::Read) return {};
  return IniDocument(std::move(content)).value(section, key).value_or(Text{});
}

bool writeProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  // Follow a link, so that the file it points to is the one updated.
  std::error_code ec;
  const bool isLink = std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec));
  ec.clear();
  const std::filesystem::path target = isLink ? std::filesystem::weakly_canonical(file, ec) : file;
  if (ec) return false;

  std::string content;
  std::optional<mode_t> mode;
  switch (readWhole(target, content)) {
    case ReadOutcome::Failed:
      return false;
    case ReadOutcome::Missing:
      break;
    case ReadOutcome::Read: {
      // A read-only settings file stays as it is, even in a writable folder
      // and even for a user whom the file system would let write it.
      struct stat info {};
      if (::stat(target.c_str(), &info) != 0) return false;
      if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return false;
      mode = info.st_mode & 07777;
      break;
    }
  }
  IniDocument document(std::move(content));
  if (!document.setValue(section, key, value)) return false;
  return replaceFile(target, document.content(), mode);
}

}  // namespace velmora
