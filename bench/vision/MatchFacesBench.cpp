// matchFaces of two 2 MB pictures against the vision service stand-in on
// loopback, side by side with the curl command-line tool posting the same
// prepared body to the same stand-in. Prints the median wall time of each
// and their ratio.
//
//   vision_match_bench [rounds]     (default 15)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tools/standin/VisionStandIn.h"
#include "vision/Base64.h"
#include "vision/RequestBodies.h"
#include "vision/VisionClient.h"

namespace {

using Clock = std::chrono::steady_clock;

velmora::Bytes randomPicture(std::size_t size, unsigned seed) {
  std::mt19937_64 random(seed);
  velmora::Bytes data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One curl run: POST the body file as the client does, reply discarded.
bool runCurl(const std::string& url, const std::string& bodyFile) {
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string data = "@" + bodyFile;
    execlp("curl", "curl", "-s", "-o", "/dev/null", "-X", "POST", "-H", "Content-Type: application/json",
           "--data-binary", data.c_str(), url.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  constexpr std::size_t kPictureSize = 2 * 1024 * 1024;
  const velmora::Bytes picture1 = randomPicture(kPictureSize, 1);
  const velmora::Bytes picture2 = randomPicture(kPictureSize, 2);

  velmora::standin::VisionStandIn service;
  if (!service.start()) {
    std::fprintf(stderr, "cannot start the stand-in\n");
    return 1;
  }
  velmora::VisionClient vision([] { return velmora::ApiKeys{"bench-key", "bench-secret"}; }, service.host());
  if (vision.requestToken() != "1") {
    std::fprintf(stderr, "no token from the stand-in\n");
    return 1;
  }

  // The body curl posts: what matchFaces sends for the same two pictures.
  const std::string bodyFile = "/tmp/velmora-match-bench-" + std::to_string(getpid()) + ".json";
  std::ofstream(bodyFile, std::ios::binary)
      << velmora::matchBody(velmora::base64Encode(picture1), velmora::base64Encode(picture2));
  const std::string url = vision.endpoints().withToken(velmora::kMatchPath, vision.accessToken());

  // Warm both paths once, then alternate so that both see the same machine.
  vision.matchFaces(picture1, picture2);
  if (!runCurl(url, bodyFile)) {
    std::fprintf(stderr, "curl failed\n");
    std::remove(bodyFile.c_str());
    return 1;
  }
  std::vector<double> clientTimes, curlTimes;
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    const velmora::Text reply = vision.matchFaces(picture1, picture2);
    clientTimes.push_back(millisecondsSince(start));
    if (reply.find("\"error_code\":0") == velmora::Text::npos) std::fprintf(stderr, "unexpected reply\n");

    start = Clock::now();
    runCurl(url, bodyFile);
    curlTimes.push_back(millisecondsSince(start));
  }
  std::remove(bodyFile.c_str());

  const double client = median(clientTimes);
  const double curl = median(curlTimes);
  std::printf("matchFaces, two %zu-byte pictures, %d rounds, stand-in on loopback\n", kPictureSize, rounds);
  std::printf("  VisionClient::matchFaces  median %8.2f ms (encoding, body, send, reply)\n", client);
  std::printf("  curl, prepared body       median %8.2f ms (process start, send, reply)\n", curl);
  std::printf("  ratio client / curl       %8.2f\n", client / curl);
  return 0;
}
