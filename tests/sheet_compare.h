// Comparing two built sheets in the tests: every cell with its value and
// format, the merges, the column widths, the row heights and the margins.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "workbook/sheet.h"

namespace verdin::testing {

inline void ExpectSameSheet(const Sheet& actual, const Sheet& expected) {
  ASSERT_EQ(actual.LastRow(), expected.LastRow());
  ASSERT_EQ(actual.LastColumn(), expected.LastColumn());
  for (int row = 1; row <= expected.LastRow(); ++row) {
    EXPECT_EQ(actual.RowHeight(row), expected.RowHeight(row)) << "row " << row;
    for (int column = 1; column <= expected.LastColumn(); ++column) {
      const Cell* a = actual.CellAt(row, column);
      const Cell* b = expected.CellAt(row, column);
      ASSERT_EQ(a == nullptr, b == nullptr) << row << ":" << column;
      if (a == nullptr) continue;
      EXPECT_EQ(a->value, b->value) << row << ":" << column;
      EXPECT_EQ(a->format, b->format) << row << ":" << column;
      EXPECT_EQ(a->formatted, b->formatted) << row << ":" << column;
    }
  }
  ASSERT_EQ(actual.LastSizedColumn(), expected.LastSizedColumn());
  for (int column = 1; column <= expected.LastSizedColumn(); ++column) {
    EXPECT_EQ(actual.ColumnWidth(column), expected.ColumnWidth(column)) << "column " << column;
  }
  EXPECT_EQ(actual.Merges(), expected.Merges());
  EXPECT_EQ(actual.LeftMargin(), expected.LeftMargin());
  EXPECT_EQ(actual.RightMargin(), expected.RightMargin());
  EXPECT_EQ(actual.TopMargin(), expected.TopMargin());
  EXPECT_EQ(actual.BottomMargin(), expected.BottomMargin());
}

// Whether some text cell of the sheet holds `part`.
inline bool SheetHolds(const Sheet& sheet, const std::string& part) {
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      const auto* text = cell != nullptr ? std::get_if<std::string>(&cell->value) : nullptr;
      if (text != nullptr && text->find(part) != std::string::npos) return true;
    }
  }
  return false;
}

}  // namespace verdin::testing
