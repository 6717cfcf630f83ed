#pragma once
// The program-wide state: one instance of each object, created at start-up
// before the main window exists and released once by the shutdown routine.
#include <cstdint>
#include <memory>
#include <vector>

#include "json/JsonDocument.h"
#include "text/Text.h"
#include "vision/ServiceStatus.h"
#include "vision/VisionClient.h"

namespace velmora {

class ConfigFile;

class ProgramState {
 public:
  ProgramState() = default;
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;
  ~ProgramState() { release(); }

  // Creates the objects, in this order: the vision client (its service host
  // and keys come from config), the reply document, the selected-row list.
  // The service status and the request start time start empty or zero.
  void create(const ConfigFile& config);

  // The shutdown routine. Releases, in this order: the vision client, the
  // service status texts, the reply document, the selected-row list. Runs once; later calls do nothing.
  void release();

  bool isCreated() const { return created_; }
  bool isReleased() const { return released_; }

  // The one client of the vision service, owning the HttpClient that carries
  // every request and the access token.
  std::unique_ptr<VisionClient> visionClient;
  // The reply document shared by all reply handling (script variable "da").
  std::unique_ptr<JsonDocument> replyDocument;
  // The outcome of the last checked face reply.
  ServiceStatus serviceStatus;

  // Tick count at the click that started the running request; 0 when none.
  std::uint32_t requestStartTime = 0;
  // The pictures being received on the TCP port are kept per connection by
  // the remote picture receiver (so two senders never mix their bytes), and
  // released with the window's connections.
  // Row indices of the folder list picked for "打开选择目录".
  std::vector<std::int32_t> selectedRows;

 private:
  bool created_ = false;
  bool released_ = false;
};

}  // namespace velmora
