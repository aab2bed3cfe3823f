#include "workbook/row_heights.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace verdin {

namespace {

constexpr double kStandardColumnWidth = 8.43;

// How many characters of a Times New Roman text fit a column of the given
// width. A column is measured in digits of the standard font; Cyrillic
// letters of a 10-point text are about as wide on average, and the cell's
// padding takes the rest, so one character per unit of width is a safe
// count (a line too many costs a little space, a line too few hides text).
double CharactersPerLine(double widthInCharacters, double fontSize, bool bold) {
  const double perLine = widthInCharacters * 0.97 * (10.0 / fontSize) * (bold ? 0.9 : 1.0);
  return std::max(1.0, std::floor(perLine));
}

// Counts the lines in one pass: each word's characters are counted while
// looking for the blank that ends it.
int LinesOfParagraph(std::string_view paragraph, double perLine) {
  // The words and blanks take the paragraph's characters, no more than its
  // bytes, so a paragraph of no more bytes than a line holds never breaks.
  if (static_cast<double>(paragraph.size()) <= perLine) return 1;
  int lines = 1;
  double used = 0;
  std::size_t at = 0;
  for (;;) {
    std::size_t characters = 0;
    for (; at < paragraph.size() && paragraph[at] != ' '; ++at) {
      if ((static_cast<unsigned char>(paragraph[at]) & 0xC0) != 0x80) ++characters;
    }
    const double word = static_cast<double>(characters);
    const double needed = used == 0 ? word : used + 1 + word;
    if (needed <= perLine || used == 0) {
      used = needed;
      // A word longer than a line breaks inside itself.
      while (used > perLine) {
        ++lines;
        used -= perLine;
      }
    } else {
      ++lines;
      used = word;
      while (used > perLine) {
        ++lines;
        used -= perLine;
      }
    }
    if (at >= paragraph.size()) break;
    ++at;  // past the blank
  }
  return lines;
}

double WidthOf(const Sheet& sheet, int firstColumn, int lastColumn) {
  double width = 0;
  for (int column = firstColumn; column <= lastColumn; ++column) {
    width += sheet.ColumnWidth(column).value_or(kStandardColumnWidth);
  }
  return width;
}

// The merged ranges that touch each row, so that a cell's span is found
// without searching every merge of the sheet.
using MergesByRow = std::vector<std::vector<const CellRange*>>;

MergesByRow IndexMerges(const Sheet& sheet) {
  MergesByRow byRow(static_cast<std::size_t>(sheet.LastRow()) + 1);
  for (const CellRange& merged : sheet.Merges()) {
    for (int row = merged.firstRow; row <= std::min(merged.lastRow, sheet.LastRow()); ++row) {
      byRow[static_cast<std::size_t>(row)].push_back(&merged);
    }
  }
  return byRow;
}

// The columns a cell spans on its row, or nullopt for a cell inside a
// merge over several rows (or not the first cell of a merge).
std::optional<std::pair<int, int>> Span(const MergesByRow& merges, int row, int column) {
  for (const CellRange* merged : merges[static_cast<std::size_t>(row)]) {
    if (!merged->Contains(row, column)) continue;
    if (merged->firstRow != merged->lastRow || merged->firstColumn != column) return std::nullopt;
    return std::make_pair(merged->firstColumn, merged->lastColumn);
  }
  return std::make_pair(column, column);
}

double NeededHeight(const Sheet& sheet, const MergesByRow& merges, int row) {
  double height = 0;
  for (int column = 1; column <= sheet.LastColumn(); ++column) {
    const Cell* cell = sheet.CellAt(row, column);
    if (cell == nullptr || !cell->format.wrap || !std::holds_alternative<std::string>(cell->value)) continue;
    const auto span = Span(merges, row, column);
    if (!span) continue;
    const int lines = WrappedLines(std::get<std::string>(cell->value), WidthOf(sheet, span->first, span->second),
                                   cell->format.fontSize, cell->format.bold);
    if (lines > 1) height = std::max(height, lines * cell->format.fontSize * 1.275);
  }
  return height;
}

}  // namespace

int WrappedLines(const std::string& text, double widthInCharacters, double fontSize, bool bold) {
  const double perLine = CharactersPerLine(widthInCharacters, fontSize, bold);
  int lines = 0;
  std::size_t start = 0;
  // The next CR and LF, each looked for again only once passed.
  std::size_t cr = text.find('\r');
  std::size_t lf = text.find('\n');
  for (;;) {
    if (cr < start) cr = text.find('\r', start);
    if (lf < start) lf = text.find('\n', start);
    std::size_t end = std::min({cr, lf, text.size()});
    lines += LinesOfParagraph(std::string_view(text).substr(start, end - start), perLine);
    if (end == text.size()) break;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

void FitRowHeights(Sheet& sheet) {
  const MergesByRow merges = IndexMerges(sheet);
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    if (sheet.RowHeight(row)) continue;
    const double height = NeededHeight(sheet, merges, row);
    if (height > 0) sheet.SetRowHeight("A" + std::to_string(row), std::min(height, 409.0));
  }
}

}  // namespace verdin
