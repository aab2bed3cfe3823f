// The norm database's sheets as an .xlsx workbook, through libxlsxwriter:
// headings in bold on a frozen first row, the widths set, numbers as
// number cells, multi-line notes wrapped.
#include "workbook/norm_io/norm_workbook_files.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <map>
#include <memory>
#include <optional>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "workbook/sheet.h"
#include "workbook/xlsx_package.h"

namespace verdin {

namespace {

struct WorkbookFree {
  void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& reason) {
  throw SheetOperationError("Не удалось записать книгу «" + PathText(file) + "»: " + reason + ".");
}

void Check(lxw_error error, const std::filesystem::path& file) {
  if (error == LXW_NO_ERROR) return;
  Fail(file, error == LXW_ERROR_MEMORY_MALLOC_FAILED ? std::string("недостаточно памяти")
                                                     : std::string("ошибка библиотеки записи (") +
                                                           lxw_strerror(error) + ")");
}

// The formats of numbers with a fixed count of decimals ("0.00"), one for each count.
class NumberFormats {
 public:
  explicit NumberFormats(lxw_workbook* workbook) : workbook_(workbook) {}
  lxw_format* For(int decimals) {
    if (decimals < 0) return nullptr;
    auto found = formats_.find(decimals);
    if (found == formats_.end()) {
      lxw_format* format = workbook_add_format(workbook_);
      if (format == nullptr) return nullptr;
      format_set_num_format(format, decimals == 0 ? "0" : ("0." + std::string(static_cast<std::size_t>(decimals), '0')).c_str());
      found = formats_.emplace(decimals, format).first;
    }
    return found->second;
  }

 private:
  lxw_workbook* workbook_;
  std::map<int, lxw_format*> formats_;
};

void WriteSheet(lxw_workbook* workbook, const GridSheet& sheet, const std::filesystem::path& file,
                lxw_format* heading, lxw_format* wrapped, NumberFormats& numbers) {
  lxw_worksheet* worksheet = workbook_add_worksheet(workbook, sheet.name.c_str());
  if (worksheet == nullptr) Fail(file, "не удалось добавить лист «" + sheet.name + "»");
  worksheet_freeze_panes(worksheet, 1, 0);
  for (std::size_t c = 0; c < sheet.widths.size(); ++c) {
    const auto column = static_cast<lxw_col_t>(c);
    // A wide column holds long texts: notes wrap in it.
    Check(worksheet_set_column(worksheet, column, column, sheet.widths[c], sheet.widths[c] >= 80 ? wrapped : nullptr),
          file);
  }
  for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
    const auto row = static_cast<lxw_row_t>(r);
    for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
      const GridCell& cell = sheet.rows[r][c];
      const auto column = static_cast<lxw_col_t>(c);
      lxw_format* format = r == 0 ? heading : (c < sheet.widths.size() && sheet.widths[c] >= 80 ? wrapped : nullptr);
      if (cell.kind == GridCell::Kind::Number) {
        Check(worksheet_write_number(worksheet, row, column, cell.number,
                                     cell.decimals >= 0 ? numbers.For(cell.decimals) : format),
              file);
      } else if (cell.kind == GridCell::Kind::Text) {
        Check(worksheet_write_string(worksheet, row, column, cell.text.c_str(), format), file);
      }
    }
  }
}

// Lets the library write the workbook into a scratch folder of this
// write's own and returns the finished package, read back and checked.
// The library opens its files through the system's code page, which on
// Windows cannot spell every folder, so the scratch folder is named in a
// form it can open; it goes away on every way out, a signal included.
std::string BuildPackage(const std::vector<GridSheet>& sheets, const std::filesystem::path& file) {
  std::optional<PrivateFolder> scratchFolder;
  try {
    scratchFolder.emplace(platform::ScratchFolderFor(platform::SystemTemporaryFolder()), "verdin-norms-");
  } catch (const WriteFault&) {
    scratchFolder.emplace(platform::ScratchFolderFor(file.parent_path().empty() ? std::filesystem::path(".")
                                                                                : file.parent_path()),
                          ".~norms-");
  }
  const std::filesystem::path book = scratchFolder->path() / "book.xlsx";
  std::string scratch = PathText(scratchFolder->path());
  lxw_workbook_options options{};
  // Rows go out in order, so the library keeps one row in memory at a time.
  options.constant_memory = LXW_TRUE;
  options.tmpdir = scratch.data();
  options.use_zip64 = LXW_FALSE;
  {
    const platform::SilencedStandardError quiet;
    const std::string bookName = PathText(book);
    std::unique_ptr<lxw_workbook, WorkbookFree> workbook(workbook_new_opt(bookName.c_str(), &options));
    if (!workbook) Fail(file, "недостаточно памяти");
    lxw_format* heading = workbook_add_format(workbook.get());
    lxw_format* wrapped = workbook_add_format(workbook.get());
    if (heading == nullptr || wrapped == nullptr) Fail(file, "недостаточно памяти");
    format_set_bold(heading);
    format_set_text_wrap(wrapped);
    format_set_align(wrapped, LXW_ALIGN_VERTICAL_TOP);
    NumberFormats numbers(workbook.get());
    for (const GridSheet& sheet : sheets) WriteSheet(workbook.get(), sheet, file, heading, wrapped, numbers);
    errno = 0;
    const lxw_error closed = workbook_close(workbook.release());
    const int systemError = errno;
    if (closed != LXW_NO_ERROR) {
      Fail(file, systemError != 0 ? SystemErrorText(systemError) : std::string(lxw_strerror(closed)));
    }
  }
  platform::FileDescriptor written;
  std::string package;
  int error = platform::OpenForReading(book, written);
  if (error == 0) error = platform::ReadAll(written, package, kMaxWorkbookFileBytes);
  if (error != 0) Fail(file, SystemErrorText(error));
  // The library does not check its scratch writes (a full disk cuts them
  // short); the package is.
  if (const std::optional<std::string> fault = XlsxPackageFault(package)) {
    Fail(file, "промежуточные файлы книги в папке «" + PathText(scratchFolder->path().parent_path()) +
                   "» записаны не полностью (" + *fault + ")");
  }
  return package;
}

}  // namespace

void WriteNormXlsx(const std::vector<GridSheet>& sheets, const std::filesystem::path& file) {
  try {
    AtomicReplacement replacement(file, ".xlsx");
    replacement.Write(BuildPackage(sheets, file));
    replacement.Commit();
  } catch (const WriteFault& fault) {
    Fail(file, fault.error() != 0 ? SystemErrorText(fault.error()) : fault.what());
  }
}

}  // namespace verdin
