#include "engine/face/PictureDigest.h"

#include <stdexcept>

#include <openssl/evp.h>

namespace velmora::engine {

PictureDigest digestOf(std::span<const std::uint8_t> bytes) {
  PictureDigest digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1 ||
      length != digest.size()) {
    throw std::runtime_error("SHA-256 failed");
  }
  return digest;
}

std::string faceTokenOf(const PictureDigest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  token.reserve(32);
  for (std::size_t i = 0; i < 16; ++i) {
    token.push_back(kHex[digest[i] >> 4]);
    token.push_back(kHex[digest[i] & 0x0F]);
  }
  return token;
}

}  // namespace velmora::engine
