#include "forms/norm_exchange.h"

#include "core/line_file.h"
#include "workbook/norm_sheets.h"
#include "workbook/norm_workbook.h"

namespace verdin {

void ExportNorms(const std::filesystem::path& folder, const std::filesystem::path& file) {
  WriteNormWorkbook(NormSheets(ReadNormCollection(folder)), file);
}

NormImport ImportNorms(const std::filesystem::path& folder, const std::filesystem::path& file,
                       const std::function<bool(int tableCount)>& confirm) {
  NormImport result;
  NormSheetsReading reading = CollectionFromSheets(ReadNormWorkbook(file));
  result.problems = std::move(reading.problems);
  if (!result.problems.empty()) return result;
  if (confirm && !confirm(static_cast<int>(reading.collection.tables.size()))) return result;
  ReplaceNormFiles(folder, NormFileBytes(reading.collection));
  result.written = true;
  result.tableCount = static_cast<int>(reading.collection.tables.size());
  return result;
}

std::string NormImportRefusal(const std::filesystem::path& file) {
  return "База норм не изменена: в книге «" + PathText(file) + "» найдены ошибки.";
}

}  // namespace verdin
