// Prints the median times of the JSON document's two measured paths:
//   1. a typical face-match reply: parse, getMember("error_code") + toText,
//      and three getText calls, together;
//   2. parse of replies of about 1 MB (three shapes).
// Each line gives the median wall time and, since the machine is shared, the
// median CPU time of the thread as well.
// Run: build-*/bench/json/json_bench [rounds]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "json/JsonDocument.h"
#include "text/Codepage.h"

using velmora::JsonDocument;
using velmora::Text;

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Medians {
  double wall;
  double cpu;
};

double median(std::vector<double>& values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Medians medianMilliseconds(int rounds, const std::function<void()>& body) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    const double cpuStart = threadCpuMilliseconds();
    body();
    cpu.push_back(threadCpuMilliseconds() - cpuStart);
    wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return {median(wall), median(cpu)};
}

const Text kFaceMatchReply =
    "{\"error_code\":0,\"error_msg\":\"SUCCESS\",\"log_id\":1234567890123,\"timestamp\":1595246400,"
    "\"cached\":0,\"result\":{\"score\":97.52391052,\"face_list\":[{\"face_token\":"
    "\"4a3bd5ed4bcbd0a2a7f3ac5cb6b8c5d1\"},{\"face_token\":\"8d2d6c0c1e7e7d4b5c3a6b1f2e9d8c7a\"}]}}";

// Text recognition: many words with integer locations and Chinese text.
Text wordsReply(std::size_t size) {
  Text reply = "{\"log_id\":1234567890123,\"words_result\":[";
  const Text words = velmora::gbk("张三 李四 王五 公民身份号码 11010519491231002X");
  for (int i = 0; reply.size() < size; ++i) {
    if (i > 0) reply += ",";
    reply += "{\"words\":\"" + words + "\",\"location\":{\"top\":" + std::to_string(i) +
             ",\"left\":12,\"width\":300,\"height\":20}}";
  }
  return reply + "],\"words_result_num\":1}";
}

// Face search: user lists with fractional scores and locations.
Text facesReply(std::size_t size) {
  Text reply = "{\"error_code\":0,\"error_msg\":\"SUCCESS\",\"result\":{\"face_list\":[";
  for (int i = 0; reply.size() < size; ++i) {
    if (i > 0) reply += ",";
    reply += "{\"face_token\":\"4a3bd5ed4bcbd0a2a7f3ac5cb6b8c5" + std::to_string(i) +
             "\",\"location\":{\"left\":117.53,\"top\":54.21,\"width\":183,\"height\":176,\"rotation\":-3},"
             "\"user_list\":[{\"group_id\":\"group1\",\"user_id\":\"user" + std::to_string(i) +
             "\",\"user_info\":\"\",\"score\":97.52391052}]}";
  }
  return reply + "]}}";
}

// A reply that carries one large Base64 text.
Text imageReply(std::size_t size) {
  Text reply = "{\"error_code\":0,\"result\":{\"image\":\"";
  while (reply.size() < size) reply += "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg";
  return reply + "\"}}";
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 200;
  JsonDocument reply;  // the program's one reply document, "da"

  Text sink;
  const Medians faceMatch = medianMilliseconds(rounds, [&] {
    reply.parse(kFaceMatchReply);
    JsonDocument code = reply.getMember("error_code");
    sink = code.toText();
    sink += reply.getText("error_msg");
    sink += reply.getText("result.score");
    sink += reply.getText("result['face_list'][0]['face_token']");
    reply.clear();
  });
  std::printf("face-match reply (parse + getMember/toText + 3 getText): median %.3f ms (CPU %.3f ms) over %d rounds\n",
              faceMatch.wall, faceMatch.cpu, rounds);

  const int bigRounds = std::max(3, rounds / 10);
  const struct {
    const char* name;
    Text text;
  } big[] = {{"text recognition words", wordsReply(1 << 20)},
             {"face list, fractional numbers", facesReply(1 << 20)},
             {"one large Base64 text", imageReply(1 << 20)}};
  for (const auto& sample : big) {
    bool ok = true;
    const Medians parse = medianMilliseconds(bigRounds, [&] { ok = reply.parse(sample.text) && ok; });
    std::printf("parse of a %zu-byte reply (%s): median %.2f ms (CPU %.2f ms) over %d rounds%s\n",
                sample.text.size(), sample.name, parse.wall, parse.cpu, bigRounds, ok ? "" : " (PARSE FAILED)");
  }
  return sink.empty() ? 1 : 0;
}
