// The face set file survives its process being killed in the middle of adds:
// a child process adds faces in a loop and reports each add that returned;
// it is killed with SIGKILL, and the file must then pass SQLite's integrity
// check and hold every reported face.
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "FaceSetFixtures.h"
#include "engine/store/FaceSet.h"

namespace velmora::engine {
namespace {

using testing::openOrFail;
using testing::ScratchFolder;

Embedding embeddingFor(std::uint32_t number) {
  std::mt19937 random(number);
  return testing::randomUnit(random);
}

std::string userFor(std::uint32_t number) { return "user" + std::to_string(number); }

// Runs in the child: adds faces numbered from first on until killed, writing
// each number to the pipe once its add has returned Added.
[[noreturn]] void addUntilKilled(const std::string& path, std::uint32_t first, int reportFd) {
  FaceSet::Opened opened = FaceSet::open(path);
  if (!opened.faceSet) _exit(2);
  for (std::uint32_t number = first;; ++number) {
    const AddResult result =
        opened.faceSet->add("kill", userFor(number), "info", "token" + std::to_string(number), embeddingFor(number));
    if (result.status != AddStatus::Added) _exit(3);
    if (write(reportFd, &number, sizeof number) != sizeof number) _exit(4);
  }
}

// Starts the child, lets it report `wanted` adds, kills it and returns every
// number it reported (including any that were still in the pipe).
std::vector<std::uint32_t> addInChildAndKill(const std::string& path, std::uint32_t first, int wanted) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    addUntilKilled(path, first, fds[1]);
  }
  close(fds[1]);
  std::vector<std::uint32_t> reported;
  std::uint32_t number = 0;
  while (static_cast<int>(reported.size()) < wanted && read(fds[0], &number, sizeof number) == sizeof number) {
    reported.push_back(number);
  }
  kill(child, SIGKILL);
  while (read(fds[0], &number, sizeof number) == sizeof number) reported.push_back(number);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child ended on its own: " << status;
  return reported;
}

std::string integrityCheck(const std::string& path) {
  sqlite3* db = nullptr;
  std::string verdict = "cannot open";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    verdict = sqlite3_step(check) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(check, 0))
                                                : sqlite3_errmsg(db);
    sqlite3_finalize(check);
  }
  sqlite3_close(db);
  return verdict;
}

TEST(FaceSetDurability, KilledInTheMiddleOfAddsKeepsEveryReturnedFace) {
  ScratchFolder folder;
  const std::string path = folder.file("faces.db");
  std::vector<std::uint32_t> returned;
  // Several rounds on one file: each round starts on the file the previous
  // kill left behind (with its write-ahead log not yet checkpointed).
  const int wantedPerRound[] = {25, 7, 40};
  for (std::uint32_t round = 0; round < std::size(wantedPerRound); ++round) {
    SCOPED_TRACE(round);
    const std::vector<std::uint32_t> reported = addInChildAndKill(path, round * 1'000'000, wantedPerRound[round]);
    ASSERT_GE(static_cast<int>(reported.size()), wantedPerRound[round]);
    returned.insert(returned.end(), reported.begin(), reported.end());

    EXPECT_EQ(integrityCheck(path), "ok");
    auto faces = openOrFail(path);
    ASSERT_TRUE(faces);
    EXPECT_GE(faces->size(), returned.size());
    for (std::uint32_t number : returned) {
      const std::vector<FaceHit> hits = faces->search({"kill"}, embeddingFor(number), 1);
      ASSERT_EQ(hits.size(), 1u) << number;
      EXPECT_EQ(hits[0].userId, userFor(number));
      EXPECT_EQ(hits[0].distance, 0.0f);
    }
  }
}

}  // namespace
}  // namespace velmora::engine
