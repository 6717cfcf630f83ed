#include "vision/ServiceStatus.h"

#include "text/Codepage.h"

namespace velmora {

Text describeErrorCode(std::string_view errorCode) {
  for (const ErrorDescription& row : kErrorDescriptions)
    if (row.code == errorCode) return gbk(row.utf8Description);
  return {};
}

}  // namespace velmora
