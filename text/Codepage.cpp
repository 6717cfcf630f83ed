#include "text/Codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace velmora {

namespace {

// One iconv descriptor per conversion, closed when the conversion is done.
class Converter {
 public:
  Converter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::string run(std::string_view input) {
    // Back to the initial shift state, whatever the last use left.
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (inLeft > 0) {
      char* outPtr = out.data() + written;
      std::size_t outLeft = out.size() - written;
      const std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      written = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
      } else {
        // EILSEQ or EINVAL: skip the byte that cannot start a character.
        ++in;
        --inLeft;
      }
    }
    // Flush any shift state.
    for (;;) {
      char* outPtr = out.data() + written;
      std::size_t outLeft = out.size() - written;
      if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
        written = out.size() - outLeft;
        break;
      }
      if (errno != E2BIG) break;
      out.resize(out.size() * 2);
    }
    out.resize(written);
    return out;
  }

 private:
  iconv_t cd_;
};

template <typename Char>
std::basic_string<Char> fromBytes(const std::string& bytes) {
  std::basic_string<Char> result(bytes.size() / sizeof(Char), Char{});
  std::memcpy(result.data(), bytes.data(), result.size() * sizeof(Char));
  return result;
}

template <typename Char>
std::string_view asBytes(std::basic_string_view<Char> text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(Char)};
}

constexpr const char* kUtf16 = "UTF-16LE";

// Opening a descriptor loads glibc's conversion module each time, which costs
// far more than converting a short text; each thread keeps the descriptors it
// has opened (a descriptor must not be shared between threads).
Converter* cachedConverter(const char* from, const char* to) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> converters;
  auto& slot = converters[{from, to}];
  if (!slot) slot = std::make_unique<Converter>(from, to);
  return slot->valid() ? slot.get() : nullptr;
}

}  // namespace

std::string convertEncoding(std::string_view input, const char* from, const char* to) {
  if (input.empty()) return {};
  Converter* converter = cachedConverter(from, to);
  if (!converter) return {};
  return converter->run(input);
}

Text utf8ToGbk(std::string_view utf8) { return convertEncoding(utf8, "UTF-8", "CP936"); }
std::string gbkToUtf8(std::string_view gbk) { return convertEncoding(gbk, "CP936", "UTF-8"); }
Text utf8ToGb18030(std::string_view utf8) { return convertEncoding(utf8, "UTF-8", "GB18030"); }
std::string gb18030ToUtf8(std::string_view text) { return convertEncoding(text, "GB18030", "UTF-8"); }

std::u16string gbkToUtf16(std::string_view gbk) {
  return fromBytes<char16_t>(convertEncoding(gbk, "CP936", kUtf16));
}
Text utf16ToGbk(std::u16string_view utf16) { return convertEncoding(asBytes(utf16), kUtf16, "CP936"); }
std::u16string utf8ToUtf16(std::string_view utf8) {
  return fromBytes<char16_t>(convertEncoding(utf8, "UTF-8", kUtf16));
}
std::string utf16ToUtf8(std::u16string_view utf16) { return convertEncoding(asBytes(utf16), kUtf16, "UTF-8"); }

}  // namespace velmora
