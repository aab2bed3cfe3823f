#include "forms/norm_exchange.h"

#include "workbook/norm_sheets.h"
#include "workbook/norm_workbook.h"

namespace verdin {

void ExportNorms(const std::filesystem::path& folder, const std::filesystem::path& file) {
  WriteNormWorkbook(NormSheets(ReadNormCollection(folder)), file);
}

NormImport ImportNorms(const std::filesystem::path& folder, const std::filesystem::path& file) {
  NormImport result;
  NormSheetsReading reading = CollectionFromSheets(ReadNormWorkbook(file));
  result.problems = std::move(reading.problems);
  if (!result.problems.empty()) return result;
  ReplaceNormFiles(folder, NormFileBytes(reading.collection));
  result.written = true;
  result.tableCount = static_cast<int>(reading.collection.tables.size());
  return result;
}

}  // namespace verdin
