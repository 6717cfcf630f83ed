#pragma once
// Checking a face reply of the vision service into ServiceStatus.
#include "json/JsonDocument.h"
#include "text/Text.h"
#include "vision/ServiceStatus.h"

namespace velmora {

// Parses reply into replyDocument (left parsed there) and records the outcome
// in status. An "error_code" of 0 (number or string) sets success to 1 and
// leaves the texts of the last failure as they were. Anything else (another
// code, no code, no JSON at all) sets success to 0, errorCode to the code's
// JSON text (empty when there is none), message to "error_msg" (empty when
// there is none) and description to the system's own description of the code.
void checkServiceReply(JsonDocument& replyDocument, const Text& reply, ServiceStatus& status);

}  // namespace velmora
