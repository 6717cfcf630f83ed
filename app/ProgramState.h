#pragma once
// The program-wide state: one instance of each object, created at start-up
// before the main window exists and released once by the shutdown routine.
#include <cstdint>
#include <vector>

#include "text/Text.h"

namespace velmora {

class ProgramState {
 public:
  ProgramState() = default;
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;
  ~ProgramState() { release(); }

  // Creates the objects, in this order: the vision client, the reply
  // document, the selected-row list. The service status, the request start
  // time and the receive buffer start empty or zero.
  void create();

  // The shutdown routine. Releases, in this order: the vision client, the
  // service status texts, the reply document, the receive buffer, the
  // selected-row list. Runs once; later calls do nothing.
  void release();

  bool isCreated() const { return created_; }
  bool isReleased() const { return released_; }

  // The vision client (a VisionClient owning one HttpClient) goes here.
  // The reply document (the shared JsonDocument, script variable "da") goes here.
  // The service status (ServiceStatus of the last checked face reply) goes here.

  // Tick count at the click that started the running request; 0 when none.
  std::uint32_t requestStartTime = 0;
  // Bytes of the picture being received by the remote picture receiver.
  Bytes receiveBuffer;
  // Row indices of the folder list picked for "打开选择目录".
  std::vector<std::int32_t> selectedRows;

 private:
  bool created_ = false;
  bool released_ = false;
};

}  // namespace velmora
