// Norm workbooks in a folder of Cyrillic letters and spaces, which the
// spreadsheet libraries cannot name through the system's code page on
// Windows: an .xlsx workbook written and read there, an .xls one read, and
// nothing of theirs left beside them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/line_file.h"
#include "test_support.h"
#include "workbook/norm_io/norm_workbook_files.h"
#include "workbook/sheet.h"
#include "workbook/xls_writer.h"

namespace verdin {
namespace {

// Whether a sheet holds the text and the number in any of its cells.
bool Holds(const GridSheet& sheet, std::string_view text, double number) {
  bool textFound = false;
  bool numberFound = false;
  for (const std::vector<GridCell>& row : sheet.rows) {
    for (const GridCell& cell : row) {
      textFound = textFound || (cell.kind == GridCell::Kind::Text && cell.text.view() == text);
      numberFound = numberFound || (cell.kind == GridCell::Kind::Number && cell.number == number);
    }
  }
  return textFound && numberFound;
}

TEST(NormWorkbookFolders, BothKindsAreReadFromAFolderOfCyrillicLettersAndSpaces) {
  const testing::TempFolder scratch;
  const std::filesystem::path folder = scratch / "Нормы отдела 1";
  std::filesystem::create_directory(folder);

  GridSheet tables{kTablesSheet, {}, {12, 40}, {}};
  tables.rows.push_back({{GridCell::Kind::Text, 0, "Таблица"}, {GridCell::Kind::Text, 0, "Цена"}});
  tables.rows.push_back({{GridCell::Kind::Text, 0, "Здания административные"}, {GridCell::Kind::Number, 12113.12, {}}});
  const std::filesystem::path xlsx = folder / PathFromText("база норм.xlsx");
  WriteNormXlsx({tables}, xlsx);
  const std::vector<GridSheet> fromXlsx = ReadNormWorkbookFile(xlsx);
  ASSERT_EQ(fromXlsx.size(), 1u);
  EXPECT_EQ(fromXlsx[0].name, kTablesSheet);
  EXPECT_TRUE(Holds(fromXlsx[0], "Здания административные", 12113.12));

  // An .xls workbook, as the estimate's writer makes it.
  Sheet sheet;
  sheet.SetValue(1, 1, "Здания административные");
  sheet.SetValue(1, 2, 12113.12);
  const std::filesystem::path xls = folder / PathFromText("база норм.xls");
  WriteXls(sheet, xls);
  const std::vector<GridSheet> fromXls = ReadNormWorkbookFile(xls);
  ASSERT_EQ(fromXls.size(), 1u);
  EXPECT_EQ(fromXls[0].name, "Смета");
  EXPECT_TRUE(Holds(fromXls[0], "Здания административные", 12113.12));

  EXPECT_EQ(testing::FolderEntries(folder).size(), 2u);
}

}  // namespace
}  // namespace verdin
