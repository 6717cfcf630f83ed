#include "results/WorkbookWriter.h"

#include <xlsxwriter.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace velmora {
namespace {

// Every kind of error indicator a spreadsheet may show over a block.
constexpr lxw_ignore_errors kAllIndicators[] = {
    LXW_IGNORE_NUMBER_STORED_AS_TEXT, LXW_IGNORE_EVAL_ERROR,           LXW_IGNORE_FORMULA_DIFFERS,
    LXW_IGNORE_FORMULA_RANGE,         LXW_IGNORE_FORMULA_UNLOCKED,     LXW_IGNORE_EMPTY_CELL_REFERENCE,
    LXW_IGNORE_LIST_DATA_VALIDATION,  LXW_IGNORE_CALCULATED_COLUMN,    LXW_IGNORE_TWO_DIGIT_TEXT_YEAR,
};

// "A1:D4" for a block of rows x columns from the top-left cell.
std::string blockRange(std::size_t rows, std::size_t columns) {
  char range[32];
  lxw_rowcol_to_range(range, 0, 0, static_cast<lxw_row_t>(rows - 1), static_cast<lxw_col_t>(columns - 1));
  return range;
}

// Readers turn "_xHHHH_" in a cell into the character HHHH, so a text that
// holds such a sequence literally gets its underscore escaped as "_x005F_".
bool isEscapeAt(const std::string& text, std::size_t pos) {
  if (pos + 7 > text.size() || text[pos + 1] != 'x' || text[pos + 6] != '_') return false;
  for (std::size_t i = pos + 2; i < pos + 6; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

const char* protectEscapes(const std::string& text, std::string& scratch) {
  if (text.find("_x") == std::string::npos) return text.c_str();
  scratch.clear();
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] == '_' && isEscapeAt(text, pos)) scratch += "_x005F";
    scratch += text[pos];
  }
  return scratch.c_str();
}

}  // namespace

WorkbookWriter::WorkbookWriter(const std::string& path, const std::string& sheetName) {
  book_ = workbook_new(path.c_str());
  if (!book_) {
    setupError_ = "无法创建工作簿";
    return;
  }
  if (const lxw_error invalid = workbook_validate_sheet_name(book_, sheetName.c_str()); invalid != LXW_NO_ERROR) {
    setupError_ = std::string("工作表名称无效：") + lxw_strerror(invalid);
    return;
  }
  sheet_ = workbook_add_worksheet(book_, sheetName.c_str());
  format_ = workbook_add_format(book_);
  if (!sheet_ || !format_) {
    setupError_ = "无法创建工作表";
    return;
  }
  format_set_border(format_, LXW_BORDER_THIN);
}

WorkbookWriter::~WorkbookWriter() {
  if (book_) lxw_workbook_free(book_);
}

void WorkbookWriter::writeRow(const SheetRow& cells) {
  if (!setupError_.empty()) return;
  if (rows_ >= LXW_ROW_MAX || cells.size() > LXW_COL_MAX) {
    setupError_ = "数据超出工作表的行数或列数上限";
    return;
  }
  std::string scratch;
  for (std::size_t column = 0; column < cells.size(); ++column) {
    const lxw_error written = worksheet_write_string(sheet_, static_cast<lxw_row_t>(rows_), static_cast<lxw_col_t>(column),
                                                     protectEscapes(cells[column], scratch), format_);
    if (written != LXW_NO_ERROR) {
      setupError_ = std::string("第 ") + std::to_string(rows_ + 1) + " 行无法写入：" + lxw_strerror(written);
      return;
    }
  }
  columns_ = std::max(columns_, cells.size());
  ++rows_;
}

SaveOutcome WorkbookWriter::save() {
  if (!book_) return {false, setupError_.empty() ? "工作簿已保存过" : setupError_};
  if (!setupError_.empty()) {
    lxw_workbook_free(book_);  // nothing is written
    book_ = nullptr;
    return {false, setupError_};
  }
  if (rows_ > 0 && columns_ > 0) {
    const std::string range = blockRange(rows_, columns_);
    for (const auto indicator : kAllIndicators) worksheet_ignore_errors(sheet_, indicator, range.c_str());
  }
  errno = 0;
  const lxw_error closed = workbook_close(book_);  // writes the file and frees the book
  const int systemError = errno;
  book_ = nullptr;
  if (closed == LXW_NO_ERROR) return {true, {}};
  std::string why = lxw_strerror(closed);
  if (closed == LXW_ERROR_CREATING_XLSX_FILE && systemError != 0) why += std::string(" (") + std::strerror(systemError) + ")";
  return {false, why};
}

}  // namespace velmora
