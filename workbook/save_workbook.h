// Saving a sheet as a workbook file, in the format its name asks for.
#pragma once

#include <cstddef>
#include <filesystem>

#include "workbook/sheet.h"

namespace verdin {

// The format a file name asks for by its ending, in any case: ".xls",
// ".xlsx" or ".pdf" (the sheet drawn on A4 pages); None for any other name.
enum class WorkbookFormat { None, Xls, Xlsx, Pdf };
WorkbookFormat FormatOfName(const std::filesystem::path& file);

// The most characters a cell's text may have, counted as the spreadsheet
// counts them (UTF-16 units): the bound of .xls and .xlsx, kept in the
// PDF document too, so that the three formats take the same sheets.
inline constexpr std::size_t kMaxCellCharacters = 32767;

// Refuses a sheet with a text longer than a cell holds: throws
// SheetOperationError "Не удалось записать файл «…»: в ячейке B12 текст
// длиннее 32767 знаков (в нём N)." Every writer checks this before it
// builds anything, so a long text costs no more than the text itself.
void CheckCellTexts(const Sheet& sheet, const std::filesystem::path& file);

// Saves as .xlsx when the name ends in ".xlsx" (in any case), as a PDF
// document when it ends in ".pdf", else as .xls (BIFF8). The writer is a
// module loaded on first use (see core/loaded_module.h). Atomic; a failure,
// a missing module included, throws SheetOperationError naming the file and
// the reason, and no earlier file of that name is harmed.
void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file);

}  // namespace verdin
