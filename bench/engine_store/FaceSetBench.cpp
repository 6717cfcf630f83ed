// Face set figures: fills a face set file with 10,000 random unit-length
// embeddings, then times searches over every group (median and 95th
// percentile), the reopening of the file, and prints the memory in use.
//
//   engine_store_bench [faces] [searches]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/store/FaceSet.h"
#include "tests/engine_store/RandomEmbeddings.h"

using namespace velmora::engine;
using velmora::engine::testing::randomUnit;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string memoryLine(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return line;
  }
  return std::string(key) + " unknown";
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  const int faceCount = argc > 1 ? std::atoi(argv[1]) : 10'000;
  const int searchCount = argc > 2 ? std::atoi(argv[2]) : 1'000;
  const std::vector<std::string> groups = {"zheng", "w", "b"};
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velmora-store-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "faces.db").string();

  std::mt19937 random(42);
  {
    FaceSet::Opened opened = FaceSet::open(path);
    if (!opened.faceSet) {
      std::fprintf(stderr, "%s\n", opened.error.c_str());
      return 1;
    }
    FaceSet& faces = *opened.faceSet;
    // Two faces per user, users spread over three groups.
    const auto fillStart = Clock::now();
    for (int i = 0; i < faceCount; ++i) {
      const int user = i / 2;
      const AddResult added = faces.add(groups[user % groups.size()], "user" + std::to_string(user),
                                        "info " + std::to_string(user), "token" + std::to_string(i),
                                        randomUnit(random));
      if (added.status != AddStatus::Added) {
        std::fprintf(stderr, "add %d: %s\n", i, added.error.c_str());
        return 1;
      }
    }
    const double fillMs = millisecondsSince(fillStart);
    std::printf("fill: %d faces in %.0f ms (%.3f ms a face, one transaction each, synchronous=FULL)\n", faceCount,
                fillMs, fillMs / faceCount);
  }

  const auto openStart = Clock::now();
  FaceSet::Opened opened = FaceSet::open(path);
  std::printf("reopen: %zu faces loaded in %.1f ms\n", opened.faceSet->size(), millisecondsSince(openStart));
  FaceSet& faces = *opened.faceSet;

  std::vector<Embedding> probes;
  for (int i = 0; i < searchCount; ++i) probes.push_back(randomUnit(random));
  std::vector<double> times;
  std::size_t found = 0;
  for (const Embedding& probe : probes) {
    const auto start = Clock::now();
    found += faces.search(groups, probe, 5).size();
    times.push_back(millisecondsSince(start));
  }
  std::printf("search over all groups, %zu faces, top 5 users: median %.3f ms, p95 %.3f ms (%d searches, %zu hits)\n",
              faces.size(), percentile(times, 0.5), percentile(times, 0.95), searchCount, found);
  std::printf("%s\n%s\n", memoryLine("VmRSS").c_str(), memoryLine("VmHWM").c_str());

  opened.faceSet.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
