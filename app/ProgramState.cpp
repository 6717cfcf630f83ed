#include "app/ProgramState.h"

namespace velmora {

void ProgramState::create() {
  if (created_) return;
  // 1. The vision client: created here, before the reply document.
  // 2. The reply document: created here, with its script engine started.
  // 3. The selected-row list starts empty.
  selectedRows.clear();
  // The service status starts unsuccessful with three empty texts; the
  // request start time and the receive buffer start at zero and empty.
  requestStartTime = 0;
  receiveBuffer.clear();
  created_ = true;
  released_ = false;
}

void ProgramState::release() {
  if (!created_ || released_) return;
  // 1. Destroy the vision client here (this closes its HttpClient).
  // 2. Release the three texts of the service status here.
  // 3. Destroy the reply document here (this releases its script engine).
  // 4. The receive buffer.
  Bytes().swap(receiveBuffer);
  // 5. The selected-row list.
  std::vector<std::int32_t>().swap(selectedRows);
  released_ = true;
}

}  // namespace velmora
