// Reading an .xls file back with an independent reader (xlrd, through
// tests/xls_dump.py) and comparing it with the sheet that was written:
// every cell with its value, type and format.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "json_reader.h"
#include "test_support.h"
#include "workbook/sheet.h"

namespace verdin::testing {

// ---------------------------------------------------------------------------
// Running the dump script.

inline const std::filesystem::path kDumpScript =
    std::filesystem::path(VERDIN_DEMO_DATA_DIR).parent_path() / "tests" / "xls_dump.py";

inline Json Dump(const std::filesystem::path& file) {
  const std::string python = PythonWith("xlrd");
  if (python.empty()) throw std::runtime_error("no python3 with xlrd (python3-xlrd) found");
  return JsonReader(RunDumpScript(python, kDumpScript, file)).Read();
}

// ---------------------------------------------------------------------------
// What the file must say for a sheet's format.

inline int HorizontalCode(int alignment) {
  if (alignment == xl::kAlignLeft) return 1;
  if (alignment == xl::kAlignCenter) return 2;
  if (alignment == xl::kAlignRight) return 3;
  return 0;
}

inline int VerticalCode(int alignment) {
  if (alignment == xl::kAlignTop) return 0;
  if (alignment == xl::kAlignCenter) return 1;
  return 2;
}

inline std::string Where(int row, int column) { return ColumnLetters(column) + std::to_string(row); }

inline void ExpectSide(const Json& side, bool on, const std::string& where, const char* name) {
  EXPECT_EQ(side["style"].Int(), on ? 1 : 0) << where << " border " << name;
  if (on) {
    EXPECT_EQ(side["colour"].Int(), 64) << where << " border colour " << name;
  }
}

inline void ExpectFormat(const Json& cell, const CellFormat& format, const std::string& where) {
  const Json& font = cell["font"];
  EXPECT_EQ(font["name"].text, format.fontName) << where;
  EXPECT_EQ(font["bold"].boolean, format.bold) << where;
  EXPECT_EQ(font["weight"].Int(), format.bold ? 700 : 400) << where;
  EXPECT_EQ(font["height"].Int(), std::lround(format.fontSize * 20)) << where;
  EXPECT_NE(font["index"].Int(), 4) << where << ": font index 4 does not exist";
  const Json& alignment = cell["alignment"];
  EXPECT_EQ(alignment["horizontal"].Int(), HorizontalCode(format.horizontal)) << where;
  EXPECT_EQ(alignment["vertical"].Int(), VerticalCode(format.vertical)) << where;
  EXPECT_EQ(alignment["wrap"].boolean, format.wrap) << where;
  const Json& border = cell["border"];
  ExpectSide(border["left"], format.borderLeft, where, "left");
  ExpectSide(border["right"], format.borderRight, where, "right");
  ExpectSide(border["top"], format.borderTop, where, "top");
  ExpectSide(border["bottom"], format.borderBottom, where, "bottom");
}

using CellMap = std::map<std::pair<int, int>, const Json*>;

inline CellMap CellsByPosition(const Json& dump) {
  CellMap cells;
  for (const Json& cell : dump["cells"].items) cells[{cell["row"].Int(), cell["column"].Int()}] = &cell;
  return cells;
}

// Checks every cell of the sheet against the file, and that the file holds
// no other cells. Texts longer than the file's limit are left to their own test.
inline void ExpectCellsMatch(const Sheet& sheet, const Json& dump) {
  const CellMap cells = CellsByPosition(dump);
  std::size_t expected = 0;
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      if (cell == nullptr) continue;
      const auto* number = std::get_if<double>(&cell->value);
      const auto* text = std::get_if<std::string>(&cell->value);
      const bool hasText = text != nullptr && !text->empty();
      if (number == nullptr && !hasText && !cell->formatted) continue;
      ++expected;
      const std::string where = Where(row, column);
      const auto found = cells.find({row, column});
      if (found == cells.end()) {
        ADD_FAILURE() << "no cell " << where << " in the file";
        continue;
      }
      const Json& got = *found->second;
      if (number != nullptr && std::isfinite(*number)) {
        EXPECT_EQ(got["type"].text, "n") << where;
        EXPECT_EQ(got["value"].number, *number) << where;
      } else if (number != nullptr) {
        EXPECT_EQ(got["type"].text, "error") << where;
      } else if (hasText) {
        EXPECT_EQ(got["type"].text, "s") << where;
        if (text->size() <= 32767) {
          EXPECT_EQ(got["value"].text, *text) << where;
        }
      } else {
        EXPECT_EQ(got["type"].text, "blank") << where;
      }
      ExpectFormat(got, cell->format, where);
    }
  }
  EXPECT_EQ(cells.size(), expected) << "the file holds cells the sheet does not";
}


}  // namespace verdin::testing
