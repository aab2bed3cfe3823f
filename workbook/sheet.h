// A small in-memory worksheet that offers exactly the spreadsheet
// operations the estimate needs: values by row and column, formats by A1
// range (column width, row height, alignment, wrap, merge, font, borders),
// gridlines, page margins and save-as. The serializers turn it into an
// .xls (BIFF8) or .xlsx file.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace verdin {

// An operation the sheet cannot carry out (a malformed address, a merge
// across another merge, a file that cannot be saved): the kind of failure
// after which the estimate writer notes error 1004 and goes on.
class SheetOperationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Alignment and border constants as the spreadsheet's object model numbers them.
namespace xl {
inline constexpr int kAlignGeneral = 1;
inline constexpr int kAlignLeft = -4131;
inline constexpr int kAlignCenter = -4108;
inline constexpr int kAlignRight = -4152;
inline constexpr int kAlignBottom = -4107;
inline constexpr int kAlignTop = -4160;
inline constexpr int kEdgeLeft = 7;
inline constexpr int kEdgeTop = 8;
inline constexpr int kEdgeBottom = 9;
inline constexpr int kEdgeRight = 10;
inline constexpr int kInsideVertical = 11;
inline constexpr int kInsideHorizontal = 12;
inline constexpr int kContinuous = 1;
inline constexpr int kLineNone = -4142;
inline constexpr const char* kRegular = "обычный";
inline constexpr const char* kBold = "полужирный";
}  // namespace xl

// Rows and columns are numbered from 1 (column 1 = A).
struct CellRange {
  int firstRow = 1;
  int firstColumn = 1;
  int lastRow = 1;
  int lastColumn = 1;

  bool Contains(int row, int column) const {
    return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
  }
  bool Overlaps(const CellRange& other) const {
    return firstRow <= other.lastRow && other.firstRow <= lastRow && firstColumn <= other.lastColumn &&
           other.firstColumn <= lastColumn;
  }
  bool operator==(const CellRange&) const = default;
};

// "A1", "B12:D12", "A10:E40"; throws SheetOperationError when malformed.
CellRange ParseRange(std::string_view address);
// The column letters of a column number: 1 -> "A", 27 -> "AA".
std::string ColumnLetters(int column);

// The format of one cell. A cell nobody formatted has the defaults
// (Arial 10, general alignment at the bottom, no wrap, no borders).
struct CellFormat {
  std::string fontName = "Arial";
  double fontSize = 10;
  bool bold = false;
  int horizontal = xl::kAlignGeneral;
  int vertical = xl::kAlignBottom;
  bool wrap = false;
  bool borderLeft = false;
  bool borderTop = false;
  bool borderRight = false;
  bool borderBottom = false;

  bool operator==(const CellFormat&) const = default;
};

using CellValue = std::variant<std::monostate, double, std::string>;

struct Cell {
  CellValue value;
  CellFormat format;
  bool formatted = false;  // a format was set: an empty cell still shows it
};

class Sheet {
 public:
  // Contents by row and column.
  void SetValue(int row, int column, double value);
  void SetValue(int row, int column, const std::string& text);

  // Formats by A1 address.
  void SetColumnWidth(std::string_view address, double width);   // in characters
  void SetRowHeight(std::string_view address, double points);
  void SetHorizontalAlignment(std::string_view address, int alignment);
  void SetVerticalAlignment(std::string_view address, int alignment);
  void SetWrapText(std::string_view address, bool wrap);
  void SetFontName(std::string_view address, const std::string& name);
  void SetFontStyle(std::string_view address, const std::string& style);  // "обычный" / "полужирный"
  void SetFontSize(std::string_view address, double size);
  void SetBorder(std::string_view address, int index, int lineStyle);
  // Merges the range. The upper-left-most value of the range (in reading
  // order) moves into its first cell; the other cells are emptied. A range
  // that overlaps another merged range is refused.
  void Merge(std::string_view address);

  // Window and page.
  void SetDisplayGridlines(bool shown) { gridlines_ = shown; }
  void SetMargins(double left, double right, double top, double bottom);  // points
  static double InchesToPoints(double inches) { return inches * 72.0; }
  // The row printed again at the top of every following page (a table's
  // heading); 0 for none. The PDF writer draws it so; the workbook
  // writers leave it out.
  void SetRepeatedRow(int row) { repeatedRow_ = row > 0 ? row : 0; }

  // Read access for the serializers and the tests.
  int LastRow() const { return static_cast<int>(rows_.size()); }
  int LastColumn() const { return lastColumn_; }
  const Cell* CellAt(int row, int column) const;  // nullptr: never touched
  const std::vector<CellRange>& Merges() const { return merges_; }
  std::optional<double> ColumnWidth(int column) const;
  std::optional<double> RowHeight(int row) const;
  // The last column and row that may have a width or height of their own.
  int LastSizedColumn() const { return static_cast<int>(columnWidths_.size()); }
  int LastSizedRow() const { return static_cast<int>(rowHeights_.size()); }
  bool DisplayGridlines() const { return gridlines_; }
  int RepeatedRow() const { return repeatedRow_; }
  double LeftMargin() const { return margins_[0]; }
  double RightMargin() const { return margins_[1]; }
  double TopMargin() const { return margins_[2]; }
  double BottomMargin() const { return margins_[3]; }

 private:
  Cell& Touch(int row, int column);
  void Grow(const CellRange& range);
  template <typename Change>
  void Format(std::string_view address, Change change);

  std::vector<std::vector<Cell>> rows_;  // rows_[row-1][column-1]
  int lastColumn_ = 0;
  std::vector<CellRange> merges_;
  std::vector<std::optional<double>> columnWidths_;  // by column-1
  std::vector<std::optional<double>> rowHeights_;    // by row-1
  bool gridlines_ = true;
  int repeatedRow_ = 0;
  double margins_[4] = {0.75 * 72, 0.75 * 72, 1.0 * 72, 1.0 * 72};
};

}  // namespace verdin
