// The norm database as the sheets of a workbook a person edits, and back:
// the layout of the five sheets and every check a workbook brought in
// passes before it may become the program's database.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "core/norm_collection.h"

namespace verdin {

// A cell as the workbook holds it, before any check. The fields are laid
// out largest first: the tables' sheet holds a cell for every column of
// every point, so each byte counts.
struct GridCell {
  enum class Kind : unsigned char { Empty, Number, Text, Formula, Other };
  GridCell() = default;
  GridCell(Kind kindOf, double numberOf, SharedText textOf = {}, int decimalsOf = -1)
      : number(numberOf), text(std::move(textOf)), decimals(decimalsOf), kind(kindOf) {}

  double number = 0;
  // The text; a formula's text; for Other what it is ("логическое
  // значение"). Shared: a sheet repeats a few unit texts on every line.
  SharedText text;
  // A number shown with a fixed count of decimals (the cell's number
  // format "0.00" has 2); -1 for the general form.
  int decimals = -1;
  Kind kind = Kind::Empty;
};

// One sheet: its name, its rows from the first (the headings), and, when
// read, the merged ranges ("A5:A9"). Written sheets give each column's
// width in characters.
struct GridSheet {
  std::string name;
  std::vector<std::vector<GridCell>> rows;  // rows[r][c]: sheet row r + 1, column c + 1
  std::vector<double> widths;
  std::vector<std::string> merged;
};

// The sheet names.
inline constexpr const char* kTablesSheet = "Таблицы";
inline constexpr const char* kIndustrySheet = "Отраслевые коэффициенты";
inline constexpr const char* kNotesSheet = "Примечания";
inline constexpr const char* kPercentageSheet = "Проценты СМР";
inline constexpr const char* kAboutSheet = "О базе";

// At most this many problems are listed; the list then says there are more.
inline constexpr std::size_t kMaxListedProblems = 100;

// The longest texts taken, in characters: table and row titles, units,
// names of industry coefficients, lines of comments and of notes.
inline constexpr std::size_t kMaxTitleCharacters = 500;
inline constexpr std::size_t kMaxUnitCharacters = 100;
inline constexpr std::size_t kMaxNoteLineCharacters = 1000;

// The five sheets of a database, headings first, numbers as number cells.
std::vector<GridSheet> NormSheets(const NormCollection& collection);

// A workbook checked: the collection it holds when `problems` is empty,
// else every problem found (up to kMaxListedProblems and a last line
// saying that more were left out), each naming its sheet and cell.
struct NormSheetsReading {
  NormCollection collection;
  std::vector<std::string> problems;
};
NormSheetsReading CollectionFromSheets(const std::vector<GridSheet>& sheets);

}  // namespace verdin
