#include "results/SheetData.h"

namespace velmora {

const std::string& SheetGrid::cell(std::size_t row, std::size_t column) const {
  static const std::string blank;
  if (row >= rows.size() || column >= rows[row].size()) return blank;
  return rows[row][column];
}

void SheetGrid::set(std::size_t row, std::size_t column, std::string text) {
  if (row >= rows.size()) rows.resize(row + 1);
  if (column >= rows[row].size()) rows[row].resize(column + 1);
  rows[row][column] = std::move(text);
}

}  // namespace velmora
