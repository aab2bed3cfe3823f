// The workbook files of the norm database, inside the module that reads
// and writes them (libxlsxwriter, minizip with expat, FreeXL).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "workbook/norm_sheets.h"

namespace verdin {

// The bounds of a workbook read: the file itself, any one part of it
// unpacked (a sheet of the full-size database is about 40 MB), all parts
// together, and the lines of a sheet. A larger workbook is refused before
// its parts are unpacked, and unpacking stops at the bound whatever the
// workbook's directory claims.
inline constexpr std::uintmax_t kMaxWorkbookFileBytes = std::uintmax_t{64} * 1024 * 1024;
inline constexpr std::uint64_t kMaxWorkbookPartBytes = std::uint64_t{96} * 1024 * 1024;
inline constexpr std::uint64_t kMaxWorkbookUnpackedBytes = std::uint64_t{192} * 1024 * 1024;
inline constexpr std::size_t kMaxSheetRows = 250'000;
inline constexpr std::size_t kMaxSheetColumns = 64;

// Writes the sheets as an .xlsx workbook, atomically. Throws
// SheetOperationError naming the file and the reason.
void WriteNormXlsx(const std::vector<GridSheet>& sheets, const std::filesystem::path& file);

// Reads the sheets of an .xlsx (Office Open XML) workbook from its bytes.
// Throws SheetOperationError naming the file when it is no such workbook,
// is damaged or exceeds the bounds.
std::vector<GridSheet> ReadXlsxSheets(const std::string& bytes, const std::filesystem::path& file);

// Reads the sheets of an .xls (BIFF) workbook from its bytes, read from
// `file`. The same errors.
std::vector<GridSheet> ReadXlsSheets(const std::string& bytes, const std::filesystem::path& file);

// Reads a workbook of either kind, told apart by its first bytes.
std::vector<GridSheet> ReadNormWorkbookFile(const std::filesystem::path& file);

}  // namespace verdin
