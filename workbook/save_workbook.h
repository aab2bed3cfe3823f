// Saving a sheet as a workbook file, in the format its name asks for.
#pragma once

#include <filesystem>

#include "workbook/sheet.h"

namespace verdin {

// The workbook format a file name asks for by its ending, in any case:
// ".xls" or ".xlsx"; None for any other name.
enum class WorkbookFormat { None, Xls, Xlsx };
WorkbookFormat FormatOfName(const std::filesystem::path& file);

// Saves as .xlsx when the name ends in ".xlsx" (in any case), else as .xls
// (BIFF8). Atomic; a failure throws SheetOperationError naming the file and
// the reason, and no earlier file of that name is harmed.
void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file);

}  // namespace verdin
