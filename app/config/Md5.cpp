#include "app/config/Md5.h"

#include <openssl/evp.h>

namespace velmora {

Text md5Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const EVP_MD* md5 = EVP_md5();
  if (md5 == nullptr || EVP_Digest(bytes.data(), bytes.size(), digest, &length, md5, nullptr) != 1 || length != 16)
    return {};
  static constexpr char kDigits[] = "0123456789ABCDEF";
  Text hex;
  hex.reserve(2 * length);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace velmora
