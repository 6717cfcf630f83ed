#pragma once
// Plain sheet data shared by the workbook writer and readers: rows of cell
// texts in UTF-8, with no widget in sight.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// One sheet row: the texts of its cells from column A on. A row shorter than
// another simply has blank cells at its end.
using SheetRow = std::vector<std::string>;

// The leading columns of one worksheet as text. rows[0] is sheet row 1; rows
// the sheet does not store are present and empty.
struct SheetGrid {
  std::vector<SheetRow> rows;

  // Text of the cell at a 0-based row and column; empty when the sheet has none.
  const std::string& cell(std::size_t row, std::size_t column) const;
  // Stores a cell, growing the grid as needed.
  void set(std::size_t row, std::size_t column, std::string text);
};

// Guards against hostile or broken files. The defaults suit any workbook a
// person keeps; tests lower them.
struct ReadLimits {
  std::size_t columns = 4;                          // columns kept from A on
  std::uint64_t maxPartBytes = 256ull << 20;        // one unpacked part of an xlsx book
  std::uint64_t maxTotalBytes = 512ull << 20;       // all unpacked parts read together
  std::size_t maxRows = 1048576;                    // Excel's own row limit
};

// What a reader hands back: the grid, or a reason why there is none.
struct SheetReadResult {
  bool ok = false;
  std::string error;  // UTF-8, for the user
  SheetGrid sheet;

  static SheetReadResult failure(std::string why) { return {false, std::move(why), {}}; }
};

}  // namespace velmora
