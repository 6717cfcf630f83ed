#pragma once
// The offline vision engine as one object: it loads the face pipeline, opens
// the face set and the text reader, and answers the vision service's
// requests over HTTP on 127.0.0.1.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/server/EngineKeys.h"

namespace velmora::engine {

struct EngineOptions {
  std::string dataDir;         // holds "keys" and, unless faceSetFile says otherwise, "faces.db"
  std::string faceSetFile;     // empty: dataDir + "/faces.db"
  std::string modelDir;        // empty: the face-embedding weights fetched at install time
  std::string shapeModelFile;  // empty: dlib's 68-point landmark model from libdlib-data
  std::string tessdataDir;     // empty: Tesseract's language data
};

// How much work the engine has done since it was opened.
struct EngineStatistics {
  std::uint64_t requests = 0;
  double busyMs = 0;  // summed time spent answering, from request read to reply ready
};

class Engine {
 public:
  // The engine's keys (made on first use) in options.dataDir, without
  // loading anything else.
  static std::optional<EngineKeys> keysOf(const EngineOptions& options, std::string& error);

  // Everything loaded and opened, or nothing with the reason in error (a
  // missing model file, a face set that is no database, ...).
  static std::unique_ptr<Engine> open(const EngineOptions& options, std::string& error);

  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Listens on 127.0.0.1 (port 0: a free one); false when the port is taken.
  bool start(int port);
  void stop();
  int port() const;
  std::string host() const;  // "http://127.0.0.1:<port>"
  const EngineKeys& keys() const;
  EngineStatistics statistics() const;

 private:
  struct Parts;
  explicit Engine(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace velmora::engine
