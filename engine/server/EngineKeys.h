#pragma once
// The key pair the offline engine accepts and the access token it hands out
// for it. They are made once, at random, and kept in a small file in the
// engine's data folder ("keys", readable by its owner only), so that the
// program's config.ini keeps working across restarts of the engine.
#include <optional>
#include <string>

namespace velmora::engine {

struct EngineKeys {
  std::string apiKey;
  std::string secretKey;
  std::string accessToken;

  // Fresh random keys (hex from the system's random source).
  static EngineKeys generate();
  // The keys of file; when the file does not exist, fresh keys are written
  // there first. Nothing (and a reason in error) when the file cannot be read
  // or written, or holds no complete set of keys.
  static std::optional<EngineKeys> loadOrCreate(const std::string& file, std::string& error);
};

}  // namespace velmora::engine
