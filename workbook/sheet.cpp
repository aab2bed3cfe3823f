#include "workbook/sheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/index.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

// The sheet never grows beyond what an .xls sheet holds.
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;


[[noreturn]] void BadAddress(std::string_view address) {
  throw SheetOperationError("Неверный адрес диапазона «" + std::string(address) + "».");
}

// One cell reference "B12" at the start of text; advances past it.
void ParseCell(std::string_view address, std::string_view& text, int& row, int& column) {
  column = 0;
  std::size_t i = 0;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])) != 0) {
    column = column * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1);
    if (column > kMaxColumns) BadAddress(address);
    ++i;
  }
  const std::size_t digits = i;
  row = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
    row = row * 10 + (text[i] - '0');
    if (row > kMaxRows) BadAddress(address);
    ++i;
  }
  if (column == 0 || i == digits || row == 0) BadAddress(address);
  text.remove_prefix(i);
}

bool KnownHorizontal(int alignment) {
  return alignment == xl::kAlignGeneral || alignment == xl::kAlignLeft || alignment == xl::kAlignCenter ||
         alignment == xl::kAlignRight;
}

bool KnownVertical(int alignment) {
  return alignment == xl::kAlignBottom || alignment == xl::kAlignCenter || alignment == xl::kAlignTop;
}

// A size the spreadsheet accepts, else the operation fails.
void CheckSize(double value, double most, const char* what) {
  if (!(value >= 0 && value <= most)) {
    throw SheetOperationError(std::string("Недопустимое значение ") + what + ": " + GeneralForm(value) + ".");
  }
}

void GrowTo(std::vector<std::optional<double>>& sizes, int index) {
  if (static_cast<int>(sizes.size()) < index) sizes.resize(At(index));
}

}  // namespace

CellRange ParseRange(std::string_view address) {
  std::string_view text = address;
  CellRange range;
  ParseCell(address, text, range.firstRow, range.firstColumn);
  range.lastRow = range.firstRow;
  range.lastColumn = range.firstColumn;
  if (!text.empty()) {
    if (text.front() != ':') BadAddress(address);
    text.remove_prefix(1);
    ParseCell(address, text, range.lastRow, range.lastColumn);
    if (!text.empty()) BadAddress(address);
  }
  if (range.lastRow < range.firstRow) std::swap(range.lastRow, range.firstRow);
  if (range.lastColumn < range.firstColumn) std::swap(range.lastColumn, range.firstColumn);
  return range;
}

std::string ColumnLetters(int column) {
  std::string letters;
  for (; column > 0; column = (column - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
  }
  return letters;
}

Cell& Sheet::Touch(int row, int column) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
    throw SheetOperationError("Ячейка за пределами листа: строка " + std::to_string(row) + ", столбец " +
                              std::to_string(column) + ".");
  }
  Grow(CellRange{row, column, row, column});
  return rows_[At(row - 1)][At(column - 1)];
}

// Makes room for every cell of a range (which lies inside the sheet's
// bounds) in one step a row, instead of a cell at a time.
void Sheet::Grow(const CellRange& range) {
  if (static_cast<int>(rows_.size()) < range.lastRow) rows_.resize(At(range.lastRow));
  for (int row = range.firstRow; row <= range.lastRow; ++row) {
    auto& cells = rows_[At(row - 1)];
    if (static_cast<int>(cells.size()) < range.lastColumn) cells.resize(At(range.lastColumn));
  }
  lastColumn_ = std::max(lastColumn_, range.lastColumn);
}

const Cell* Sheet::CellAt(int row, int column) const {
  if (row < 1 || row > LastRow() || column < 1) return nullptr;
  const auto& cells = rows_[At(row - 1)];
  return column <= static_cast<int>(cells.size()) ? &cells[At(column - 1)] : nullptr;
}

void Sheet::SetValue(int row, int column, double value) {
  if (!std::isfinite(value)) throw SheetOperationError("В ячейку нельзя записать " + GeneralForm(value) + ".");
  Touch(row, column).value = value;
}

void Sheet::SetValue(int row, int column, const std::string& text) { Touch(row, column).value = text; }

template <typename Change>
void Sheet::Format(std::string_view address, Change change) {
  const CellRange range = ParseRange(address);
  Grow(range);
  for (int row = range.firstRow; row <= range.lastRow; ++row) {
    auto& cells = rows_[At(row - 1)];
    for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
      Cell& cell = cells[At(column - 1)];
      change(cell.format, range, row, column);
      cell.formatted = true;
    }
  }
}

void Sheet::SetColumnWidth(std::string_view address, double width) {
  CheckSize(width, 255, "ширины столбца");
  const CellRange range = ParseRange(address);
  GrowTo(columnWidths_, range.lastColumn);
  for (int column = range.firstColumn; column <= range.lastColumn; ++column) columnWidths_[At(column - 1)] = width;
}

void Sheet::SetRowHeight(std::string_view address, double points) {
  CheckSize(points, 409, "высоты строки");
  const CellRange range = ParseRange(address);
  GrowTo(rowHeights_, range.lastRow);
  for (int row = range.firstRow; row <= range.lastRow; ++row) rowHeights_[At(row - 1)] = points;
}

void Sheet::SetHorizontalAlignment(std::string_view address, int alignment) {
  if (!KnownHorizontal(alignment)) throw SheetOperationError("Неизвестное выравнивание " + std::to_string(alignment) + ".");
  Format(address, [alignment](CellFormat& format, const CellRange&, int, int) { format.horizontal = alignment; });
}

void Sheet::SetVerticalAlignment(std::string_view address, int alignment) {
  if (!KnownVertical(alignment)) throw SheetOperationError("Неизвестное выравнивание " + std::to_string(alignment) + ".");
  Format(address, [alignment](CellFormat& format, const CellRange&, int, int) { format.vertical = alignment; });
}

void Sheet::SetWrapText(std::string_view address, bool wrap) {
  Format(address, [wrap](CellFormat& format, const CellRange&, int, int) { format.wrap = wrap; });
}

void Sheet::SetFontName(std::string_view address, const std::string& name) {
  if (name.empty() || name.size() > 31 * 4) throw SheetOperationError("Недопустимое имя шрифта «" + name + "».");
  Format(address, [&name](CellFormat& format, const CellRange&, int, int) { format.fontName = name; });
}

void Sheet::SetFontStyle(std::string_view address, const std::string& style) {
  if (style != xl::kRegular && style != xl::kBold) {
    throw SheetOperationError("Неизвестное начертание шрифта «" + style + "».");
  }
  const bool bold = style == xl::kBold;
  Format(address, [bold](CellFormat& format, const CellRange&, int, int) { format.bold = bold; });
}

void Sheet::SetFontSize(std::string_view address, double size) {
  if (!(size >= 1 && size <= 409)) throw SheetOperationError("Недопустимый размер шрифта " + GeneralForm(size) + ".");
  Format(address, [size](CellFormat& format, const CellRange&, int, int) { format.fontSize = size; });
}

// A border of a range: its four edges and the lines between its cells.
// A line between two cells is kept on both of them, as either one shows it.
void Sheet::SetBorder(std::string_view address, int index, int lineStyle) {
  if (index < xl::kEdgeLeft || index > xl::kInsideHorizontal) {
    throw SheetOperationError("Неизвестная граница " + std::to_string(index) + ".");
  }
  const bool on = lineStyle == xl::kContinuous;
  Format(address, [index, on](CellFormat& format, const CellRange& range, int row, int column) {
    switch (index) {
      case xl::kEdgeLeft: if (column == range.firstColumn) format.borderLeft = on; break;
      case xl::kEdgeRight: if (column == range.lastColumn) format.borderRight = on; break;
      case xl::kEdgeTop: if (row == range.firstRow) format.borderTop = on; break;
      case xl::kEdgeBottom: if (row == range.lastRow) format.borderBottom = on; break;
      case xl::kInsideVertical:
        if (column > range.firstColumn) format.borderLeft = on;
        if (column < range.lastColumn) format.borderRight = on;
        break;
      default:  // inside horizontal
        if (row > range.firstRow) format.borderTop = on;
        if (row < range.lastRow) format.borderBottom = on;
        break;
    }
  });
}

void Sheet::Merge(std::string_view address) {
  const CellRange range = ParseRange(address);
  for (const auto& merged : merges_) {
    if (merged == range) return;
    if (merged.Overlaps(range)) {
      throw SheetOperationError("Диапазон «" + std::string(address) + "» пересекается с уже объединенным.");
    }
  }
  if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn) return;
  CellValue kept;
  for (int row = range.firstRow; row <= range.lastRow; ++row) {
    for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
      Cell& cell = Touch(row, column);
      if (std::holds_alternative<std::monostate>(kept)) kept = cell.value;
      cell.value = std::monostate{};
    }
  }
  Touch(range.firstRow, range.firstColumn).value = std::move(kept);
  merges_.push_back(range);
}

void Sheet::SetMargins(double left, double right, double top, double bottom) {
  for (const double margin : {left, right, top, bottom}) CheckSize(margin, 49 * 72, "поля страницы");
  margins_[0] = left;
  margins_[1] = right;
  margins_[2] = top;
  margins_[3] = bottom;
}

std::optional<double> Sheet::ColumnWidth(int column) const {
  return column >= 1 && column <= static_cast<int>(columnWidths_.size()) ? columnWidths_[At(column - 1)]
                                                                          : std::nullopt;
}

std::optional<double> Sheet::RowHeight(int row) const {
  return row >= 1 && row <= static_cast<int>(rowHeights_.size()) ? rowHeights_[At(row - 1)] : std::nullopt;
}

}  // namespace verdin
