#pragma once
// The durable copy of the face set: one SQLite database file with a table of
// faces. Every write is its own transaction; the journal is a write-ahead log
// with synchronous=FULL, so a face whose insert returned survives the process
// being killed and also a power cut (each commit waits for the log to reach
// the disk; adds are rare, searches never touch the file).
// Not thread-safe: FaceSet serialises the calls.
#include <functional>
#include <memory>
#include <string>

#include "engine/store/FaceRecord.h"

struct sqlite3;

namespace velmora::engine {

class FaceDatabase {
 public:
  struct Opened {
    std::unique_ptr<FaceDatabase> database;  // null when the file cannot serve as a face set
    std::string error;
  };

  enum class InsertStatus { Inserted, Duplicate, Failed };
  struct InsertResult {
    InsertStatus status;
    std::string error;  // set when Failed
  };

  // Opens the file, or creates it with an empty table of faces when absent.
  static Opened open(const std::string& path);

  ~FaceDatabase();
  FaceDatabase(const FaceDatabase&) = delete;
  FaceDatabase& operator=(const FaceDatabase&) = delete;

  // Hands every stored face to the visitor in the order they were added.
  // Returns an error text, empty when every row was read.
  std::string forEachFace(const std::function<void(const FaceRecord&)>& visit);

  // Duplicate when the group already holds this face token for this user.
  InsertResult insert(const FaceRecord& face);

 private:
  FaceDatabase(sqlite3* db, std::string path);
  std::string describeError(const std::string& what) const;
  std::string describeError(const std::string& what, const std::string& reason) const;

  sqlite3* db_;
  std::string path_;
};

}  // namespace velmora::engine
