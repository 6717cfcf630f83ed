#pragma once
// Reads the first worksheet of an Office Open XML workbook (.xlsx) as text:
// shared and inline strings, numbers as the General format shows them,
// booleans as TRUE/FALSE, error values and cached formula results as stored.
// The book is opened with libzip and its parts parsed with pugixml. Unpacked
// sizes are capped (ReadLimits), so a zip bomb is refused, not inflated.
#include <string>

#include "results/SheetData.h"

namespace velmora {

// path is in the file-system encoding.
SheetReadResult readXlsxFirstSheet(const std::string& path, const ReadLimits& limits = {});

}  // namespace velmora
