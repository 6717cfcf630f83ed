#pragma once
// Reads the entries of one folder in the order the file system returns them,
// telling folders from everything else. Paths are the file system's own bytes,
// so every name the file system holds can be read and opened again.
#include <QByteArray>
#include <cstdint>
#include <dirent.h>
#include <functional>

namespace velmora {

// Which directory a path leads to, links followed: equal identities are the
// same folder, however it was reached.
struct FolderIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FolderIdentity&) const = default;
};

struct FolderIdentityHash {
  std::size_t operator()(const FolderIdentity& id) const noexcept {
    return std::hash<std::uint64_t>()(id.inode * 1000003u ^ id.device);
  }
};

struct DirectoryEntry {
  const char* name = nullptr;  // valid until the next call of next()
  bool isFolder = false;       // a folder, or a link that leads to one
  bool isLink = false;         // the entry itself is a symbolic link
  FolderIdentity identity;     // for folders: the folder the entry leads to (see next())
};

class DirectoryReader {
 public:
  // path: the folder's path in file-system bytes, with or without a trailing "/".
  explicit DirectoryReader(const QByteArray& path);
  ~DirectoryReader();
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;

  // False when the folder does not exist or cannot be read.
  bool isOpen() const { return dir_ != nullptr; }
  // The identity of the folder being read (valid when open).
  FolderIdentity identity() const { return identity_; }

  // The next entry other than "." and ".."; false at the end. The identity of
  // a folder entry is exact for links (they are looked up); for plain
  // folders it is taken from the listing itself, which is exact except at a
  // mount point.
  bool next(DirectoryEntry& entry);

 private:
  DIR* dir_ = nullptr;
  FolderIdentity identity_;
};

}  // namespace velmora
