// The norm database's workbook on disk: written and read by a module
// loaded on first use (verdin-norms), so that the program loads the
// spreadsheet libraries only when a database is exported or imported.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "workbook/norm_sheets.h"

namespace verdin {

// The module's entries.
using WriteNormsFunction = bool(const std::vector<GridSheet>& sheets, const std::filesystem::path& file,
                                std::string& message) noexcept;
using ReadNormsFunction = bool(const std::filesystem::path& file, std::vector<GridSheet>& sheets,
                               std::string& message) noexcept;

// Writes the sheets as an .xlsx workbook, atomically. Throws
// SheetOperationError with the Russian message, a missing module included.
void WriteNormWorkbook(const std::vector<GridSheet>& sheets, const std::filesystem::path& file);

// Reads the sheets of an .xlsx or .xls workbook. Throws SheetOperationError
// when the file is no workbook, is damaged or too large.
std::vector<GridSheet> ReadNormWorkbook(const std::filesystem::path& file);

}  // namespace verdin
