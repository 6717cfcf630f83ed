// Figures of the HTTP client against loopback servers:
//  1. POST of a 10 MB body and reading a 10 MB reply, HttpClient beside the
//     curl command-line tool against the same server;
//  2. TCP connections accepted by the server for 1000 sequential requests;
//  3. peak resident memory growth while reading a 50 MB reply.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "http/HttpClient.h"
#include "tests/http/RawServer.h"

namespace {

using velmora::HttpClient;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kTransferSize = 10 * 1024 * 1024;
constexpr std::size_t kLargeReply = 50 * 1024 * 1024;
constexpr int kRounds = 7;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Kilobytes of a field of /proc/self/status ("VmRSS", "VmHWM").
long statusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// Lets the next VmHWM reading start from the current resident size.
void resetPeakResidentSize() { std::ofstream("/proc/self/clear_refs") << "5"; }

class LoopbackServer {
 public:
  LoopbackServer() : reply_(kTransferSize, 'r') {
    server_.set_payload_max_length(2 * kTransferSize);
    server_.Post("/transfer", [this](const httplib::Request& request, httplib::Response& response) {
      response.set_content(request.body.size() == kTransferSize ? reply_ : std::string("wrong size"),
                           "application/octet-stream");
    });
    server_.Get("/large", [](const httplib::Request&, httplib::Response& response) {
      response.set_content_provider(kLargeReply, "application/octet-stream",
                                    [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                      static const std::string chunk(64 * 1024, 'L');
                                      sink.write(chunk.data(), std::min(length, chunk.size()));
                                      (void)offset;
                                      return true;
                                    });
    });
    server_.Get("/small", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("ok", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~LoopbackServer() {
    server_.stop();
    thread_.join();
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

 private:
  httplib::Server server_;
  std::string reply_;
  std::thread thread_;
  int port_ = 0;
};

void transferBeside(const LoopbackServer& server) {
  const std::string body(kTransferSize, 'p');
  const auto bodyFile = std::filesystem::temp_directory_path() / "velmora-bench-body.bin";
  std::ofstream(bodyFile, std::ios::binary) << body;
  const std::string curlCommand = "curl -s -o /dev/null -w '%{http_code} %{size_download}' -H 'Expect:' "
                                  "-H 'Content-Type: application/octet-stream' "
                                  "--data-binary @" + bodyFile.string() + " " + server.url("/transfer");
  const std::string expectedCurlOutput = "200 " + std::to_string(kTransferSize);

  std::vector<double> ours, theirs;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    HttpClient client;
    client.open("POST", server.url("/transfer"));
    client.setContentType("application/octet-stream");
    client.send(body);
    const std::size_t received = client.responseBody().size();
    ours.push_back(millisecondsSince(start));
    if (client.statusCode() != 200 || received != kTransferSize) {
      std::printf("  HttpClient answered: %d %zu\n", client.statusCode(), received);
    }

    start = Clock::now();
    FILE* curl = popen(curlCommand.c_str(), "r");
    char output[64] = {};
    const std::size_t outputLength = curl ? std::fread(output, 1, sizeof output - 1, curl) : 0;
    if (curl) pclose(curl);
    theirs.push_back(millisecondsSince(start));
    if (std::string(output, outputLength) != expectedCurlOutput) std::printf("  curl answered: %s\n", output);
  }
  std::filesystem::remove(bodyFile);
  std::printf("1. POST 10 MB + 10 MB reply, median of %d rounds (fresh client and connection each round)\n",
              kRounds);
  std::printf("   HttpClient: %8.1f ms   (min %.1f)\n", median(ours), *std::min_element(ours.begin(), ours.end()));
  std::printf("   curl CLI  : %8.1f ms   (min %.1f)   command: %s\n", median(theirs),
              *std::min_element(theirs.begin(), theirs.end()), curlCommand.c_str());
  std::printf("   ratio HttpClient / curl: %.2f\n\n", median(ours) / median(theirs));
}

void connectionCount() {
  using namespace velmora::testing;
  RawServer server([](const RawRequest&) { return RawReply{reply("ok")}; });
  HttpClient client;
  const auto start = Clock::now();
  int good = 0;
  for (int i = 0; i < 1000; ++i) {
    client.open("GET", server.url("/r" + std::to_string(i)));
    client.send();
    good += client.responseText() == "ok";
  }
  const double elapsed = millisecondsSince(start);
  std::printf("2. 1000 sequential GET requests to one loopback host\n");
  std::printf("   TCP connections accepted: %d, good replies: %d, %.1f ms (%.1f us per request)\n\n",
              server.accepted(), good, elapsed, elapsed * 1000 / 1000);
}

void largeReplyMemory(const LoopbackServer& server) {
  HttpClient client;
  client.open("GET", server.url("/small"));  // warm up the session and connection
  client.send();
  client.responseText();

  client.open("GET", server.url("/large"));
  const long before = statusKilobytes("VmRSS");
  resetPeakResidentSize();
  const auto start = Clock::now();
  client.send();
  const std::size_t size = client.responseBody().size();
  const double elapsed = millisecondsSince(start);
  const long peak = statusKilobytes("VmHWM");
  const double growth = (peak - before) * 1024.0;
  std::printf("3. Reading a 50 MB reply (Content-Length known)\n");
  std::printf("   body %zu bytes in %.1f ms; peak RSS growth %.1f MB = %.3f x body size\n", size, elapsed,
              growth / 1048576.0, growth / static_cast<double>(kLargeReply));
}

}  // namespace

int main() {
  LoopbackServer server;
  transferBeside(server);
  connectionCount();
  largeReplyMemory(server);
  return 0;
}
