// Face match of two 640 x 480 portraits through the program's VisionClient
// against the offline engine on loopback: the whole request as the program
// waits for it, with both pictures new to the engine and with the first
// picture already known (its embedding cached).
//
//   engine_match_bench [ROUNDS]   (default 15)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/PortraitPictures.h"
#include "engine/contract/Json.h"
#include "engine/server/Engine.h"
#include "vision/VisionClient.h"

using namespace velmora;

namespace {

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
  const std::filesystem::path data = std::filesystem::temp_directory_path() / "velmora-match-bench";
  std::filesystem::remove_all(data);

  const double loadStart = nowMs();
  std::string error;
  auto engine = engine::Engine::open({data.string()}, error);
  if (!engine || !engine->start(0)) {
    std::fprintf(stderr, "engine did not start: %s\n", error.c_str());
    return 1;
  }
  const double loadMs = nowMs() - loadStart;

  const auto finder = engine::FaceFinder::load(VELMORA_SHAPE_MODEL_FILE);
  if (!finder) {
    std::fprintf(stderr, "%s\n", finder.error().c_str());
    return 1;
  }
  const std::vector<bench::Person> people = bench::demoPeople(finder.value());
  if (people.size() < 2) {
    std::fprintf(stderr, "no faces found in the demo photographs\n");
    return 1;
  }
  const engine::EngineKeys keys = engine->keys();
  VisionClient vision([keys] { return ApiKeys{keys.apiKey, keys.secretKey}; }, engine->host());
  vision.requestToken();

  int failures = 0;
  const auto timedMatch = [&](const std::string& a, const std::string& b, double& score) {
    const double start = nowMs();
    const Text reply = vision.matchFaces(a, b);
    const double spent = nowMs() - start;
    const contract::Json json = contract::Json::parse(reply).value_or(contract::Json{});
    score = json["result"]["score"].number();
    if (json["error_code"].number() != 0) ++failures;
    return spent;
  };

  const std::string first = bench::portrait(people[0], 0);
  double score = 0;
  timedMatch(first, bench::portrait(people[0], 1), score);  // warm-up: connection, first allocations

  std::vector<double> fresh, cached;
  int samePersonAbove80 = 0;
  for (int i = 0; i < rounds; ++i) {
    const bench::Person& person = people[std::size_t(i) % people.size()];
    const std::string a = bench::withTail(bench::portrait(person, 2), i);
    const std::string b = bench::withTail(bench::portrait(person, 3), i);
    fresh.push_back(timedMatch(a, b, score));
    samePersonAbove80 += score >= 80;
    if (std::getenv("VELMORA_BENCH_VERBOSE")) std::printf("person %zu: score %.2f\n", std::size_t(i) % people.size(), score);
    cached.push_back(timedMatch(first, bench::withTail(bench::portrait(person, 4), 1000 + i), score));
  }
  const engine::EngineStatistics stats = engine->statistics();
  std::printf("engine load (weights, landmark model, face set, text reader): %.0f ms\n", loadMs);
  std::printf("match of two new 640x480 portraits, median of %d:          %.1f ms\n", rounds, median(fresh));
  std::printf("match with the first picture cached, median of %d:         %.1f ms\n", rounds, median(cached));
  std::printf("same-person pairs scoring 80 or more:                      %d of %d\n", samePersonAbove80, rounds);
  std::printf("replies with an error (no face found, ...):                 %d\n", failures);
  std::printf("engine: %llu requests, %.1f ms busy on average\n", static_cast<unsigned long long>(stats.requests),
              stats.requests ? stats.busyMs / double(stats.requests) : 0.0);
  engine.reset();
  std::filesystem::remove_all(data);
  return 0;
}
