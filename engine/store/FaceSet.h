#pragma once
// The engine's face set: faces registered under a group and a user, searched
// by embedding distance.
//
// The SQLite file (FaceDatabase) is the durable copy; every embedding is also
// held in memory (FaceIndex) from open on, so a search is one scan of a float
// array and never touches the file.
//
// Threads: one FaceSet may be shared by any number of threads. Searches run
// side by side (shared lock); adds are serialised among themselves and hold
// the exclusive lock only for the moment the new face joins the memory copy,
// after its transaction has committed, so a search waits microseconds at most.
// Open one FaceSet per file: two FaceSets on one file do not see each other's
// additions.
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "engine/store/FaceDatabase.h"
#include "engine/store/FaceIndex.h"
#include "engine/store/FaceRecord.h"

namespace velmora::engine {

enum class AddStatus { Added, AlreadyRegistered, Failed };

struct AddResult {
  AddStatus status;
  std::string error;  // set when Failed
};

class FaceSet {
 public:
  struct Opened {
    std::unique_ptr<FaceSet> faceSet;  // null on failure
    std::string error;                 // why the file cannot serve as a face set
  };

  // Two embeddings this close are the same face: the same pixels give the same
  // embedding, while two different photographs, even of one person, lie much
  // further apart. The margin absorbs rounding between builds and machines.
  static constexpr float kSameFaceDistance = 0.01f;

  // Opens the face set stored at path, creating an empty one when the file is
  // absent, and loads every face into memory. A file that is not a face set
  // (another database, random bytes, a damaged file) gives an error text.
  static Opened open(const std::string& path);

  // Registers a face. AlreadyRegistered when that user of that group already
  // has a face with this token, or one within kSameFaceDistance of this
  // embedding; nothing is written then. Failed for an empty group or user id,
  // an embedding with a value that is not a finite number, or a write error.
  AddResult add(const std::string& groupId, const std::string& userId, const std::string& userInfo,
                const std::string& faceToken, const Embedding& embedding);

  // The users of the given groups closest to the probe, best first, at most
  // maxUsers of them, one entry per user (group and user id together name a
  // user) carrying that user's closest face. Unknown groups contribute
  // nothing; a probe with a value that is not a finite number finds nothing.
  std::vector<FaceHit> search(const std::vector<std::string>& groupIds, const Embedding& probe,
                              std::size_t maxUsers) const;

  std::size_t size() const;

 private:
  explicit FaceSet(std::unique_ptr<FaceDatabase> database);

  std::mutex writeLock_;                 // one add at a time: the file and the duplicate check
  mutable std::shared_mutex indexLock_;  // readers: searches; writer: the append after a commit
  std::unique_ptr<FaceDatabase> database_;
  FaceIndex index_;
};

}  // namespace velmora::engine
