#include "engine/store/FaceDatabase.h"

#include <sqlite3.h>

#include <bit>
#include <cstdint>
#include <utility>

namespace velmora::engine {
namespace {

// Marks the file as a face set ("VFS1"), so that another program's database
// is refused instead of being written to.
constexpr std::int32_t kApplicationId = 0x56465331;
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kCreateSchema = R"sql(
CREATE TABLE faces (
  id         INTEGER PRIMARY KEY,
  group_id   TEXT NOT NULL,
  user_id    TEXT NOT NULL,
  user_info  TEXT NOT NULL,
  face_token TEXT NOT NULL,
  embedding  BLOB NOT NULL,
  UNIQUE (group_id, user_id, face_token)
);
)sql";

// Embeddings are stored as 128 float32 values, little-endian, 512 bytes.
constexpr std::size_t kEmbeddingBytes = std::tuple_size_v<Embedding> * 4;

std::string encodeEmbedding(const Embedding& embedding) {
  std::string bytes;
  bytes.reserve(kEmbeddingBytes);
  for (float value : embedding) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(bits >> shift));
  }
  return bytes;
}

Embedding decodeEmbedding(const unsigned char* bytes) {
  Embedding embedding{};
  for (float& value : embedding) {
    std::uint32_t bits = 0;
    for (int shift = 0; shift < 32; shift += 8) bits |= std::uint32_t{*bytes++} << shift;
    value = std::bit_cast<float>(bits);
  }
  return embedding;
}

// One prepared statement, finalized when it goes out of scope.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { status_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool prepared() const { return status_ == SQLITE_OK; }
  void bindText(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void bindBlob(int index, const std::string& bytes) {
    sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step() { return sqlite3_step(stmt_); }

  std::string text(int column) const {
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return chars ? std::string(chars, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                 : std::string();
  }
  std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  const unsigned char* blob(int column) const {
    return static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, column));
  }
  std::size_t bytes(int column) const {
    return static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int status_;
};

bool execute(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

std::int64_t pragmaNumber(sqlite3* db, const char* sql, bool& ok) {
  Statement statement(db, sql);
  ok = statement.prepared() && statement.step() == SQLITE_ROW;
  return ok ? statement.integer(0) : 0;
}

// Runs the work inside BEGIN IMMEDIATE ... COMMIT and rolls back when the
// work returns false or the commit fails. Returns SQLite's error message,
// empty when the transaction committed.
template <typename Work>
std::string inTransaction(sqlite3* db, Work&& work) {
  if (!execute(db, "BEGIN IMMEDIATE")) return sqlite3_errmsg(db);
  if (work() && execute(db, "COMMIT")) return {};
  std::string message = sqlite3_errmsg(db);  // before the rollback replaces it
  if (!sqlite3_get_autocommit(db)) execute(db, "ROLLBACK");
  return message.empty() ? "unknown error" : message;
}

}  // namespace

FaceDatabase::FaceDatabase(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}

FaceDatabase::~FaceDatabase() { sqlite3_close_v2(db_); }

std::string FaceDatabase::describeError(const std::string& what) const {
  return describeError(what, db_ ? sqlite3_errmsg(db_) : "out of memory");
}

std::string FaceDatabase::describeError(const std::string& what, const std::string& reason) const {
  return what + " the face set \"" + path_ + "\": " + reason;
}

FaceDatabase::Opened FaceDatabase::open(const std::string& path) {
  sqlite3* db = nullptr;
  const int status = sqlite3_open_v2(path.c_str(), &db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  std::unique_ptr<FaceDatabase> database(new FaceDatabase(db, path));
  if (status != SQLITE_OK) return {nullptr, database->describeError("cannot open")};
  sqlite3_busy_timeout(db, kBusyTimeoutMs);

  // The first statements read the file's header: a file that is not a
  // database fails here with "file is not a database". Another program's
  // database is refused before anything in it changes.
  std::string refusal;
  const std::string failure = inTransaction(db, [&] {
    bool ok = false;
    const std::int64_t application = pragmaNumber(db, "PRAGMA application_id", ok);
    if (!ok) return false;
    const std::int64_t tables = pragmaNumber(db, "SELECT count(*) FROM sqlite_master", ok);
    if (!ok) return false;
    if (application == 0 && tables == 0) {
      const std::string mark = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                               "; PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
      return execute(db, kCreateSchema) && execute(db, mark.c_str());
    }
    if (application != kApplicationId) {
      refusal = "the file is a database of another kind, not a face set";
      return false;
    }
    const std::int64_t version = pragmaNumber(db, "PRAGMA user_version", ok);
    if (ok && version > kSchemaVersion) {
      refusal = "the face set was written by a newer version of the engine";
      return false;
    }
    return ok;
  });
  if (!refusal.empty()) return {nullptr, database->describeError("cannot open", refusal)};
  if (!failure.empty()) return {nullptr, database->describeError("cannot open", failure)};

  // Only a file known to be a face set is switched to the write-ahead log
  // (the journal mode is stored in the file).
  Statement journal(db, "PRAGMA journal_mode=WAL");
  if (!journal.prepared() || journal.step() != SQLITE_ROW) {
    return {nullptr, database->describeError("cannot open")};
  }
  if (journal.text(0) != "wal") {
    return {nullptr, database->describeError("cannot open", "the file system does not allow a write-ahead log")};
  }
  if (!execute(db, "PRAGMA synchronous=FULL")) return {nullptr, database->describeError("cannot open")};
  return {std::move(database), {}};
}

std::string FaceDatabase::forEachFace(const std::function<void(const FaceRecord&)>& visit) {
  Statement rows(db_, "SELECT id, group_id, user_id, user_info, face_token, embedding FROM faces ORDER BY id");
  if (!rows.prepared()) return describeError("cannot read");
  int status;
  while ((status = rows.step()) == SQLITE_ROW) {
    if (rows.bytes(5) != kEmbeddingBytes) {
      return describeError("cannot read", "face " + std::to_string(rows.integer(0)) + " has an embedding of " +
                                              std::to_string(rows.bytes(5)) + " bytes instead of " +
                                              std::to_string(kEmbeddingBytes));
    }
    visit({rows.text(1), rows.text(2), rows.text(3), rows.text(4), decodeEmbedding(rows.blob(5))});
  }
  return status == SQLITE_DONE ? std::string() : describeError("cannot read");
}

FaceDatabase::InsertResult FaceDatabase::insert(const FaceRecord& face) {
  bool duplicate = false;
  const std::string failure = inTransaction(db_, [&] {
    Statement insert(db_,
                     "INSERT INTO faces (group_id, user_id, user_info, face_token, embedding) "
                     "VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!insert.prepared()) return false;
    insert.bindText(1, face.groupId);
    insert.bindText(2, face.userId);
    insert.bindText(3, face.userInfo);
    insert.bindText(4, face.faceToken);
    insert.bindBlob(5, encodeEmbedding(face.embedding));
    const int status = insert.step();
    duplicate = sqlite3_extended_errcode(db_) == SQLITE_CONSTRAINT_UNIQUE;
    return status == SQLITE_DONE;
  });
  if (failure.empty()) return {InsertStatus::Inserted, {}};
  if (duplicate) return {InsertStatus::Duplicate, {}};
  return {InsertStatus::Failed, describeError("cannot write to", failure)};
}

}  // namespace velmora::engine
