#include "workbook/xlsx_writer.h"

#include <xlsxwriter.h>


#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/atomic_file.h"
#include "core/platform_files.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "workbook/save_workbook.h"
#include "workbook/xlsx_package.h"

namespace verdin {

namespace {

constexpr const char* kSheetName = "Смета";

// The bounds the sheet keeps to (those of an .xls sheet).
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;

// What the spreadsheet application accepts.
constexpr double kMaxColumnWidth = 255;   // characters
constexpr double kMaxRowHeight = 409;     // points
constexpr std::size_t kMaxFontName = 31;  // characters
constexpr double kPointsPerInch = 72;

// A failure while the workbook is built: the reason alone; WriteXlsx adds
// the file name.
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string CellName(int row, int column) { return ColumnLetters(column) + std::to_string(row); }

std::string SystemReason(int error) { return SystemErrorText(error); }

// True for the errors a system call reports on its own, so that errno names
// the reason better than the library's general text.
bool TellsReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EROFS:
    case EIO:
    case EMFILE:
    case ENFILE:
    case ENOMEM:
      return true;
    default:
      return false;
  }
}

// The reason of a library failure. errno is consulted for the failures that
// come from the file system, where it tells the real cause (a full disk).
std::string LibraryReason(lxw_error error, int systemError) {
  switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED: return "недостаточно памяти";
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
      if (TellsReason(systemError)) return SystemReason(systemError);
      return error == LXW_ERROR_CREATING_XLSX_FILE ? "не удалось создать файл"
             : error == LXW_ERROR_CREATING_TMPFILE || error == LXW_ERROR_READING_TMPFILE
                 ? "ошибка временного файла"
                 : "ошибка упаковки книги";
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED: return "текст длиннее 32767 знаков";
    default: return std::string("ошибка библиотеки записи (") + lxw_strerror(error) + ")";
  }
}

void Check(lxw_error error, const std::string& where) {
  if (error != LXW_NO_ERROR) throw BuildError(where + ": " + LibraryReason(error, 0));
}

// Length in characters of well-formed UTF-8, or npos when the bytes are not
// UTF-8 or hold a character XML cannot carry (U+FFFE, U+FFFF).
std::size_t Utf8Length(std::string_view text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++characters) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      code = lead & 0x07;
    } else {
      return std::string_view::npos;
    }
    if (text.size() - i <= extra) return std::string_view::npos;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::string_view::npos;
      code = (code << 6) | (next & 0x3F);
    }
    const bool overlong = (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF) {
      return std::string_view::npos;
    }
    i += extra + 1;
  }
  return characters;
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The file format writes characters XML cannot hold as "_xHHHH_", and a
// reader decodes every such sequence. A text that holds one literally keeps
// it by escaping its underscore.
std::string ProtectEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && IsHex(text[i + 2]) && IsHex(text[i + 3]) &&
        IsHex(text[i + 4]) && IsHex(text[i + 5]) && text[i + 6] == '_') {
      out += "_x005F";
    }
    out += text[i];
  }
  return out;
}

// Orders formats for the cache of library formats.
struct FormatLess {
  static auto Key(const CellFormat& f) {
    return std::tie(f.fontName, f.fontSize, f.bold, f.horizontal, f.vertical, f.wrap, f.borderLeft, f.borderTop,
                    f.borderRight, f.borderBottom);
  }
  bool operator()(const CellFormat& a, const CellFormat& b) const { return Key(a) < Key(b); }
};

struct WorkbookFree {
  void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using WorkbookHandle = std::unique_ptr<lxw_workbook, WorkbookFree>;

// The library workbook for one sheet: formats made once per distinct
// CellFormat and owned by the workbook.
class Builder {
 public:
  Builder(lxw_workbook* workbook, lxw_worksheet* worksheet) : workbook_(workbook), worksheet_(worksheet) {}

  void Build(const Sheet& sheet) {
    Columns(sheet);
    Rows(sheet);
    Merges(sheet);
    Cells(sheet);
    Page(sheet);
  }

 private:
  lxw_format* FormatOf(const CellFormat& format, const std::string& where) {
    // Checked first: a size that is not a number would upset the ordering.
    if (!(format.fontSize >= 1 && format.fontSize <= 409)) {
      throw BuildError(where + ": недопустимый размер шрифта " + GeneralForm(format.fontSize));
    }
    if (const auto found = formats_.find(format); found != formats_.end()) return found->second;

    const std::size_t nameLength = Utf8Length(format.fontName);
    if (nameLength == std::string_view::npos) throw BuildError(where + ": имя шрифта содержит недопустимые символы");
    if (nameLength == 0) throw BuildError(where + ": не указано имя шрифта");
    if (nameLength > kMaxFontName) {
      throw BuildError(where + ": имя шрифта «" + format.fontName + "» длиннее 31 знака");
    }
    uint8_t horizontal = LXW_ALIGN_NONE;
    switch (format.horizontal) {
      case xl::kAlignGeneral: break;
      case xl::kAlignLeft: horizontal = LXW_ALIGN_LEFT; break;
      case xl::kAlignCenter: horizontal = LXW_ALIGN_CENTER; break;
      case xl::kAlignRight: horizontal = LXW_ALIGN_RIGHT; break;
      default:
        throw BuildError(where + ": неизвестное выравнивание по горизонтали " + std::to_string(format.horizontal));
    }
    uint8_t vertical = LXW_ALIGN_NONE;
    switch (format.vertical) {
      case xl::kAlignBottom: break;  // the default of every cell
      case xl::kAlignCenter: vertical = LXW_ALIGN_VERTICAL_CENTER; break;
      case xl::kAlignTop: vertical = LXW_ALIGN_VERTICAL_TOP; break;
      default:
        throw BuildError(where + ": неизвестное выравнивание по вертикали " + std::to_string(format.vertical));
    }

    lxw_format* made = workbook_add_format(workbook_);
    if (made == nullptr) throw BuildError("недостаточно памяти");
    format_set_font_name(made, format.fontName.c_str());
    format_set_font_size(made, format.fontSize);
    if (format.bold) format_set_bold(made);
    if (horizontal != LXW_ALIGN_NONE) format_set_align(made, horizontal);
    if (vertical != LXW_ALIGN_NONE) format_set_align(made, vertical);
    if (format.wrap) format_set_text_wrap(made);
    if (format.borderLeft) format_set_left(made, LXW_BORDER_THIN);
    if (format.borderTop) format_set_top(made, LXW_BORDER_THIN);
    if (format.borderRight) format_set_right(made, LXW_BORDER_THIN);
    if (format.borderBottom) format_set_bottom(made, LXW_BORDER_THIN);
    formats_.emplace(format, made);
    return made;
  }

  // The format a cell shows: its own, or the defaults for a cell nobody
  // touched.
  lxw_format* FormatAt(const Sheet& sheet, int row, int column) {
    const Cell* cell = sheet.CellAt(row, column);
    return FormatOf(cell != nullptr ? cell->format : CellFormat{}, "ячейка " + CellName(row, column));
  }

  void Columns(const Sheet& sheet) {
    for (int column = 1; column <= std::min(kMaxColumns, sheet.LastSizedColumn()); ++column) {
      const std::optional<double> width = sheet.ColumnWidth(column);
      if (!width) continue;
      const std::string where = "столбец " + ColumnLetters(column);
      if (!(*width >= 0 && *width <= kMaxColumnWidth)) {
        throw BuildError(where + ": недопустимая ширина " + GeneralForm(*width));
      }
      const auto index = static_cast<lxw_col_t>(column - 1);
      Check(worksheet_set_column(worksheet_, index, index, *width, nullptr), where);
    }
  }

  void Rows(const Sheet& sheet) {
    for (int row = 1; row <= std::min(kMaxRows, sheet.LastSizedRow()); ++row) {
      const std::optional<double> height = sheet.RowHeight(row);
      if (!height) continue;
      const std::string where = "строка " + std::to_string(row);
      if (!(*height >= 0 && *height <= kMaxRowHeight)) {
        throw BuildError(where + ": недопустимая высота " + GeneralForm(*height));
      }
      Check(worksheet_set_row(worksheet_, static_cast<lxw_row_t>(row - 1), *height, nullptr), where);
    }
  }

  // A merged range takes the first cell's format from the library on every
  // cell; each cell gets its own format back afterwards (Cells), so borders
  // drawn on the range's edges stay where they were set.
  void Merges(const Sheet& sheet) {
    for (const CellRange& range : sheet.Merges()) {
      const std::string where = "объединение " + CellName(range.firstRow, range.firstColumn) + ":" +
                                CellName(range.lastRow, range.lastColumn);
      if (range.firstRow < 1 || range.firstColumn < 1 || range.lastRow > kMaxRows || range.lastColumn > kMaxColumns ||
          range.firstRow > range.lastRow || range.firstColumn > range.lastColumn) {
        throw BuildError(where + ": диапазон за пределами листа");
      }
      Check(worksheet_merge_range(worksheet_, static_cast<lxw_row_t>(range.firstRow - 1),
                                  static_cast<lxw_col_t>(range.firstColumn - 1),
                                  static_cast<lxw_row_t>(range.lastRow - 1),
                                  static_cast<lxw_col_t>(range.lastColumn - 1), "",
                                  FormatAt(sheet, range.firstRow, range.firstColumn)),
            where);
      for (int row = range.firstRow; row <= range.lastRow; ++row) {
        for (int column = range.firstColumn; column <= range.lastColumn; ++column) merged_.emplace(row, column);
      }
    }
  }

  void Cells(const Sheet& sheet) {
    for (int row = 1; row <= sheet.LastRow(); ++row) {
      for (int column = 1; column <= sheet.LastColumn(); ++column) {
        const Cell* cell = sheet.CellAt(row, column);
        const bool inMerge = merged_.contains({row, column});
        if (cell == nullptr && !inMerge) continue;
        const CellValue& value = cell != nullptr ? cell->value : CellValue{};
        const bool formatted = inMerge || (cell != nullptr && cell->formatted);
        const std::string where = "ячейка " + CellName(row, column);
        const auto r = static_cast<lxw_row_t>(row - 1);
        const auto c = static_cast<lxw_col_t>(column - 1);

        if (const auto* number = std::get_if<double>(&value)) {
          if (!std::isfinite(*number)) throw BuildError(where + ": значение не является конечным числом");
          Check(worksheet_write_number(worksheet_, r, c, *number, FormatAt(sheet, row, column)), where);
        } else if (const auto* text = std::get_if<std::string>(&value)) {
          if (Utf8Length(*text) == std::string_view::npos) {
            throw BuildError(where + ": текст содержит недопустимые символы");
          }
          // An empty text leaves the cell empty, as the spreadsheet does.
          if (!text->empty() || formatted) {
            Check(worksheet_write_string(worksheet_, r, c, ProtectEscapes(*text).c_str(),
                                         FormatAt(sheet, row, column)),
                  where);
          }
        } else if (formatted) {
          Check(worksheet_write_blank(worksheet_, r, c, FormatAt(sheet, row, column)), where);
        }
      }
    }
  }

  void Page(const Sheet& sheet) {
    if (!sheet.DisplayGridlines()) worksheet_gridlines(worksheet_, LXW_HIDE_ALL_GRIDLINES);
    const double margins[] = {sheet.LeftMargin(), sheet.RightMargin(), sheet.TopMargin(), sheet.BottomMargin()};
    for (const double margin : margins) {
      // The library takes a negative margin for "the default".
      if (!(margin >= 0 && std::isfinite(margin))) {
        throw BuildError("недопустимое поле страницы " + GeneralForm(margin));
      }
    }
    worksheet_set_margins(worksheet_, margins[0] / kPointsPerInch, margins[1] / kPointsPerInch,
                          margins[2] / kPointsPerInch, margins[3] / kPointsPerInch);
  }

  lxw_workbook* workbook_;
  lxw_worksheet* worksheet_;
  std::map<CellFormat, lxw_format*, FormatLess> formats_;
  std::set<std::pair<int, int>> merged_;
};

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& reason) {
  throw SheetOperationError("Не удалось записать книгу «" + PathText(file) + "»: " + reason + ".");
}

// The reason for a package that came out incomplete: the library's
// scratch files could not be written whole, almost always for want of
// space in their folder.
std::string IncompleteReason(const std::filesystem::path& scratch, const std::filesystem::path& target,
                             const std::string& fault) {
  constexpr std::uintmax_t kRoomNeeded = 4U << 20;  // far more than an estimate's scratch files take
  std::error_code error;
  const std::filesystem::space_info space = std::filesystem::space(scratch, error);
  const bool besideTarget = scratch.parent_path() == target;
  const std::string folder = "«" + PathText(scratch.parent_path()) + "»";
  if (!error && space.available < kRoomNeeded) {
    return besideTarget ? "нет места на диске" : "нет места во временной папке " + folder;
  }
  return "промежуточные файлы книги в папке " + folder + " записаны не полностью (" + fault + ")";
}

// Lets the library write the workbook into a scratch folder of this
// write's own and returns the finished package, read back and checked.
// The folder lies beside the target (on Windows in a form of it the
// library can open), on the same disk as the file the package replaces,
// and goes away on every way out, a signal included.
std::string BuildPackage(const Sheet& sheet, const std::filesystem::path& file, const std::filesystem::path& folder) {
  const PrivateFolder scratch(platform::ScratchFolderFor(folder), ".~xlsx-");
  const std::filesystem::path book = scratch.path() / "book.xlsx";
  std::string scratchName = PathText(scratch.path());
  lxw_workbook_options options{};
  options.constant_memory = LXW_FALSE;
  options.tmpdir = scratchName.data();
  options.use_zip64 = LXW_FALSE;
  {
    // Declared before the workbook, so that freeing it is silenced too.
    // libxlsxwriter reports each failure twice: as the lxw_error it
    // returns, which becomes a Russian reason here, and as English lines
    // of its own on stderr, fprintf(stderr, …) calls compiled into the
    // library without a switch. So while the library works, the standard
    // error stream points nowhere; it is put back when the library returns
    // or an exception leaves, and errno is kept for the caller to read.
    const platform::SilencedStandardError quiet;
    // The library takes UTF-8 names (and opens them as such on Windows).
    const std::string bookName = PathText(book);
    WorkbookHandle workbook(workbook_new_opt(bookName.c_str(), &options));
    if (!workbook) Fail(file, "недостаточно памяти");
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook.get(), kSheetName);
    if (worksheet == nullptr) Fail(file, "не удалось добавить лист");
    try {
      Builder(workbook.get(), worksheet).Build(sheet);
    } catch (const BuildError& error) {
      Fail(file, error.what());
    }
    // workbook_close frees the workbook whatever it returns.
    errno = 0;
    const lxw_error closed = workbook_close(workbook.release());
    const int systemError = errno;
    if (closed != LXW_NO_ERROR) Fail(file, LibraryReason(closed, systemError));
  }
  platform::FileDescriptor written;
  std::string package;
  constexpr std::uintmax_t kLargestPackage = 1U << 30;
  int error = platform::OpenForReading(book, written);
  if (error == 0) error = platform::ReadAll(written, package, kLargestPackage);
  if (error != 0) Fail(file, IncompleteReason(scratch.path(), folder, SystemReason(error)));
  // The library does not check its scratch writes; the package is.
  if (const std::optional<std::string> fault = XlsxPackageFault(package)) {
    Fail(file, IncompleteReason(scratch.path(), folder, *fault));
  }
  return package;
}

}  // namespace

void WriteXlsx(const Sheet& sheet, const std::filesystem::path& file) {
  CheckCellTexts(sheet, file);
  try {
    AtomicReplacement replacement(file, ".xlsx");
    const std::filesystem::path target = ReplaceableTarget(file);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    replacement.Write(BuildPackage(sheet, file, folder));
    replacement.Commit();
  } catch (const WriteFault& fault) {
    // Workbook messages give the system's own words for every system error.
    Fail(file, fault.error() != 0 ? SystemReason(fault.error()) : fault.what());
  }
}

}  // namespace verdin
