// velmora-engine: the offline vision engine. It answers the program's face
// and text requests on 127.0.0.1 with a local face pipeline, a face set kept
// in SQLite and Tesseract, so Velmora works without an account at the cloud
// service and without a network.
//
//   velmora-engine [--port N] [--data-dir DIR] [--models DIR] [--shape-model FILE] [--tessdata DIR]
//   velmora-engine --print-keys [--data-dir DIR]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/contract/StopSignals.h"
#include "engine/server/Engine.h"
#include "engine/server/EngineKeys.h"

namespace {

using velmora::engine::Engine;
using velmora::engine::EngineKeys;
using velmora::engine::EngineOptions;

void usage(std::FILE* to) {
  std::fprintf(to,
               "usage: velmora-engine [--port N] [--data-dir DIR] [--models DIR] [--shape-model FILE] [--tessdata DIR]\n"
               "       velmora-engine --print-keys [--data-dir DIR]\n"
               "  --port N            port on 127.0.0.1 (default 8711; 0 chooses a free one)\n"
               "  --data-dir DIR      where the engine keeps its keys and its face set (faces.db)\n"
               "                      (default $XDG_DATA_HOME/velmora/engine or ~/.local/share/velmora/engine)\n"
               "  --models DIR        folder of the face-embedding weights (default: the project's models/)\n"
               "  --shape-model FILE  dlib's 68-point face landmark model\n"
               "  --tessdata DIR      Tesseract's language data (chi_sim and eng)\n"
               "  --print-keys        print the engine's API key and secret key, one per line (made\n"
               "                      on first use), in the form velmora-keytool reads, and exit\n");
}

std::string defaultDataDir() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0')
    return std::string(data) + "/velmora/engine";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.local/share/velmora/engine";
}

}  // namespace

int main(int argc, char** argv) {
  EngineOptions options;
  options.dataDir = defaultDataDir();
  int port = 8711;
  bool printKeys = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      usage(stdout);
      return 0;
    }
    if (option == "--print-keys") {
      printKeys = true;
      continue;
    }
    if (i + 1 >= argc) {
      usage(stderr);
      return 2;
    }
    const char* value = argv[++i];
    if (option == "--port") port = std::atoi(value);
    else if (option == "--data-dir") options.dataDir = value;
    else if (option == "--models") options.modelDir = value;
    else if (option == "--shape-model") options.shapeModelFile = value;
    else if (option == "--tessdata") options.tessdataDir = value;
    else {
      usage(stderr);
      return 2;
    }
  }

  std::string error;
  if (printKeys) {
    const auto keys = Engine::keysOf(options, error);
    if (!keys) {
      std::fprintf(stderr, "velmora-engine: %s\n", error.c_str());
      return 1;
    }
    std::printf("%s\n%s\n", keys->apiKey.c_str(), keys->secretKey.c_str());
    return 0;
  }

  velmora::contract::blockStopSignals();

  std::unique_ptr<Engine> engine = Engine::open(options, error);
  if (!engine) {
    std::fprintf(stderr, "velmora-engine: %s\n", error.c_str());
    return 1;
  }
  if (!engine->start(port)) {
    std::fprintf(stderr, "velmora-engine: cannot listen on 127.0.0.1:%d (is another engine running?)\n", port);
    return 1;
  }
  std::printf("velmora-engine listening on %s (data in %s)\n", engine->host().c_str(), options.dataDir.c_str());
  std::fflush(stdout);

  velmora::contract::waitForStopSignal();
  engine->stop();
  return 0;
}
