#include "workbook/save_workbook.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "core/line_file.h"
#include "core/loaded_module.h"
#include "workbook/writer_module.h"

namespace verdin {

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerTail) {
  if (text.size() < lowerTail.size()) return false;
  return std::equal(lowerTail.begin(), lowerTail.end(), text.end() - static_cast<std::ptrdiff_t>(lowerTail.size()),
                    [](char tail, char c) { return tail == std::tolower(static_cast<unsigned char>(c)); });
}

// The module that writes a format, and the format's name in messages.
struct WriterModule {
  const char* fileName;
  const char* formatName;
};

WriterModule ModuleFor(WorkbookFormat format) {
  switch (format) {
    case WorkbookFormat::Xlsx:
      return {"verdin-xlsx.so", ".xlsx"};
    case WorkbookFormat::Pdf:
      return {"verdin-pdf.so", "PDF"};
    case WorkbookFormat::Xls:
    case WorkbookFormat::None:
      break;
  }
  return {"verdin-xls.so", ".xls"};
}

}  // namespace

WorkbookFormat FormatOfName(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  if (EndsWithIgnoringCase(name, ".xlsx")) return WorkbookFormat::Xlsx;
  if (EndsWithIgnoringCase(name, ".xls")) return WorkbookFormat::Xls;
  if (EndsWithIgnoringCase(name, ".pdf")) return WorkbookFormat::Pdf;
  return WorkbookFormat::None;
}

void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file) {
  const WriterModule writer = ModuleFor(FormatOfName(file));
  std::string message;
  bool written = false;
  try {
    const LoadedModule module(writer.fileName);
    written = module.Find<WriteSheetFunction>(kWriteSheetFunction)(sheet, file, message);
  } catch (const ModuleError& error) {
    throw SheetOperationError(std::string("Не найден модуль записи ") + writer.formatName + ", файл «" +
                              PathText(file) + "» не записан: " + error.what() + ".");
  }
  if (written) return;
  if (message.empty()) message = "Не удалось записать файл «" + PathText(file) + "»: недостаточно памяти.";
  throw SheetOperationError(message);
}

}  // namespace verdin
