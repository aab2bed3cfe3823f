// The one function each writer module (.xls, .xlsx, PDF) exports, under
// the same name. Exceptions never cross the module's edge: the function
// catches them and hands back their Russian message instead.
#pragma once

#include <exception>
#include <filesystem>
#include <new>
#include <string>

#include "core/line_file.h"
#include "workbook/sheet.h"

// Marks the module's entry as its only exported symbol (the modules are
// built with hidden visibility and a version script that hides the rest).
#define VERDIN_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

namespace verdin {

// Writes the sheet to `file`. Returns true on success; on failure false,
// with the Russian message in `message`.
using WriteSheetFunction = bool(const Sheet& sheet, const std::filesystem::path& file,
                                std::string& message) noexcept;
inline constexpr const char* kWriteSheetFunction = "verdin_write_sheet";

// The body of a module's entry: runs `write` and turns whatever it throws
// into `message`.
template <typename Write>
bool WriteReportingFailure(const std::filesystem::path& file, Write write, std::string& message) noexcept {
  try {
    try {
      write();
      return true;
    } catch (const std::bad_alloc&) {
      message = "Не удалось записать файл «" + PathText(file) + "»: недостаточно памяти.";
    } catch (const std::exception& error) {
      message = error.what();
    } catch (...) {
      message = "Не удалось записать файл «" + PathText(file) + "»: непредвиденная ошибка.";
    }
  } catch (...) {
    message.clear();  // no memory even for the message; the caller words it
  }
  return false;
}

}  // namespace verdin
