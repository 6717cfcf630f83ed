#include "results/WorkbookReader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "results/XlsReader.h"
#include "results/XlsxReader.h"

namespace velmora {
namespace {

constexpr std::string_view kZipMagic = "PK\x03\x04";
constexpr std::string_view kEmptyZipMagic = "PK\x05\x06";
constexpr std::string_view kOleMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// An xlsx book saved with a password is an OLE compound file that holds the
// encrypted package in a stream of this name (stored in UTF-16LE).
bool holdsEncryptedPackage(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  static const std::string name = [] {
    std::string utf16;
    for (const char c : std::string_view("EncryptedPackage")) (utf16 += c) += '\0';
    return utf16;
  }();
  return bytes.find(name) != std::string::npos;
}

}  // namespace

SheetReadResult readFirstSheet(const std::string& path, const ReadLimits& limits) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return SheetReadResult::failure(std::string("无法打开文件（") + std::strerror(errno) + "）");
  char head[8] = {};
  file.read(head, sizeof head);
  const std::string_view magic(head, static_cast<std::size_t>(file.gcount()));
  file.close();

  if (startsWith(magic, kZipMagic) || startsWith(magic, kEmptyZipMagic)) return readXlsxFirstSheet(path, limits);
  if (startsWith(magic, kOleMagic)) {
    SheetReadResult result = readXlsFirstSheet(path, limits);
    if (!result.ok && holdsEncryptedPackage(path)) return SheetReadResult::failure("工作簿受密码保护，无法读取");
    return result;
  }
  return SheetReadResult::failure("文件不是 Excel 工作簿");
}

}  // namespace velmora
