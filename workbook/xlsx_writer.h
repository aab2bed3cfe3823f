// The sheet as an Office Open XML workbook (.xlsx), through libxlsxwriter.
#pragma once

#include <filesystem>

#include "workbook/sheet.h"

namespace verdin {

// Writes the sheet as the only worksheet ("Смета") of an .xlsx workbook.
// Atomic: the file appears whole or not at all. Throws SheetOperationError
// with a Russian message naming the file and the reason.
void WriteXlsx(const Sheet& sheet, const std::filesystem::path& file);

}  // namespace verdin
