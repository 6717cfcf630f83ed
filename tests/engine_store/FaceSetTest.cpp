#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>
#include <thread>

#include "FaceSetFixtures.h"
#include "engine/store/FaceSet.h"

namespace velmora::engine {
namespace {

using testing::axis;
using testing::openOrFail;
using testing::ScratchFolder;

struct Face {
  const char* group;
  const char* user;
  const char* info;
  const char* token;
  Embedding embedding;
};

// Alice has two faces; "alice" of group w is another user than alice of zheng.
const Face kFaces[] = {
    {"zheng", "alice", "A", "a1", axis(0, 1.0f)},
    {"zheng", "alice", "A2", "a2", axis(1, 1.0f)},
    {"zheng", "bob", "B", "b1", axis(0, 0.7f)},
    {"zheng", "carol", "C", "c1", axis(2, 1.0f)},
    {"w", "alice", "WA", "wa1", axis(0, 0.9f)},
    {"b", "dave", "D", "d1", axis(0, 0.2f)},
};

void addAll(FaceSet& faces) {
  for (const Face& face : kFaces) {
    const AddResult result = faces.add(face.group, face.user, face.info, face.token, face.embedding);
    ASSERT_EQ(result.status, AddStatus::Added) << face.token << ": " << result.error;
  }
}

// "group/user/token/info" for each hit, and the distances beside.
std::vector<std::string> describe(const std::vector<FaceHit>& hits) {
  std::vector<std::string> lines;
  for (const FaceHit& hit : hits) {
    lines.push_back(hit.groupId + "/" + hit.userId + "/" + hit.faceToken + "/" + hit.userInfo);
  }
  return lines;
}

std::vector<float> distances(const std::vector<FaceHit>& hits) {
  std::vector<float> result;
  for (const FaceHit& hit : hits) result.push_back(hit.distance);
  return result;
}

void expectDistances(const std::vector<FaceHit>& hits, const std::vector<float>& expected) {
  ASSERT_EQ(hits.size(), expected.size());
  for (std::size_t i = 0; i < hits.size(); ++i) EXPECT_NEAR(hits[i].distance, expected[i], 1e-5f) << i;
}

TEST(FaceSetSearch, BestFirstOneEntryPerUserWithinTheGivenGroups) {
  ScratchFolder folder;
  auto faces = openOrFail(folder.file("faces.db"));
  addAll(*faces);

  const float root2 = std::sqrt(2.0f);
  struct Case {
    const char* name;
    std::vector<std::string> groups;
    Embedding probe;
    std::size_t maxUsers;
    std::vector<std::string> hits;
    std::vector<float> distances;
  };
  const Case cases[] = {
      {"one group", {"zheng"}, axis(0), 10,
       {"zheng/alice/a1/A", "zheng/bob/b1/B", "zheng/carol/c1/C"}, {0.0f, 0.3f, root2}},
      {"cut at maxUsers", {"zheng"}, axis(0), 2, {"zheng/alice/a1/A", "zheng/bob/b1/B"}, {0.0f, 0.3f}},
      {"every group", {"zheng", "w", "b"}, axis(0), 10,
       {"zheng/alice/a1/A", "w/alice/wa1/WA", "zheng/bob/b1/B", "b/dave/d1/D", "zheng/carol/c1/C"},
       {0.0f, 0.1f, 0.3f, 0.8f, root2}},
      {"a group named twice counts once", {"w", "w"}, axis(0), 10, {"w/alice/wa1/WA"}, {0.1f}},
      {"unknown group beside a known one", {"nowhere", "w"}, axis(0), 10, {"w/alice/wa1/WA"}, {0.1f}},
      {"only unknown groups", {"nowhere"}, axis(0), 10, {}, {}},
      {"no groups", {}, axis(0), 10, {}, {}},
      {"group ids are case-sensitive", {"ZHENG"}, axis(0), 10, {}, {}},
      // Alice's closest face to this probe is her second one, with its own info.
      {"user's closest face", {"zheng"}, axis(1), 1, {"zheng/alice/a2/A2"}, {0.0f}},
      {"no users wanted", {"zheng"}, axis(0), 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<FaceHit> hits = faces->search(c.groups, c.probe, c.maxUsers);
    EXPECT_EQ(describe(hits), c.hits);
    expectDistances(hits, c.distances);
  }
}

TEST(FaceSetSearch, EmptySetAndProbesThatAreNotNumbersFindNothing) {
  ScratchFolder folder;
  auto faces = openOrFail(folder.file("faces.db"));
  EXPECT_EQ(faces->size(), 0u);
  EXPECT_TRUE(faces->search({"zheng"}, axis(0), 5).empty());

  addAll(*faces);
  Embedding nan = axis(0);
  nan[7] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(faces->search({"zheng"}, nan, 5).empty());
}

TEST(FaceSetSearch, EqualDistancesKeepTheOrderOfRegistration) {
  ScratchFolder folder;
  auto faces = openOrFail(folder.file("faces.db"));
  for (const char* user : {"u3", "u1", "u2"}) {
    ASSERT_EQ(faces->add("g", user, "", std::string("t-") + user, axis(5)).status, AddStatus::Added);
  }
  EXPECT_EQ(describe(faces->search({"g"}, axis(6), 3)), (std::vector<std::string>{"g/u3/t-u3/", "g/u1/t-u1/", "g/u2/t-u2/"}));
}

TEST(FaceSetAdd, SameFaceForTheSameUserIsAlreadyRegistered) {
  ScratchFolder folder;
  auto faces = openOrFail(folder.file("faces.db"));
  ASSERT_EQ(faces->add("zheng", "alice", "A", "a1", axis(0)).status, AddStatus::Added);

  Embedding nearby = axis(0);
  nearby[1] = 0.5f * FaceSet::kSameFaceDistance;
  Embedding apart = axis(0);
  apart[1] = 5 * FaceSet::kSameFaceDistance;
  struct Case {
    const char* name;
    const char* group;
    const char* user;
    const char* token;
    Embedding embedding;
    AddStatus expected;
  };
  const Case cases[] = {
      {"same token", "zheng", "alice", "a1", axis(3), AddStatus::AlreadyRegistered},
      {"same embedding, new token", "zheng", "alice", "a9", axis(0), AddStatus::AlreadyRegistered},
      {"embedding within the same-face distance", "zheng", "alice", "a8", nearby, AddStatus::AlreadyRegistered},
      {"embedding beyond the same-face distance", "zheng", "alice", "a7", apart, AddStatus::Added},
      {"same token for another user", "zheng", "bob", "a1", axis(0), AddStatus::Added},
      {"same token for alice of another group", "w", "alice", "a1", axis(0), AddStatus::Added},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AddResult result = faces->add(c.group, c.user, "again", c.token, c.embedding);
    EXPECT_EQ(result.status, c.expected);
    EXPECT_EQ(result.error, "");
  }
  EXPECT_EQ(faces->size(), 4u);

  // What was refused was not written either.
  faces.reset();
  faces = openOrFail(folder.file("faces.db"));
  EXPECT_EQ(faces->size(), 4u);
  EXPECT_EQ(faces->add("zheng", "alice", "A", "a1", axis(9)).status, AddStatus::AlreadyRegistered);
}

TEST(FaceSetAdd, BadInputIsRefusedWithAReasonAndNotStored) {
  ScratchFolder folder;
  auto faces = openOrFail(folder.file("faces.db"));
  Embedding infinite = axis(0);
  infinite[0] = std::numeric_limits<float>::infinity();
  Embedding nan = axis(0);
  nan[127] = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* group;
    const char* user;
    Embedding embedding;
    const char* error;
  };
  const Case cases[] = {
      {"", "alice", axis(0), "the group id is empty"},
      {"zheng", "", axis(0), "the user id is empty"},
      {"zheng", "alice", infinite, "the embedding holds a value that is not a finite number"},
      {"zheng", "alice", nan, "the embedding holds a value that is not a finite number"},
  };
  for (const Case& c : cases) {
    const AddResult result = faces->add(c.group, c.user, "", "token", c.embedding);
    EXPECT_EQ(result.status, AddStatus::Failed);
    EXPECT_EQ(result.error, c.error);
  }
  EXPECT_EQ(faces->size(), 0u);
}

TEST(FaceSetFile, FacesTextsAndEmbeddingsSurviveReopening) {
  ScratchFolder folder;
  const std::string path = folder.file("faces.db");
  std::mt19937 random(7);
  const Embedding precise = testing::randomUnit(random);
  const std::string chinese = "张三\xE3\x80\x80备注";  // UTF-8, with an ideographic space
  const std::string withNul("a\0b", 3);
  {
    auto faces = openOrFail(path);
    addAll(*faces);
    ASSERT_EQ(faces->add("zheng", "zhang", chinese, withNul, precise).status, AddStatus::Added);
  }
  auto faces = openOrFail(path);
  EXPECT_EQ(faces->size(), std::size(kFaces) + 1);
  EXPECT_EQ(describe(faces->search({"zheng", "w", "b"}, axis(0), 2)),
            (std::vector<std::string>{"zheng/alice/a1/A", "w/alice/wa1/WA"}));

  const std::vector<FaceHit> hits = faces->search({"zheng"}, precise, 1);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].userId, "zhang");
  EXPECT_EQ(hits[0].userInfo, chinese);
  EXPECT_EQ(hits[0].faceToken, withNul);
  EXPECT_EQ(hits[0].distance, 0.0f);  // every bit of the embedding came back

  // Faces loaded from the file take part in the duplicate check.
  EXPECT_EQ(faces->add("zheng", "zhang", "", "other", precise).status, AddStatus::AlreadyRegistered);
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string randomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

void makeOtherDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')", nullptr, nullptr,
               nullptr);
  sqlite3_close(db);
}

// A face set whose pages after the first two are overwritten with noise.
void makeDamagedFaceSet(const std::string& path) {
  {
    auto faces = openOrFail(path);
    std::mt19937 random(3);
    for (int i = 0; i < 200; ++i) {
      faces->add("zheng", "user" + std::to_string(i), "", "t" + std::to_string(i), testing::randomUnit(random));
    }
  }
  const auto size = std::filesystem::file_size(path);
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(8192);
  file << randomBytes(size - 8192, 11);
}

TEST(FaceSetFile, FilesThatCannotServeAsAFaceSetGiveAClearError) {
  ScratchFolder folder;
  struct Case {
    const char* name;
    std::function<std::string()> make;  // returns the path to open
    const char* reason;
  };
  const Case cases[] = {
      {"random bytes",
       [&] {
         writeFile(folder.file("noise.db"), randomBytes(10000, 1));
         return folder.file("noise.db");
       },
       "file is not a database"},
      {"another program's database",
       [&] {
         makeOtherDatabase(folder.file("other.db"));
         return folder.file("other.db");
       },
       "the file is a database of another kind, not a face set"},
      {"damaged face set",
       [&] {
         makeDamagedFaceSet(folder.file("damaged.db"));
         return folder.file("damaged.db");
       },
       "malformed"},
      {"a folder", [&] { return folder.file(""); }, "unable to open"},
      {"in a missing folder", [&] { return folder.file("missing/faces.db"); }, "unable to open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = c.make();
    const FaceSet::Opened opened = FaceSet::open(path);
    EXPECT_FALSE(opened.faceSet);
    EXPECT_NE(opened.error.find("cannot"), std::string::npos) << opened.error;
    EXPECT_NE(opened.error.find(path), std::string::npos) << opened.error;
    EXPECT_NE(opened.error.find(c.reason), std::string::npos) << opened.error;
  }

  // The refused database of another program is left as it was: its tables
  // and its journal mode.
  sqlite3* db = nullptr;
  sqlite3_open(folder.file("other.db").c_str(), &db);
  const auto firstValue = [&](const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::string value;
    if (sqlite3_step(statement) == SQLITE_ROW) value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return value;
  };
  EXPECT_EQ(firstValue("SELECT group_concat(name) FROM sqlite_master"), "notes");
  EXPECT_EQ(firstValue("PRAGMA journal_mode"), "delete");
  sqlite3_close(db);
}

TEST(FaceSetThreads, AddsAndSearchesFromSeveralThreadsAtOnce) {
  ScratchFolder folder;
  const std::string path = folder.file("faces.db");
  auto faces = openOrFail(path);
  constexpr int kWriters = 4;
  constexpr int kFacesEach = 100;

  std::atomic<int> writersLeft{kWriters};
  std::atomic<int> searches{0};
  std::atomic<bool> searchesWellFormed{true};
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      std::mt19937 random(100 + w);
      for (int i = 0; i < kFacesEach; ++i) {
        const std::string user = "w" + std::to_string(w) + "-" + std::to_string(i);
        const AddResult added = faces->add("g" + std::to_string(w % 2), user, "", user, testing::randomUnit(random));
        EXPECT_EQ(added.status, AddStatus::Added) << added.error;
      }
      --writersLeft;
    });
  }
  for (int s = 0; s < 3; ++s) {
    threads.emplace_back([&, s] {
      std::mt19937 random(200 + s);
      do {
        const std::vector<FaceHit> hits = faces->search({"g0", "g1"}, testing::randomUnit(random), 20);
        std::set<std::string> users;
        for (std::size_t i = 0; i < hits.size(); ++i) {
          if (!users.insert(hits[i].userId).second) searchesWellFormed = false;
          if (i > 0 && hits[i - 1].distance > hits[i].distance) searchesWellFormed = false;
        }
        ++searches;
      } while (writersLeft > 0);
    });
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_TRUE(searchesWellFormed);
  EXPECT_GT(searches.load(), 0);
  EXPECT_EQ(faces->size(), std::size_t{kWriters * kFacesEach});
  // Every face is found again as its user's own, after reopening as well.
  for (int pass = 0; pass < 2; ++pass) {
    for (int w = 0; w < kWriters; ++w) {
      std::mt19937 random(100 + w);
      for (int i = 0; i < kFacesEach; ++i) {
        const std::vector<FaceHit> hits = faces->search({"g0", "g1"}, testing::randomUnit(random), 1);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].userId, "w" + std::to_string(w) + "-" + std::to_string(i));
        EXPECT_EQ(hits[0].distance, 0.0f);
      }
    }
    faces.reset();
    faces = openOrFail(path);
  }
}

}  // namespace
}  // namespace velmora::engine
