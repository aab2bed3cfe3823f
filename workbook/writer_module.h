// The two functions each writer module (.xls, .xlsx, PDF) exports: its
// entry, named for the format it writes ("verdin_write_xls",
// "verdin_write_xlsx", "verdin_write_pdf"), and "verdin_writer_format",
// which says which format and which version of the program the module was
// built for ("xls 1.9"). A module put in another's place, or left from
// another version, is so told apart before anything of it runs.
// Exceptions never cross the module's edge: the entry catches them and
// hands back their Russian message instead.
#pragma once

#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

#include "core/line_file.h"
#include "core/version.h"
#include "workbook/sheet.h"

// Marks the module's two functions as its only exported symbols (the
// modules are built with hidden visibility and a version script that hides
// the rest).
// How a module exports its entries; the Windows build sets
// __declspec(dllexport) instead.
#ifndef VERDIN_MODULE_EXPORT
#define VERDIN_MODULE_EXPORT __attribute__((visibility("default")))
#endif
#define VERDIN_MODULE_ENTRY extern "C" VERDIN_MODULE_EXPORT

// Defines the module's "verdin_writer_format" for `format` (xls, xlsx, pdf).
#define VERDIN_WRITER_FORMAT(format) \
  VERDIN_MODULE_ENTRY const char* verdin_writer_format() noexcept { return #format " " VERDIN_VERSION; }

namespace verdin {

// Writes the sheet to `file`. Returns true on success; on failure false,
// with the Russian message in `message`.
using WriteSheetFunction = bool(const Sheet& sheet, const std::filesystem::path& file,
                                std::string& message) noexcept;
// The format and version a module was built for.
using WriterFormatFunction = const char*() noexcept;
inline constexpr const char* kWriterFormatFunction = "verdin_writer_format";

// The entry of the module for a format: "verdin_write_" and the format.
inline std::string WriterEntryName(std::string_view format) { return "verdin_write_" + std::string(format); }
// What "verdin_writer_format" of that module returns: "xls 1.9".
inline std::string WriterStamp(std::string_view format) { return std::string(format) + " " + VERDIN_VERSION; }

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
