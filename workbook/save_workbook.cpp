#include "workbook/save_workbook.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <variant>

#include "core/line_file.h"
#include "core/loaded_module.h"
#include "core/text_forms.h"
#include "workbook/writer_module.h"

namespace verdin {

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerTail) {
  if (text.size() < lowerTail.size()) return false;
  return std::equal(lowerTail.begin(), lowerTail.end(), text.end() - static_cast<std::ptrdiff_t>(lowerTail.size()),
                    [](char tail, char c) { return tail == std::tolower(static_cast<unsigned char>(c)); });
}

// The module that writes a format, the format's name in messages and the
// word the module's functions are named for.
struct WriterModule {
  const char* name;  // the module's file name without the system's ending
  const char* formatName;
  const char* format;
};

WriterModule ModuleFor(WorkbookFormat format) {
  switch (format) {
    case WorkbookFormat::Xlsx:
      return {"verdin-xlsx", ".xlsx", "xlsx"};
    case WorkbookFormat::Pdf:
      return {"verdin-pdf", "PDF", "pdf"};
    case WorkbookFormat::Xls:
    case WorkbookFormat::None:
      break;
  }
  return {"verdin-xls", ".xls", "xls"};
}

// The entry of the module for the writer, after the module has said that
// it writes that format and belongs to this version of the program.
WriteSheetFunction* EntryOf(const LoadedModule& module, const WriterModule& writer) {
  const char* stamp = module.Find<WriterFormatFunction>(kWriterFormatFunction)();
  const std::string expected = WriterStamp(writer.format);
  if (stamp == nullptr || stamp != expected) {
    ThrowBrokenModule(module.path(), "он пишет «" +
                                         ShowControlBytes(FirstCharacters(stamp != nullptr ? stamp : "", 40)) +
                                         "», а нужен «" + expected + "»");
  }
  return module.Find<WriteSheetFunction>(WriterEntryName(writer.format).c_str());
}

// The length of UTF-8 text in UTF-16 units: one for every character, two
// for one beyond the basic plane.
std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;
    if (byte >= 0xF0) ++units;
  }
  return units;
}

}  // namespace

void CheckCellTexts(const Sheet& sheet, const std::filesystem::path& file) {
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      const std::string* text = cell != nullptr ? std::get_if<std::string>(&cell->value) : nullptr;
      // A text has at least a unit for every four bytes.
      if (text == nullptr || text->size() <= kMaxCellCharacters) continue;
      const std::size_t length = Utf16Length(*text);
      if (length <= kMaxCellCharacters) continue;
      throw SheetOperationError("Не удалось записать файл «" + PathText(file) + "»: в ячейке " +
                                ColumnLetters(column) + std::to_string(row) + " текст длиннее " +
                                std::to_string(kMaxCellCharacters) + " знаков (в нём " + std::to_string(length) +
                                "); сократите его.");
    }
  }
}

WorkbookFormat FormatOfName(const std::filesystem::path& file) {
  const std::string name = PathText(file.filename());
  if (EndsWithIgnoringCase(name, ".xlsx")) return WorkbookFormat::Xlsx;
  if (EndsWithIgnoringCase(name, ".xls")) return WorkbookFormat::Xls;
  if (EndsWithIgnoringCase(name, ".pdf")) return WorkbookFormat::Pdf;
  return WorkbookFormat::None;
}

void SaveWorkbook(const Sheet& sheet, const std::filesystem::path& file) {
  CheckCellTexts(sheet, file);
  const WriterModule writer = ModuleFor(FormatOfName(file));
  std::string message;
  bool written = false;
  try {
    const LoadedModule module(ModuleFileName(writer.name));
    written = EntryOf(module, writer)(sheet, file, message);
  } catch (const ModuleError& error) {
    if (error.kind() == ModuleError::Kind::Broken) {
      throw SheetOperationError("Модуль записи «" + PathText(error.module()) +
                                "» повреждён или не от этой версии программы, файл «" + PathText(file) +
                                "» не записан: " + error.reason() + ".");
    }
    throw SheetOperationError(std::string("Не найден модуль записи ") + writer.formatName + ", файл «" +
                              PathText(file) + "» не записан: " + error.what() + ".");
  }
  if (written) return;
  if (message.empty()) message = "Не удалось записать файл «" + PathText(file) + "»: недостаточно памяти.";
  throw SheetOperationError(message);
}

}  // namespace verdin
