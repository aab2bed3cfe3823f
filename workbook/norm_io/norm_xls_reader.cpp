// Reading an .xls (BIFF) workbook through FreeXL, which gives every
// text in UTF-8. FreeXL reads values only: formulas come as their values
// and merged ranges are not told.
#include <freexl.h>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "workbook/norm_io/norm_workbook_files.h"
#include "workbook/sheet.h"

namespace verdin {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& reason) {
  throw SheetOperationError("Книга «" + PathText(file) + "» не прочитана: " + reason);
}

// FreeXL opens a workbook by a name in the system's code page, which on
// Windows cannot spell every folder (Cyrillic ones included). So it reads
// a copy of the bytes already read and checked, in a private folder of
// this read's own whose name it can open, removed on every way out.
class XlsCopy {
 public:
  XlsCopy(const std::string& bytes, const std::filesystem::path& file) try
      : folder_(platform::ScratchFolderFor(platform::SystemTemporaryFolder()), "verdin-xls-"),
        book_(folder_.path() / "book.xls") {
    AtomicReplacement copy(book_);
    copy.Write(bytes);
    copy.Commit();
  } catch (const WriteFault& fault) {
    Fail(file, "не удалось сделать рабочую копию книги во временной папке (" +
                   (fault.error() != 0 ? SystemErrorText(fault.error()) : std::string(fault.what())) + ").");
  }
  const std::filesystem::path& book() const { return book_; }

 private:
  PrivateFolder folder_;
  std::filesystem::path book_;
};

class XlsHandle {
 public:
  XlsHandle(const std::filesystem::path& book, const std::filesystem::path& file) {
    const std::string name = PathText(book);
    const int result = freexl_open(name.c_str(), &handle_);
    if (result != FREEXL_OK) {
      Fail(file, result == FREEXL_CRAFTED_FILE ? "файл .xls поврежден или составлен со злым умыслом."
                                               : "это не книга .xls или она повреждена (код FreeXL " +
                                                     std::to_string(result) + ").");
    }
  }
  ~XlsHandle() { freexl_close(handle_); }
  XlsHandle(const XlsHandle&) = delete;
  XlsHandle& operator=(const XlsHandle&) = delete;
  const void* get() const { return handle_; }

 private:
  const void* handle_ = nullptr;
};

GridCell CellOf(const FreeXL_CellValue& value) {
  switch (value.type) {
    case FREEXL_CELL_INT: return {GridCell::Kind::Number, static_cast<double>(value.value.int_value), {}};
    case FREEXL_CELL_DOUBLE: return {GridCell::Kind::Number, value.value.double_value, {}};
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      if (value.value.text_value == nullptr || *value.value.text_value == '\0') return {};
      return {GridCell::Kind::Text, 0, SharedText(std::string_view(value.value.text_value))};
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: return {GridCell::Kind::Other, 0, "дата или время"};
    default: return {};
  }
}

}  // namespace

std::vector<GridSheet> ReadXlsSheets(const std::string& bytes, const std::filesystem::path& file) {
  const XlsCopy copy(bytes, file);
  const XlsHandle xls(copy.book(), file);
  unsigned int count = 0;
  if (freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) Fail(file, "нет списка листов.");
  unsigned int password = 0;
  if (freexl_get_info(xls.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
      password == FREEXL_BIFF_OBFUSCATED) {
    Fail(file, "книга защищена паролем.");
  }
  std::vector<GridSheet> sheets;
  for (unsigned int index = 0; index < count && index < 256; ++index) {
    GridSheet& sheet = sheets.emplace_back();
    const char* name = nullptr;
    if (freexl_get_worksheet_name(xls.get(), static_cast<unsigned short>(index), &name) != FREEXL_OK ||
        freexl_select_active_worksheet(xls.get(), static_cast<unsigned short>(index)) != FREEXL_OK) {
      Fail(file, "лист " + std::to_string(index + 1) + " не читается.");
    }
    sheet.name = name != nullptr ? name : "";
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK) {
      Fail(file, "размеры листа «" + sheet.name + "» не читаются.");
    }
    const std::size_t usedColumns = std::min<std::size_t>(columns, kMaxSheetColumns);
    sheet.rows.resize(std::min<std::size_t>(rows, kMaxSheetRows));
    for (unsigned int r = 0; r < sheet.rows.size(); ++r) {
      for (unsigned short c = 0; c < usedColumns; ++c) {
        FreeXL_CellValue value{};
        if (freexl_get_cell_value(xls.get(), r, c, &value) != FREEXL_OK) continue;
        GridCell cell = CellOf(value);
        if (cell.kind == GridCell::Kind::Empty) continue;
        if (sheet.rows[r].size() <= c) sheet.rows[r].resize(c + 1u);
        sheet.rows[r][c] = std::move(cell);
      }
    }
    while (!sheet.rows.empty() && sheet.rows.back().empty()) sheet.rows.pop_back();
  }
  return sheets;
}

}  // namespace verdin
