// Saving a sheet as a workbook file, in the format its name asks for.
#pragma once

#include <filesystem>

#include "workbook/sheet.h"

namespace verdin {

// Saves as .xlsx when the name ends in ".xlsx" (in any case), else as .xls
// (BIFF8). Atomic; a failure throws SheetOperationError naming the file and
// the reason, and no earlier file of that name is harmed.
void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file);

}  // namespace verdin
