#pragma once
// Reads the first worksheet of a workbook, whatever its extension says: the
// content decides between xlsx (a zip package) and xls (an OLE compound
// file). Password-protected books of either kind are refused with a clear
// reason, as is anything that is not a workbook.
#include <string>

#include "results/SheetData.h"

namespace velmora {

// path is in the file-system encoding.
SheetReadResult readFirstSheet(const std::string& path, const ReadLimits& limits = {});

}  // namespace velmora
