#include "workbook/save_workbook.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "workbook/xls_writer.h"
#include "workbook/xlsx_writer.h"

namespace verdin {

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerTail) {
  if (text.size() < lowerTail.size()) return false;
  return std::equal(lowerTail.begin(), lowerTail.end(), text.end() - static_cast<std::ptrdiff_t>(lowerTail.size()),
                    [](char tail, char c) { return tail == std::tolower(static_cast<unsigned char>(c)); });
}

}  // namespace

WorkbookFormat FormatOfName(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  if (EndsWithIgnoringCase(name, ".xlsx")) return WorkbookFormat::Xlsx;
  if (EndsWithIgnoringCase(name, ".xls")) return WorkbookFormat::Xls;
  return WorkbookFormat::None;
}

void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file) {
  if (FormatOfName(file) == WorkbookFormat::Xlsx) {
    WriteXlsx(sheet, file);
  } else {
    WriteXls(sheet, file);
  }
}

}  // namespace verdin
