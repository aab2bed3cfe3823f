#include "workbook/sheet_pages.h"

#include <algorithm>
#include <cmath>

namespace verdin {

namespace {

constexpr double kStandardColumnWidth = 8.43;
// Heights are sums of decimal sizes that binary fractions only approach:
// a block that fills a page to within this much (far below a printed dot)
// fits on it.
constexpr double kHeightTolerance = 1e-6;
constexpr double kLineSpacing = 1.275;  // a row's height per point of its font

double Margin(double points) { return std::isfinite(points) && points > 0 ? points : 0.0; }

// A cell that shows something on paper: a value or a border.
bool Printed(const Cell& cell) {
  const bool text = std::holds_alternative<std::string>(cell.value) && !std::get<std::string>(cell.value).empty();
  const CellFormat& f = cell.format;
  return text || std::holds_alternative<double>(cell.value) || f.borderLeft || f.borderTop || f.borderRight ||
         f.borderBottom;
}

// The last row and column that print. A format alone (a font set over a
// wide range) prints nothing, so it does not add empty pages.
std::pair<int, int> PrintedExtent(const Sheet& sheet) {
  int lastRow = 0;
  int lastColumn = 0;
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      if (cell == nullptr || !Printed(*cell)) continue;
      lastRow = std::max(lastRow, row);
      lastColumn = std::max(lastColumn, column);
    }
  }
  for (const CellRange& merged : sheet.Merges()) {
    if (merged.firstRow > lastRow || merged.firstColumn > lastColumn) continue;
    lastRow = std::max(lastRow, std::min(merged.lastRow, sheet.LastRow()));
    lastColumn = std::max(lastColumn, std::min(merged.lastColumn, sheet.LastColumn()));
  }
  return {std::max(lastRow, 1), std::max(lastColumn, 1)};
}

double SpanWidth(const PageLayout& layout, int firstColumn, int lastColumn) {
  double width = 0;
  for (int column = firstColumn; column <= std::min(lastColumn, static_cast<int>(layout.columnWidths.size()));
       ++column) {
    width += layout.ColumnWidth(column);
  }
  return width;
}

// The height a row's own cells ask for: the sheet's height, or the
// standard one grown for a larger font, and each wrapped text's lines.
double OwnHeight(const Sheet& sheet, const PageLayout& layout, const MergeIndex& merges, int row,
                 const TextHeight& textHeight) {
  const auto sized = sheet.RowHeight(row);
  double height = sized && std::isfinite(*sized) && *sized >= 0 ? *sized : kStandardRowHeight;
  for (int column = 1; column <= static_cast<int>(layout.columnWidths.size()); ++column) {
    const Cell* cell = sheet.CellAt(row, column);
    if (cell == nullptr || std::holds_alternative<std::monostate>(cell->value)) continue;
    const CellRange* merged = merges.At(row, column);
    if (merged != nullptr && (merged->firstRow != merged->lastRow || merged->firstColumn != column)) continue;
    if (!sized) height = std::max(height, cell->format.fontSize * kLineSpacing);
    const auto* text = std::get_if<std::string>(&cell->value);
    if (text == nullptr) continue;
    const int lastColumn = merged != nullptr ? merged->lastColumn : column;
    height = std::max(height, textHeight(*text, cell->format, SpanWidth(layout, column, lastColumn)));
  }
  return height;
}

// A text merged down over several rows that need less than the text: the
// last of the rows takes the difference.
void GrowForMergedTexts(const Sheet& sheet, PageLayout& layout, int lastRow, const TextHeight& textHeight) {
  for (const CellRange& merged : sheet.Merges()) {
    if (merged.firstRow == merged.lastRow || merged.firstRow > lastRow) continue;
    const Cell* cell = sheet.CellAt(merged.firstRow, merged.firstColumn);
    if (cell == nullptr || !std::holds_alternative<std::string>(cell->value)) continue;
    const int last = std::min(merged.lastRow, lastRow);
    double height = 0;
    for (int row = merged.firstRow; row <= last; ++row) height += layout.RowHeight(row);
    const double needed = textHeight(std::get<std::string>(cell->value), cell->format,
                                     SpanWidth(layout, merged.firstColumn, merged.lastColumn));
    if (needed > height) layout.rowHeights[static_cast<std::size_t>(last - 1)] += needed - height;
  }
}

// Rows that may not start a page: the second and later rows of a cell
// merged down over several rows.
std::vector<bool> TiedToPrevious(const Sheet& sheet, int lastRow) {
  std::vector<bool> tied(static_cast<std::size_t>(lastRow) + 2, false);
  for (const CellRange& merged : sheet.Merges()) {
    for (int row = merged.firstRow + 1; row <= std::min(merged.lastRow, lastRow); ++row) {
      tied[static_cast<std::size_t>(row)] = true;
    }
  }
  return tied;
}

// Fills pages with blocks of rows that stay together.
class Paginator {
 public:
  Paginator(PageLayout& layout, int headingRow, double room)
      : layout_(layout), headingRow_(headingRow), room_(room) {
    layout_.pages.emplace_back();
  }

  void AddBlock(int firstRow, int lastRow) {
    double height = 0;
    for (int row = firstRow; row <= lastRow; ++row) height += layout_.RowHeight(row);
    if (!Fits(height) && HasContent()) NewPage(firstRow);
    if (Fits(height)) {
      for (int row = firstRow; row <= lastRow; ++row) Place(row);
      return;
    }
    // A block higher than a page breaks between its rows.
    for (int row = firstRow; row <= lastRow; ++row) {
      if (!Fits(layout_.RowHeight(row)) && HasContent()) NewPage(row);
      Place(row);
    }
  }

 private:
  bool Fits(double height) const { return used_ + height <= room_ + kHeightTolerance; }

  // Whether the page holds a row besides the heading: a page is never
  // broken while it holds the heading alone, repeated or not.
  bool HasContent() const {
    const std::vector<int>& rows = layout_.pages.back().rows;
    return std::any_of(rows.begin(), rows.end(), [this](int row) { return row != headingRow_; });
  }

  void NewPage(int nextRow) {
    layout_.pages.emplace_back();
    used_ = 0;
    if (headingRow_ > 0 && nextRow > headingRow_) Place(headingRow_);
  }

  void Place(int row) {
    layout_.pages.back().rows.push_back(row);
    used_ += layout_.RowHeight(row);
  }

  PageLayout& layout_;
  int headingRow_;
  double room_;
  double used_ = 0;
};

}  // namespace

MergeIndex::MergeIndex(const Sheet& sheet, int lastRow) : byRow_(static_cast<std::size_t>(std::max(lastRow, 0)) + 1) {
  for (const CellRange& merged : sheet.Merges()) {
    for (int row = std::max(merged.firstRow, 1); row <= std::min(merged.lastRow, lastRow); ++row) {
      byRow_[static_cast<std::size_t>(row)].push_back(&merged);
    }
  }
}

const CellRange* MergeIndex::At(int row, int column) const {
  if (row < 1 || static_cast<std::size_t>(row) >= byRow_.size()) return nullptr;
  for (const CellRange* merged : byRow_[static_cast<std::size_t>(row)]) {
    if (merged->Contains(row, column)) return merged;
  }
  return nullptr;
}

double ColumnWidthPoints(double widthInCharacters) {
  if (!std::isfinite(widthInCharacters) || widthInCharacters <= 0) return 0;
  // A column is so many digits of the standard font (7 pixels at 96 dots
  // an inch) plus 5 pixels of padding; a pixel is three quarters of a point.
  const double pixels = widthInCharacters < 1 ? std::floor(widthInCharacters * 12 + 0.5)
                                              : std::floor(widthInCharacters * 7 + 5);
  return pixels * 0.75;
}

PageLayout LayOutPages(const Sheet& sheet, const PageSetup& setup, const TextHeight& textHeight) {
  PageLayout layout;
  layout.left = Margin(sheet.LeftMargin());
  layout.top = Margin(sheet.TopMargin());
  layout.printableWidth = setup.width - layout.left - Margin(sheet.RightMargin());
  layout.printableHeight = setup.height - layout.top - Margin(sheet.BottomMargin()) - Margin(setup.footerHeight);
  if (!(layout.printableWidth > 0) || !(layout.printableHeight > 0)) {
    throw SheetOperationError("Поля страницы не оставляют места для сметы на листе бумаги.");
  }
  const auto [lastRow, lastColumn] = PrintedExtent(sheet);
  for (int column = 1; column <= lastColumn; ++column) {
    layout.columnWidths.push_back(ColumnWidthPoints(sheet.ColumnWidth(column).value_or(kStandardColumnWidth)));
  }
  const double tableWidth = SpanWidth(layout, 1, lastColumn);
  if (tableWidth > layout.printableWidth) layout.scale = layout.printableWidth / tableWidth;

  const MergeIndex merges(sheet, lastRow);
  for (int row = 1; row <= lastRow; ++row) {
    layout.rowHeights.push_back(OwnHeight(sheet, layout, merges, row, textHeight));
  }
  GrowForMergedTexts(sheet, layout, lastRow, textHeight);

  const int headingRow = setup.headingRow >= 1 && setup.headingRow <= lastRow ? setup.headingRow : 0;
  const double room = layout.printableHeight / layout.scale;
  // A row higher than a page is cut to the page, so every page ends: the
  // heading to half a page at most, every other row to what the heading
  // leaves, so that the heading and any one row share a page.
  double headingHeight = 0;
  if (headingRow > 0) {
    double& heading = layout.rowHeights[static_cast<std::size_t>(headingRow - 1)];
    heading = std::min(heading, room / 2);
    headingHeight = heading;
  }
  for (double& height : layout.rowHeights) height = std::min(height, room - headingHeight);

  std::vector<bool> tied = TiedToPrevious(sheet, lastRow);
  // The heading is not left alone at the foot of a page.
  if (headingRow > 0 && headingRow < lastRow) tied[static_cast<std::size_t>(headingRow) + 1] = true;
  Paginator paginator(layout, headingRow, room);
  int blockStart = 1;
  for (int row = 2; row <= lastRow + 1; ++row) {
    if (row <= lastRow && tied[static_cast<std::size_t>(row)]) continue;
    paginator.AddBlock(blockStart, row - 1);
    blockStart = row;
  }
  return layout;
}

}  // namespace verdin
