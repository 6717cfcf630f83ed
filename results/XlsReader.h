#pragma once
// Reads the first worksheet of an Excel 97-2003 workbook (.xls, BIFF inside
// an OLE compound file) as text, through FreeXL. Numbers are shown as the
// General format shows them; dates and times as FreeXL gives them
// ("2024-03-01", "12:30:00"). A book with a password is refused.
#include <string>

#include "results/SheetData.h"

namespace velmora {

// path is in the file-system encoding.
SheetReadResult readXlsFirstSheet(const std::string& path, const ReadLimits& limits = {});

}  // namespace velmora
