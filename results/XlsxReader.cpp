#include "results/XlsxReader.h"

#include <zip.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <vector>

#include "results/GeneralFormat.h"

namespace velmora {
namespace {

// ---------------------------------------------------------------- zip parts

// The parts of one open zip archive, each unpacked under the size limits.
class ZipParts {
 public:
  ZipParts(const std::string& path, const ReadLimits& limits) : limits_(limits) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!zip_) {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      error_ = std::string("文件不是有效的 xlsx 工作簿（") + zip_error_strerror(&error) + "）";
      zip_error_fini(&error);
    }
  }
  ~ZipParts() {
    if (zip_) zip_discard(zip_);
  }
  ZipParts(const ZipParts&) = delete;
  ZipParts& operator=(const ZipParts&) = delete;

  bool isOpen() const { return zip_ != nullptr; }
  const std::string& error() const { return error_; }

  bool has(const std::string& name) const { return zip_ && zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE) >= 0; }

  // The unpacked bytes of a part, or nothing (error() then says why).
  std::optional<std::string> read(const std::string& name) {
    const zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return fail("工作簿缺少部件 " + name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) return fail("无法读取部件 " + name);
    const std::uint64_t allowed = std::min(limits_.maxPartBytes, limits_.maxTotalBytes - used_);
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > allowed) return tooLarge(name);

    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0),
                                                           &zip_fclose);
    if (!file) return fail("无法解压部件 " + name + "（" + zip_strerror(zip_) + "）");
    std::string bytes;
    if (stat.valid & ZIP_STAT_SIZE) bytes.reserve(static_cast<std::size_t>(stat.size));
    char chunk[1 << 16];
    for (;;) {
      const zip_int64_t got = zip_fread(file.get(), chunk, sizeof chunk);
      if (got < 0) return fail("部件 " + name + " 已损坏（" + zip_file_strerror(file.get()) + "）");
      if (got == 0) break;
      // The declared size may lie: the count of bytes actually inflated decides.
      if (bytes.size() + static_cast<std::size_t>(got) > allowed) return tooLarge(name);
      bytes.append(chunk, static_cast<std::size_t>(got));
    }
    used_ += bytes.size();
    return bytes;
  }

 private:
  std::optional<std::string> fail(std::string why) {
    error_ = std::move(why);
    return std::nullopt;
  }
  std::optional<std::string> tooLarge(const std::string& name) {
    return fail("部件 " + name + " 解压后过大，文件可能是压缩炸弹，已拒绝读取");
  }

  ReadLimits limits_;
  zip_t* zip_ = nullptr;
  std::string error_;
  std::uint64_t used_ = 0;
};

// ---------------------------------------------------------------- XML helpers

// Element name without its namespace prefix: "x:row" -> "row".
const char* localName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}
bool is(const pugi::xml_node& node, const char* name) {
  return node.type() == pugi::node_element && std::strcmp(localName(node.name()), name) == 0;
}
pugi::xml_node child(const pugi::xml_node& parent, const char* name) {
  for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling())
    if (is(node, name)) return node;
  return {};
}
// Attribute by local name, whatever prefix the writer chose ("r:id").
pugi::xml_attribute attribute(const pugi::xml_node& node, const char* name) {
  for (pugi::xml_attribute attr = node.first_attribute(); attr; attr = attr.next_attribute())
    if (std::strcmp(localName(attr.name()), name) == 0) return attr;
  return {};
}

// A parsed part; the document parses its buffer in place, so both live together.
struct XmlPart {
  std::string buffer;
  pugi::xml_document document;
};

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Reads "_xHHHH_" at text[pos]; the UTF-16 unit, or nothing.
std::optional<char16_t> escapeAt(std::string_view text, std::size_t pos) {
  if (pos + 7 > text.size() || text[pos] != '_' || text[pos + 1] != 'x' || text[pos + 6] != '_') return std::nullopt;
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data() + pos + 2, text.data() + pos + 6, value, 16);
  if (ec != std::errc() || end != text.data() + pos + 6) return std::nullopt;
  return static_cast<char16_t>(value);
}

// Spreadsheet writers store characters XML cannot carry as "_xHHHH_"
// (a carriage return is "_x000D_", a literal "_x" sequence is "_x005F_x...").
std::string unescapeOoxml(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto unit = escapeAt(text, pos);
    if (!unit) {
      out += text[pos++];
      continue;
    }
    pos += 7;
    char32_t code = *unit;
    if (code >= 0xD800 && code < 0xDC00) {
      if (const auto low = escapeAt(text, pos); low && *low >= 0xDC00 && *low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
        pos += 7;
      }
    }
    if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;  // a lone surrogate
    appendUtf8(out, code);
  }
  return out;
}

// The text of a rich or plain string item (<si> or <is>): its own <t> and the
// <t> of each run, phonetic hints (<rPh>) left out.
std::string stringItemText(const pugi::xml_node& item) {
  std::string text;
  for (pugi::xml_node node = item.first_child(); node; node = node.next_sibling()) {
    if (is(node, "t")) text += node.child_value();
    if (is(node, "r")) text += child(node, "t").child_value();
  }
  return unescapeOoxml(text);
}

// "B12" -> column 1, row 11. Nothing when the reference is malformed.
struct CellRef {
  std::size_t row;
  std::size_t column;
};
std::optional<CellRef> parseCellRef(std::string_view ref) {
  std::size_t pos = 0;
  std::size_t column = 0;
  while (pos < ref.size() && ((ref[pos] >= 'A' && ref[pos] <= 'Z') || (ref[pos] >= 'a' && ref[pos] <= 'z'))) {
    column = column * 26 + static_cast<std::size_t>((ref[pos] | 0x20) - 'a' + 1);
    if (++pos > 3) return std::nullopt;
  }
  std::size_t row = 0;
  const auto [end, ec] = std::from_chars(ref.data() + pos, ref.data() + ref.size(), row);
  if (pos == 0 || ec != std::errc() || end != ref.data() + ref.size() || row == 0) return std::nullopt;
  return CellRef{row - 1, column - 1};
}

// ---------------------------------------------------------------- the book

class XlsxBook {
 public:
  XlsxBook(const std::string& path, const ReadLimits& limits) : zip_(path, limits), limits_(limits) {}

  SheetReadResult readFirstSheet() {
    if (!zip_.isOpen()) return SheetReadResult::failure(zip_.error());
    const auto workbookPath = officeDocumentPath();
    if (!workbookPath) return failure();
    auto workbook = parse(*workbookPath);
    if (!workbook) return failure();
    const auto relations = relationships(*workbookPath);
    if (!relations) return failure();
    const std::string sheetPath = firstWorksheetPath(workbook->document, *relations);
    if (sheetPath.empty()) return SheetReadResult::failure("工作簿中没有工作表");
    // A book without text cells may name a shared-strings part it lacks.
    if (const std::string sst = targetOfType(*relations, "/sharedStrings");
        !sst.empty() && zip_.has(sst) && !readSharedStrings(sst))
      return failure();
    auto sheet = parse(sheetPath);
    if (!sheet) return failure();
    return readCells(sheet->document);
  }

 private:
  struct Relationship {
    std::string type;
    std::string id;
    std::string target;  // part name, resolved against the source part
  };

  SheetReadResult failure() const { return SheetReadResult::failure(error_); }

  std::unique_ptr<XmlPart> parse(const std::string& name) {
    auto part = std::make_unique<XmlPart>();
    auto bytes = zip_.read(name);
    if (!bytes) {
      error_ = zip_.error();
      return nullptr;
    }
    part->buffer = std::move(*bytes);
    const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single;
    const auto result = part->document.load_buffer_inplace(part->buffer.data(), part->buffer.size(), options);
    if (!result) {
      error_ = "工作簿内容损坏：" + name + " 无法解析（" + result.description() + "）";
      return nullptr;
    }
    return part;
  }

  // The workbook part named by the package relationships; the usual name
  // when the package has none.
  std::optional<std::string> officeDocumentPath() {
    const auto relations = relationships("");
    if (!relations) return std::nullopt;
    const std::string target = targetOfType(*relations, "/officeDocument");
    return target.empty() ? "xl/workbook.xml" : target;
  }

  // Relationships of a part ("" for the package itself): none when the part
  // has no relationships part, nothing when that part is corrupt.
  std::optional<std::vector<Relationship>> relationships(const std::string& source) {
    const auto slash = source.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : source.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? source : source.substr(slash + 1);
    const std::string relsName = folder + "_rels/" + file + ".rels";
    std::vector<Relationship> found;
    if (!zip_.has(relsName)) return found;
    auto rels = parse(relsName);
    if (!rels) return std::nullopt;
    for (pugi::xml_node node : rels->document.document_element().children()) {
      if (!is(node, "Relationship") || std::string_view(node.attribute("TargetMode").value()) == "External") continue;
      found.push_back({node.attribute("Type").value(), node.attribute("Id").value(),
                       resolve(folder, node.attribute("Target").value())});
    }
    return found;
  }

  // A target relative to folder (or absolute from the package root) as a part name.
  static std::string resolve(const std::string& folder, std::string_view target) {
    std::string joined = !target.empty() && target.front() == '/' ? std::string(target.substr(1)) : folder + std::string(target);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
      const std::size_t end = std::min(joined.find('/', start), joined.size());
      const std::string piece = joined.substr(start, end - start);
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!piece.empty() && piece != ".") {
        parts.push_back(piece);
      }
      start = end + 1;
    }
    std::string name;
    for (const auto& piece : parts) name += (name.empty() ? "" : "/") + piece;
    return name;
  }

  static std::string targetOfType(const std::vector<Relationship>& relations, std::string_view typeTail) {
    for (const auto& relation : relations)
      if (endsWith(relation.type, typeTail)) return relation.target;
    return {};
  }

  // The first <sheet> of the workbook, in its own order, that is a worksheet
  // (chart sheets and dialog sheets are passed over).
  static std::string firstWorksheetPath(const pugi::xml_document& workbook, const std::vector<Relationship>& relations) {
    const pugi::xml_node sheets = child(workbook.document_element(), "sheets");
    for (pugi::xml_node sheet = sheets.first_child(); sheet; sheet = sheet.next_sibling()) {
      if (!is(sheet, "sheet")) continue;
      const std::string_view id = attribute(sheet, "id").value();
      for (const auto& relation : relations)
        if (relation.id == id && endsWith(relation.type, "/worksheet")) return relation.target;
    }
    return {};
  }

  bool readSharedStrings(const std::string& name) {
    auto part = parse(name);
    if (!part) return false;
    for (pugi::xml_node item : part->document.document_element().children())
      if (is(item, "si")) sharedStrings_.push_back(stringItemText(item));
    return true;
  }

  // The text of one <c> element, or nothing when the cell is corrupt.
  std::optional<std::string> cellText(const pugi::xml_node& cell) const {
    const std::string_view type = attribute(cell, "t").value();
    if (type == "inlineStr") return stringItemText(child(cell, "is"));
    const pugi::xml_node valueNode = child(cell, "v");
    const char* value = valueNode.child_value();
    if (type == "s") {
      char* end = nullptr;
      const unsigned long index = std::strtoul(value, &end, 10);
      if (end == value || index >= sharedStrings_.size()) return std::nullopt;
      return sharedStrings_[index];
    }
    if (type == "b") return std::string(std::strcmp(value, "1") == 0 ? "TRUE" : "FALSE");
    if (type == "str" || type == "e" || type == "d") return unescapeOoxml(value);
    if (*value == '\0') return std::string();
    char* end = nullptr;
    const double number = std::strtod(value, &end);
    return *end == '\0' ? formatGeneralNumber(number) : std::string(value);
  }

  SheetReadResult readCells(const pugi::xml_document& sheet) {
    SheetReadResult result{true, {}, {}};
    const pugi::xml_node data = child(sheet.document_element(), "sheetData");
    std::size_t rowIndex = 0;
    for (pugi::xml_node row = data.first_child(); row; row = row.next_sibling()) {
      if (!is(row, "row")) continue;
      if (const auto number = row.attribute("r").as_ullong(0); number > 0) rowIndex = number - 1;
      if (rowIndex >= limits_.maxRows) return SheetReadResult::failure("工作表内容损坏：行号超出范围");
      std::size_t column = 0;
      for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling()) {
        if (!is(cell, "c")) continue;
        if (const char* ref = cell.attribute("r").value(); *ref) {
          const auto parsed = parseCellRef(ref);
          if (!parsed) return SheetReadResult::failure(std::string("工作表内容损坏：单元格地址无效 ") + ref);
          column = parsed->column;
        }
        if (column < limits_.columns) {
          auto text = cellText(cell);
          if (!text) return SheetReadResult::failure("工作表内容损坏：共享字符串索引无效");
          if (!text->empty()) result.sheet.set(rowIndex, column, std::move(*text));
        }
        ++column;
      }
      ++rowIndex;
    }
    return result;
  }

  ZipParts zip_;
  ReadLimits limits_;
  std::string error_;
  std::vector<std::string> sharedStrings_;
};

}  // namespace

SheetReadResult readXlsxFirstSheet(const std::string& path, const ReadLimits& limits) {
  XlsxBook book(path, limits);
  return book.readFirstSheet();
}

}  // namespace velmora
