// Lays a sheet out on printed pages: the sizes of its columns and rows in
// points and which rows each page holds. Pages break only between rows;
// rows tied together by a cell merged down over them stay on one page
// when they fit on one, and a heading row may repeat at the top of every
// following page. Drawing the pages is left to a renderer; this step only
// measures, so it can be checked without one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "workbook/sheet.h"

namespace verdin {

// A sheet of paper and what repeats on it, in points.
struct PageSetup {
  double width = 595.28;   // A4 portrait
  double height = 841.89;
  int headingRow = 0;      // the row repeated at the top of each following page; 0 for none
  double footerHeight = 0; // room kept above the bottom margin for the page number
};

// The height in points a text needs when wrapped in a cell of the given
// width (in points) with the cell's font; 0 when it needs no room.
using TextHeight = std::function<double(const std::string& text, const CellFormat& format, double width)>;

// One printed page: the sheet rows on it from top to bottom (the heading
// row first on a following page when it repeats).
struct SheetPage {
  std::vector<int> rows;
};

struct PageLayout {
  std::vector<double> columnWidths;  // in points, by column-1, columns 1..LastColumn
  std::vector<double> rowHeights;    // in points, by row-1, rows 1..LastRow
  double scale = 1;                  // below 1 when the columns are wider than the page
  double left = 0;                   // printable area on the paper, in points
  double top = 0;
  double printableWidth = 0;
  double printableHeight = 0;        // without the footer
  std::vector<SheetPage> pages;      // at least one

  double RowHeight(int row) const { return rowHeights[static_cast<std::size_t>(row - 1)]; }
  double ColumnWidth(int column) const { return columnWidths[static_cast<std::size_t>(column - 1)]; }
};

// The merged ranges of a sheet by the rows they cover, so that the merge
// holding a cell is found without searching every merge of the sheet.
// Refers to the sheet's merges: the sheet must outlive it.
class MergeIndex {
 public:
  MergeIndex(const Sheet& sheet, int lastRow);  // rows 1..lastRow
  const CellRange* At(int row, int column) const;  // nullptr when no merge holds the cell

 private:
  std::vector<std::vector<const CellRange*>> byRow_;
};

// A column width in characters of the standard font as points on paper.
double ColumnWidthPoints(double widthInCharacters);

// The height of a row nobody sized: the standard row, or more for a larger font.
inline constexpr double kStandardRowHeight = 12.75;

// Measures the sheet and splits its rows into pages. A row is at least as
// high as the sheet says and as its wrapped texts need by textHeight; a
// cell merged down over rows that do not give its text room enough makes
// the last of them higher. Throws SheetOperationError when the margins
// leave no room on the paper.
PageLayout LayOutPages(const Sheet& sheet, const PageSetup& setup, const TextHeight& textHeight);

}  // namespace verdin
