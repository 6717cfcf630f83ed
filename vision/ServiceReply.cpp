#include "vision/ServiceReply.h"

namespace velmora {

namespace {

// "error_code" as the service's reply holds it, passed through its JSON text
// so that 0 and "0" read alike; empty when the member is missing.
Text errorCodeOf(JsonDocument& replyDocument) {
  JsonDocument member = replyDocument.getMember("error_code");
  return member.toText();
}

}  // namespace

void checkServiceReply(JsonDocument& replyDocument, const Text& reply, ServiceStatus& status) {
  replyDocument.parse(reply);
  const Text code = errorCodeOf(replyDocument);
  if (code == "0") {
    status.success = 1;
    return;
  }
  status.success = 0;
  status.errorCode = code;
  status.message = replyDocument.getText("error_msg");
  status.description = describeErrorCode(status.errorCode);
}

}  // namespace velmora
