#pragma once
// Test helpers: build a zip package from named parts, and read one part back.
#include <zip.h>

#include <map>
#include <optional>
#include <string>

namespace velmora::testing {

inline bool writeZip(const std::string& path, const std::map<std::string, std::string>& parts) {
  int code = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!zip) return false;
  for (const auto& [name, bytes] : parts) {
    zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
    if (!source || zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      zip_discard(zip);
      return false;
    }
  }
  return zip_close(zip) == 0;
}

inline std::optional<std::string> readZipPart(const std::string& path, const std::string& name) {
  int code = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!zip) return std::nullopt;
  std::optional<std::string> bytes;
  if (zip_file_t* file = zip_fopen(zip, name.c_str(), 0)) {
    bytes.emplace();
    char chunk[4096];
    zip_int64_t got;
    while ((got = zip_fread(file, chunk, sizeof chunk)) > 0) bytes->append(chunk, static_cast<std::size_t>(got));
    zip_fclose(file);
  }
  zip_discard(zip);
  return bytes;
}

}  // namespace velmora::testing
