#include "app/ProgramState.h"

#include "app/config/ConfigFile.h"
#include "app/config/KeyScramble.h"

namespace velmora {

namespace {

// The service keys as stored in config.ini, read anew at every token request
// so that keys saved meanwhile take effect.
ApiKeySource storedKeys(const ConfigFile& config) {
  return [path = config.path()] {
    const ConfigFile file(path);
    return ApiKeys{descrambleKey(file.value(ConfigFile::kApiKey), kKeyPassPhrase),
                   descrambleKey(file.value(ConfigFile::kSecretKey), kKeyPassPhrase)};
  };
}

}  // namespace

void ProgramState::create(const ConfigFile& config) {
  if (created_) return;
  // 1. The vision client, before the reply document.
  visionClient = std::make_unique<VisionClient>(storedKeys(config), config.value(ConfigFile::kHost));
  // 2. The reply document, variable "da", its script engine started.
  replyDocument = std::make_unique<JsonDocument>();
  // 3. The selected-row list starts empty.
  selectedRows.clear();
  // The service status starts unsuccessful with three empty texts; the
  // request start time starts at zero.
  serviceStatus = ServiceStatus{};
  requestStartTime = 0;
  created_ = true;
  released_ = false;
}

void ProgramState::release() {
  if (!created_ || released_) return;
  // 1. The vision client (this closes its HttpClient).
  visionClient.reset();
  // 2. The three texts of the service status.
  serviceStatus = ServiceStatus{};
  // 3. The reply document (this releases its script engine).
  replyDocument.reset();
  // 4. The selected-row list.
  std::vector<std::int32_t>().swap(selectedRows);
  released_ = true;
}

}  // namespace velmora
