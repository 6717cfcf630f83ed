#include "results/XlsReader.h"

#include <freexl.h>

#include <fstream>
#include <iterator>

#include "results/GeneralFormat.h"

namespace velmora {
namespace {

// Owns a FreeXL handle; FreeXL wants it closed even after a failed open.
class FreeXlBook {
 public:
  explicit FreeXlBook(const std::string& path) : status_(freexl_open(path.c_str(), &handle_)) {}
  ~FreeXlBook() {
    if (handle_) freexl_close(handle_);
  }
  FreeXlBook(const FreeXlBook&) = delete;
  FreeXlBook& operator=(const FreeXlBook&) = delete;

  int status() const { return status_; }
  const void* handle() const { return handle_; }

  unsigned info(unsigned short what) const {
    unsigned value = FREEXL_UNKNOWN;
    freexl_get_info(handle_, what, &value);
    return value;
  }

 private:
  const void* handle_ = nullptr;
  int status_;
};

std::string openError(int status) {
  switch (status) {
    case FREEXL_FILE_NOT_FOUND:
      return "无法打开文件";
    case FREEXL_INSUFFICIENT_MEMORY:
      return "内存不足，无法读取工作簿";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
      return "文件中没有 Excel 工作簿数据";
    default:
      return "xls 工作簿已损坏或格式不受支持（FreeXL 错误 " + std::to_string(status) + "）";
  }
}

// FreeXL stops at the FILEPASS record of a book saved with a password and
// reports no worksheet. The workbook stream starts on a sector boundary of
// the compound file with a BOF record; FILEPASS, when present, comes next.
bool startsWithFilePass(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  };
  for (std::size_t at = 512; at + 8 <= bytes.size(); at += 512) {
    if (u16(at) != 0x0809) continue;  // BOF
    const std::size_t next = at + 4 + u16(at + 2);
    if (next + 2 <= bytes.size() && u16(next) == 0x002F) return true;  // FILEPASS
  }
  return false;
}

std::string cellText(const FreeXL_CellValue& value) {
  switch (value.type) {
    case FREEXL_CELL_INT:
      return std::to_string(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return formatGeneralNumber(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
      return value.value.text_value ? value.value.text_value : "";
    default:
      return {};
  }
}

}  // namespace

SheetReadResult readXlsFirstSheet(const std::string& path, const ReadLimits& limits) {
  const FreeXlBook book(path);
  if (book.status() != FREEXL_OK) return SheetReadResult::failure(openError(book.status()));
  const bool noSheet = book.info(FREEXL_BIFF_SHEET_COUNT) == 0;
  if (book.info(FREEXL_BIFF_PASSWORD) == FREEXL_BIFF_OBFUSCATED || (noSheet && startsWithFilePass(path)))
    return SheetReadResult::failure("工作簿受密码保护，无法读取");
  if (noSheet || freexl_select_active_worksheet(book.handle(), 0) != FREEXL_OK)
    return SheetReadResult::failure("工作簿中没有工作表");

  unsigned rows = 0;
  unsigned short columns = 0;
  if (freexl_worksheet_dimensions(book.handle(), &rows, &columns) != FREEXL_OK)
    return SheetReadResult::failure("无法读取工作表的大小");
  rows = std::min<unsigned>(rows, static_cast<unsigned>(limits.maxRows));
  const unsigned short kept = static_cast<unsigned short>(std::min<std::size_t>(columns, limits.columns));

  SheetReadResult result{true, {}, {}};
  result.sheet.rows.reserve(rows);
  for (unsigned row = 0; row < rows; ++row) {
    for (unsigned short column = 0; column < kept; ++column) {
      FreeXL_CellValue value{};
      if (freexl_get_cell_value(book.handle(), row, column, &value) != FREEXL_OK) continue;
      if (std::string text = cellText(value); !text.empty()) result.sheet.set(row, column, std::move(text));
    }
  }
  return result;
}

}  // namespace velmora
