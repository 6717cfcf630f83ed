#include "workflows/DirectoryReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace velmora {
namespace {

bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

FolderIdentity identityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace

DirectoryReader::DirectoryReader(const QByteArray& path) {
  dir_ = ::opendir(path.isEmpty() ? "" : path.constData());
  if (!dir_) return;
  struct stat status {};
  if (::fstat(::dirfd(dir_), &status) == 0) identity_ = identityOf(status);
}

DirectoryReader::~DirectoryReader() {
  if (dir_) ::closedir(dir_);
}

bool DirectoryReader::next(DirectoryEntry& entry) {
  if (!dir_) return false;
  while (const dirent* found = ::readdir(dir_)) {
    if (isDotOrDotDot(found->d_name)) continue;
    entry.name = found->d_name;
    entry.isLink = found->d_type == DT_LNK;
    entry.isFolder = found->d_type == DT_DIR;
    entry.identity = {identity_.device, static_cast<std::uint64_t>(found->d_ino)};
    if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
      // Only links and file systems that do not report the kind need a look
      // at the entry itself; a broken link counts as a file.
      struct stat status {};
      if (::fstatat(::dirfd(dir_), found->d_name, &status, 0) == 0) {
        entry.isFolder = S_ISDIR(status.st_mode);
        entry.identity = identityOf(status);
      }
      if (found->d_type == DT_UNKNOWN) {
        struct stat own {};
        entry.isLink = ::fstatat(::dirfd(dir_), found->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
      }
    }
    return true;
  }
  return false;
}

}  // namespace velmora
