#include "vision/TokenReply.h"

namespace velmora {

Text cutBetween(std::string_view text, std::string_view left, std::string_view right) {
  const std::size_t p = text.find(left);
  if (p == std::string_view::npos) return {};
  const std::size_t start = p + left.size();
  const std::size_t q = text.find(right, start);
  if (q == std::string_view::npos) return {};
  return Text(text.substr(start, q - start));
}

Text accessTokenOf(std::string_view reply) {
  if (reply.find("access_token") == std::string_view::npos) return {};
  return cutBetween(reply, R"("access_token":")", R"(",")");
}

}  // namespace velmora
