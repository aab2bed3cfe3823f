#include "workbook/save_workbook.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "workbook/xls_writer.h"
#include "workbook/xlsx_writer.h"

namespace verdin {

void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".xlsx") {
    WriteXlsx(sheet, file);
  } else {
    WriteXls(sheet, file);
  }
}

}  // namespace verdin
