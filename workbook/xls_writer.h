// The sheet as an Excel 97–2003 workbook (BIFF8 in an OLE2 compound file).
#pragma once

#include <filesystem>

#include "workbook/sheet.h"

namespace verdin {

// Writes the sheet as the only worksheet ("Смета") of an .xls workbook.
// Atomic: the file appears whole or not at all. Throws SheetOperationError
// with a Russian message naming the file and the reason.
void WriteXls(const Sheet& sheet, const std::filesystem::path& file);

}  // namespace verdin
