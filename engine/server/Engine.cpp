#include "engine/server/Engine.h"

#include <httplib.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "engine/contract/LoopbackServer.h"
#include "engine/face/FaceEmbedder.h"
#include "engine/face/FaceFinder.h"
#include "engine/face/NetworkEmbedder.h"
#include "engine/network/EmbeddingNetwork.h"
#include "engine/ocr/TextReader.h"
#include "engine/server/EngineRequests.h"
#include "engine/store/FaceSet.h"

namespace velmora::engine {

namespace {

// The largest request body taken: two pictures of 24 MB each in Base64.
// Larger bodies are refused before they are read, so a handful of
// simultaneous requests cannot exhaust memory.
constexpr std::size_t kMaxBodyBytes = std::size_t{64} << 20;

std::string orDefault(const std::string& value, const char* fallback) { return value.empty() ? fallback : value; }

// The data folder holds the keys and the registered faces: a folder the
// engine creates is readable by its owner only.
bool makeDataDir(const std::string& dir, std::string& error) {
  std::error_code failed;
  if (std::filesystem::create_directories(dir, failed))
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, failed);
  if (failed || !std::filesystem::is_directory(dir)) {
    error = "cannot create the data folder " + dir + (failed ? ": " + failed.message() : "");
    return false;
  }
  return true;
}

}  // namespace

struct Engine::Parts {
  EngineKeys keys;
  std::unique_ptr<NetworkEmbedder> embedder;
  std::unique_ptr<FaceFinder> finder;
  std::unique_ptr<FaceEmbedder> faces;
  std::unique_ptr<FaceSet> faceSet;
  std::unique_ptr<TextReader> textReader;
  std::unique_ptr<EngineRequests> requests;
  std::unique_ptr<contract::LoopbackServer> server;
  std::atomic<std::uint64_t> served{0};
  std::atomic<std::uint64_t> busyMicroseconds{0};

  void handle(const httplib::Request& in, httplib::Response& out) {
    const auto started = std::chrono::steady_clock::now();
    const std::size_t q = in.target.find('?');
    const std::string_view query = q == std::string::npos ? std::string_view() : std::string_view(in.target).substr(q + 1);
    const EngineReply reply = requests->answer(in.path, query, in.body);
    out.status = reply.status;
    out.set_content(reply.body, "application/json;charset=utf-8");
    const auto spent = std::chrono::steady_clock::now() - started;
    busyMicroseconds += std::chrono::duration_cast<std::chrono::microseconds>(spent).count();
    ++served;
  }
};

std::optional<EngineKeys> Engine::keysOf(const EngineOptions& options, std::string& error) {
  if (!makeDataDir(options.dataDir, error)) return std::nullopt;
  return EngineKeys::loadOrCreate(options.dataDir + "/keys", error);
}

std::unique_ptr<Engine> Engine::open(const EngineOptions& options, std::string& error) {
  auto parts = std::make_unique<Parts>();
  const std::optional<EngineKeys> keys = keysOf(options, error);
  if (!keys) return nullptr;
  parts->keys = *keys;

  LoadResult<EmbeddingNetwork> network = EmbeddingNetwork::load(orDefault(options.modelDir, VELMORA_FACE_MODEL_DIR));
  if (!network) {
    error = network.error() + " (scripts/install-deps.sh fetches the face-embedding weights)";
    return nullptr;
  }
  parts->embedder = std::make_unique<NetworkEmbedder>(std::move(network).value());
  LoadResult<FaceFinder> finder = FaceFinder::load(orDefault(options.shapeModelFile, VELMORA_SHAPE_MODEL_FILE));
  if (!finder) {
    error = finder.error();
    return nullptr;
  }
  parts->finder = std::make_unique<FaceFinder>(std::move(finder).value());
  parts->faces = std::make_unique<FaceEmbedder>(*parts->finder, *parts->embedder);

  FaceSet::Opened faceSet =
      FaceSet::open(options.faceSetFile.empty() ? options.dataDir + "/faces.db" : options.faceSetFile);
  if (!faceSet.faceSet) {
    error = faceSet.error;
    return nullptr;
  }
  parts->faceSet = std::move(faceSet.faceSet);
  TextReaderOptions textOptions;
  textOptions.tessdataDir = options.tessdataDir;
  TextReader::Opened textReader = TextReader::open(textOptions);
  if (!textReader.reader) {
    error = textReader.error;
    return nullptr;
  }
  parts->textReader = std::move(textReader.reader);

  parts->requests = std::make_unique<EngineRequests>(parts->keys, *parts->faces, *parts->faceSet, *parts->textReader);
  Parts* running = parts.get();
  parts->server = std::make_unique<contract::LoopbackServer>(
      [running](const httplib::Request& in, httplib::Response& out) { running->handle(in, out); }, kMaxBodyBytes);
  return std::unique_ptr<Engine>(new Engine(std::move(parts)));
}

Engine::Engine(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

Engine::~Engine() { stop(); }

bool Engine::start(int port) { return parts_->server->start(port); }

void Engine::stop() { parts_->server->stop(); }

int Engine::port() const { return parts_->server->port(); }

std::string Engine::host() const { return parts_->server->host(); }

const EngineKeys& Engine::keys() const { return parts_->keys; }

EngineStatistics Engine::statistics() const {
  return {parts_->served.load(), static_cast<double>(parts_->busyMicroseconds.load()) / 1000.0};
}

}  // namespace velmora::engine
