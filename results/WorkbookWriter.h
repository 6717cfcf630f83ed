#pragma once
// Writes one sheet of text cells into a new xlsx workbook with libxlsxwriter.
// Every cell, header included, is a text cell with a thin border on all four
// sides, and error indicators (such as "number stored as text") are switched
// off over the whole written block. The file is written by save().
#include <cstddef>
#include <string>
#include <vector>

#include "results/SheetData.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace velmora {

struct SaveOutcome {
  bool saved = false;
  std::string error;  // UTF-8, why the book was not written
};

class WorkbookWriter {
 public:
  // path is in the file-system encoding; sheetName is UTF-8.
  WorkbookWriter(const std::string& path, const std::string& sheetName);
  ~WorkbookWriter();
  WorkbookWriter(const WorkbookWriter&) = delete;
  WorkbookWriter& operator=(const WorkbookWriter&) = delete;

  // Appends the next row, starting at row 1 of the sheet.
  void writeRow(const SheetRow& cells);

  // Switches the error indicators off over the written block and writes the
  // file. Call once; later rows are ignored.
  SaveOutcome save();

 private:
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* format_ = nullptr;
  std::string setupError_;
  std::size_t rows_ = 0;
  std::size_t columns_ = 0;
};

}  // namespace velmora
