// The .xls writer, checked by reading its files back with an independent
// reader (xlrd, through tests/xls_dump.py) and comparing every cell,
// format, merge, size and page setting with the sheet that was written.
#include "workbook/xls_writer.h"
#include "core/line_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/file_faults.h"
#include "tests/test_support.h"
#include "tests/xls_readback.h"
#include "workbook/save_workbook.h"
#include "workbook/sheet.h"

namespace verdin {
namespace {

using testing::CellMap;
using testing::CellsByPosition;
using testing::Dump;
using testing::ExpectCellsMatch;
using testing::FileSizeLimit;
using testing::Json;
using testing::Where;

// ---------------------------------------------------------------------------
// Sheets.

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

constexpr int kStringRowsFrom = 100;
constexpr int kDistinctStrings = 2000;
constexpr int kMergeRowsFrom = 500;
constexpr int kLastRow = 900;

// A sheet with what an estimate has, and more of it.
Sheet EstimateLikeSheet() {
  Sheet sheet;
  sheet.SetColumnWidth("A1", 4);
  sheet.SetColumnWidth("B1", 19);
  sheet.SetColumnWidth("C1:D1", 25);
  sheet.SetColumnWidth("E1", 13);
  sheet.SetRowHeight("A1", 35);
  sheet.SetRowHeight("A2", 25);
  sheet.SetRowHeight("A3", 50);

  sheet.SetValue(1, 1, std::string("СМЕТА № 17-2027 на разработку проектной документации"));
  sheet.Merge("A1:E1");
  sheet.SetFontName("A1:E1", "Times New Roman");
  sheet.SetFontStyle("A1:E1", xl::kBold);
  sheet.SetFontSize("A1:E1", 11);
  sheet.SetHorizontalAlignment("A1:E1", xl::kAlignCenter);
  sheet.SetVerticalAlignment("A1:E1", xl::kAlignCenter);
  sheet.SetWrapText("A1:E1", true);

  sheet.SetValue(2, 2, std::string("Первая строка\r\nвторая строка"));
  sheet.SetWrapText("B2", true);
  sheet.SetValue(2, 3, std::string("Latin only, compressed"));
  sheet.SetValue(2, 4, std::string("Ёлка: \xF0\x9F\x98\x80 и «кавычки»"));
  sheet.SetValue(2, 5, std::string("Straße café ±5° ×2"));  // Latin-1 only: one byte a character
  sheet.SetValue(3, 1, Repeat("Проектирование", 1000 / 14 + 1).substr(0, 2 * 1000));  // 1000 Cyrillic letters
  sheet.Merge("A3:E3");
  sheet.SetWrapText("A3:E3", true);
  sheet.SetVerticalAlignment("A3:E3", xl::kAlignTop);
  sheet.SetHorizontalAlignment("A3:E3", xl::kAlignLeft);

  const double numbers[] = {1, 50920.634, -17.25, 1e-300, 0, 123456789, 4.9e-324};
  for (int i = 0; i < 7; ++i) sheet.SetValue(5, i + 1, numbers[i]);
  sheet.SetHorizontalAlignment("A5", xl::kAlignRight);
  sheet.SetHorizontalAlignment("B5", xl::kAlignGeneral);
  sheet.SetVerticalAlignment("C5", xl::kAlignBottom);
  sheet.SetFontSize("D5", 11);
  sheet.SetFontName("E5", "Times New Roman");
  sheet.SetFontStyle("F5", xl::kRegular);

  sheet.SetBorder("B6", xl::kEdgeLeft, xl::kContinuous);
  sheet.SetBorder("C6", xl::kEdgeTop, xl::kContinuous);
  sheet.SetBorder("D6", xl::kEdgeRight, xl::kContinuous);
  sheet.SetBorder("E6", xl::kEdgeBottom, xl::kContinuous);
  for (int edge = xl::kEdgeLeft; edge <= xl::kInsideHorizontal; ++edge) {
    sheet.SetBorder("A7:E9", edge, xl::kContinuous);
  }
  sheet.SetValue(8, 3, 2.5);
  sheet.SetValue(8, 4, std::string("в рамке"));

  // Formatted empty cells: a run (one MULBLANK), a single one, and one
  // that holds an empty text.
  sheet.SetBorder("A10:E10", xl::kEdgeBottom, xl::kContinuous);
  sheet.SetHorizontalAlignment("G11", xl::kAlignCenter);
  sheet.SetValue(12, 2, std::string());
  sheet.SetWrapText("B12", true);
  sheet.SetValue(12, 3, std::string());  // empty and never formatted: no cell at all

  for (int i = 0; i < kDistinctStrings; ++i) {
    sheet.SetValue(kStringRowsFrom + i / 4, 1 + i % 4, "Позиция " + std::to_string(i) + " — " + Repeat("ж", i % 40));
  }
  for (int row = kStringRowsFrom; row <= kLastRow; ++row) sheet.SetValue(row, 5, row * 1.5);
  for (int row = kMergeRowsFrom; row <= kLastRow; ++row) {
    for (const char* columns : {"F%d:G%d", "H%d:I%d", "J%d:K%d"}) {
      char address[32];
      std::snprintf(address, sizeof address, columns, row, row);
      sheet.Merge(address);
    }
  }
  sheet.SetDisplayGridlines(false);
  sheet.SetMargins(Sheet::InchesToPoints(0.78740157480315), Sheet::InchesToPoints(0.590551181102362),
                   Sheet::InchesToPoints(0.590551181102362), Sheet::InchesToPoints(0.590551181102362));
  return sheet;
}

class XlsWriterTest : public ::testing::Test {
 protected:
  Json WriteAndDump(const Sheet& sheet, const std::string& name = "смета.xls") {
    const auto file = folder_ / name;
    WriteXls(sheet, file);
    return Dump(file);
  }

  testing::TempFolder folder_;
};

// ---------------------------------------------------------------------------
// Tests.

TEST_F(XlsWriterTest, EveryCellReadsBackWithItsValueTypeAndFormat) {
  const Sheet sheet = EstimateLikeSheet();
  const Json dump = WriteAndDump(sheet);
  ASSERT_EQ(dump["sheets"].items.size(), 1u);
  EXPECT_EQ(dump["sheets"][0].text, "Смета");
  ExpectCellsMatch(sheet, dump);

  const CellMap cells = CellsByPosition(dump);
  EXPECT_EQ((*cells.at({5, 7}))["value"].number, 4.9e-324);
  EXPECT_EQ((*cells.at({5, 2}))["value"].number, 50920.634);
  EXPECT_EQ((*cells.at({2, 2}))["value"].text, "Первая строка\r\nвторая строка");
  EXPECT_EQ(cells.count({12, 3}), 0u);
  EXPECT_EQ((*cells.at({12, 2}))["type"].text, "blank");
}

TEST_F(XlsWriterTest, SizesMergesGridlinesAndMarginsReadBack) {
  const Sheet sheet = EstimateLikeSheet();
  const Json dump = WriteAndDump(sheet);

  const Json& columns = dump["columns"];
  EXPECT_EQ(columns["1"].Int(), 1024);
  EXPECT_EQ(columns["2"].Int(), 19 * 256);
  EXPECT_EQ(columns["3"].Int(), 25 * 256);
  EXPECT_EQ(columns["4"].Int(), 25 * 256);
  EXPECT_EQ(columns["5"].Int(), 13 * 256);
  EXPECT_EQ(columns.keys.size(), 5u);

  const Json& rows = dump["rows"];
  EXPECT_EQ(rows["1"]["height"].Int(), 700);
  EXPECT_EQ(rows["2"]["height"].Int(), 500);
  EXPECT_EQ(rows["3"]["height"].Int(), 1000);
  for (const char* row : {"1", "2", "3"}) {
    EXPECT_TRUE(rows[row]["custom"].boolean) << row;
    EXPECT_FALSE(rows[row]["hidden"].boolean) << row;
  }
  EXPECT_EQ(rows.keys.size(), 3u);

  std::set<std::tuple<int, int, int, int>> expected, got;
  for (const auto& range : sheet.Merges()) {
    expected.emplace(range.firstRow, range.lastRow, range.firstColumn, range.lastColumn);
  }
  for (const Json& range : dump["merged"].items) got.emplace(range[0].Int(), range[1].Int(), range[2].Int(), range[3].Int());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(dump["merged"].items.size(), sheet.Merges().size());
  ASSERT_GT(sheet.Merges().size(), 1026u);
  const Json& perRecord = dump["records"]["merged_per_record"];
  ASSERT_EQ(perRecord.items.size(), 2u);
  EXPECT_EQ(perRecord[0].Int(), 1026);
  EXPECT_EQ(perRecord[1].Int(), static_cast<int>(sheet.Merges().size()) - 1026);

  EXPECT_FALSE(dump["gridlines"].boolean);
  const Json& margins = dump["margins"];
  EXPECT_NEAR(margins["left"].number, 0.78740157480315, 1e-12);
  EXPECT_NEAR(margins["right"].number, 0.590551181102362, 1e-12);
  EXPECT_NEAR(margins["top"].number, 0.590551181102362, 1e-12);
  EXPECT_NEAR(margins["bottom"].number, 0.590551181102362, 1e-12);
}

TEST_F(XlsWriterTest, RecordStreamIsWellFormed) {
  const Json dump = WriteAndDump(EstimateLikeSheet());
  const Json& records = dump["records"];
  EXPECT_LE(records["max_record_length"].Int(), 8224);
  EXPECT_GT(records["sst_continues"].Int(), 0) << "2000 strings must spill the SST into CONTINUE records";
  EXPECT_TRUE(records["extsst_ok"].boolean);
  EXPECT_TRUE(records["boundsheet_points_at_bof"].boolean);
  EXPECT_GE(records["fonts"].Int(), 5);
  EXPECT_GE(records["xfs"].Int(), 16);
}

// Texts up to the cell limit are written whole; a longer one (counted as
// the spreadsheet counts, a character beyond the basic plane as two) is
// refused naming the cell, never cut.
TEST_F(XlsWriterTest, TextsUpToTheCellLimitAreWrittenLongerOnesRefused) {
  Sheet sheet;
  sheet.SetValue(1, 1, Repeat("щ", 32767));
  sheet.SetValue(2, 1, Repeat("a", 32765) + "\xF0\x9F\x98\x80");
  sheet.SetValue(3, 1, std::string("после длинных"));
  const Json dump = WriteAndDump(sheet);
  const CellMap cells = CellsByPosition(dump);
  EXPECT_EQ((*cells.at({1, 1}))["value"].text, Repeat("щ", 32767));
  EXPECT_EQ((*cells.at({3, 1}))["value"].text, "после длинных");
  EXPECT_TRUE(dump["records"]["extsst_ok"].boolean);
  EXPECT_LE(dump["records"]["max_record_length"].Int(), 8224);

  for (const std::string& overlong : {Repeat("я", 32768), Repeat("a", 32766) + "\xF0\x9F\x98\x80"}) {
    Sheet refused;
    refused.SetValue(4, 1, overlong);
    try {
      WriteXls(refused, folder_ / PathFromText("длинная.xls"));
      ADD_FAILURE() << "no error";
    } catch (const SheetOperationError& error) {
      EXPECT_NE(std::string(error.what()).find("в ячейке A4 текст длиннее 32767 знаков (в нём 32768)"),
                std::string::npos)
          << error.what();
    }
  }
}

TEST_F(XlsWriterTest, RepeatedTextsAndMalformedUtf8AreStoredSoundly) {
  Sheet sheet;
  for (int row = 1; row <= 50; ++row) sheet.SetValue(row, 1, std::string(row % 2 ? "итого" : "всего"));
  sheet.SetValue(51, 1, std::string("bad \xFF\xC3 end"));
  const Json dump = WriteAndDump(sheet);
  const CellMap cells = CellsByPosition(dump);
  EXPECT_EQ((*cells.at({1, 1}))["value"].text, "итого");
  EXPECT_EQ((*cells.at({50, 1}))["value"].text, "всего");
  EXPECT_EQ((*cells.at({51, 1}))["value"].text, "bad \xEF\xBF\xBD\xEF\xBF\xBD end");
}

TEST_F(XlsWriterTest, EmptySheetIsAValidWorkbookWithDefaults) {
  const Json dump = WriteAndDump(Sheet());
  EXPECT_EQ(dump["sheets"][0].text, "Смета");
  EXPECT_TRUE(dump["cells"].items.empty());
  EXPECT_TRUE(dump["gridlines"].boolean);
  EXPECT_NEAR(dump["margins"]["left"].number, 0.75, 1e-12);
  EXPECT_NEAR(dump["margins"]["top"].number, 1.0, 1e-12);
  EXPECT_GE(dump["records"]["fonts"].Int(), 5);
  EXPECT_TRUE(dump["records"]["boundsheet_points_at_bof"].boolean);
}

TEST_F(XlsWriterTest, ZeroSizesHideAndTheLargestSizesFit) {
  Sheet sheet;
  sheet.SetValue(1, 1, 1.0);
  sheet.SetColumnWidth("B1", 0);
  sheet.SetColumnWidth("C1", 255);
  sheet.SetRowHeight("A2", 0);
  sheet.SetRowHeight("A3", 409);
  sheet.SetRowHeight("A60000", 12);  // beyond the last row with cells
  const Json dump = WriteAndDump(sheet);
  EXPECT_EQ(dump["hidden_columns"].items.size(), 1u);
  EXPECT_EQ(dump["hidden_columns"][0].Int(), 2);
  EXPECT_EQ(dump["columns"]["3"].Int(), 255 * 256);
  EXPECT_TRUE(dump["rows"]["2"]["hidden"].boolean);
  EXPECT_EQ(dump["rows"]["3"]["height"].Int(), 8180);
  EXPECT_EQ(dump["rows"]["60000"]["height"].Int(), 240);
}

TEST_F(XlsWriterTest, ReplacesAnExistingFileAndLeavesNoTemporaryBehind) {
  const auto file = folder_ / PathFromText("смета.xls");
  { std::ofstream(file) << "old contents"; }
  Sheet sheet;
  sheet.SetValue(1, 1, std::string("новая"));
  WriteXls(sheet, file);
  EXPECT_EQ((*CellsByPosition(Dump(file)).at({1, 1}))["value"].text, "новая");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"смета.xls"});
}

TEST_F(XlsWriterTest, MissingFolderIsAnErrorAndCreatesNothing) {
  const auto file = folder_ / PathFromText("нет такой") / PathFromText("смета.xls");
  try {
    WriteXls(Sheet(), file);
    FAIL() << "no error";
  } catch (const SheetOperationError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("Не удалось записать книгу «" + file.string() + "»: ", 0), 0u) << message;
    EXPECT_NE(message.find("не найдена"), std::string::npos) << message;
    EXPECT_EQ(message.back(), '.');
  }
  EXPECT_FALSE(std::filesystem::exists(folder_ / PathFromText("нет такой")));
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST_F(XlsWriterTest, TargetThatIsAFolderIsAnError) {
  std::filesystem::create_directory(folder_ / PathFromText("смета.xls"));
  EXPECT_THROW(WriteXls(Sheet(), folder_ / PathFromText("смета.xls")), SheetOperationError);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / PathFromText("смета.xls")));
}

TEST_F(XlsWriterTest, FailedWriteLeavesTheEarlierFileIntactAndNoTemporary) {
  const auto file = folder_ / PathFromText("смета.xls");
  { std::ofstream(file) << "earlier estimate"; }
  const Sheet sheet = EstimateLikeSheet();
  {
    FileSizeLimit limit(20000);
    EXPECT_THROW(WriteXls(sheet, file), SheetOperationError);
  }
  std::ifstream in(file);
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), "earlier estimate");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST_F(XlsWriterTest, TooManyDistinctFormatsIsAnErrorNotABrokenFile) {
  const auto file = folder_ / PathFromText("смета.xls");
  { std::ofstream(file) << "earlier estimate"; }
  Sheet sheet;
  for (int i = 0; i < 4000; ++i) {
    const std::string address = "A" + std::to_string(i + 1);
    sheet.SetFontSize(address, 1 + i * 0.05);
  }
  try {
    WriteXls(sheet, file);
    FAIL() << "no error";
  } catch (const SheetOperationError& error) {
    EXPECT_NE(std::string(error.what()).find("форматов"), std::string::npos) << error.what();
  }
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "earlier estimate");
}

TEST_F(XlsWriterTest, SaveWorkbookPicksTheXlsWriterForOtherExtensions) {
  Sheet sheet;
  sheet.SetValue(1, 1, 42.0);
  SaveWorkbook(sheet, folder_ / PathFromText("смета.XLS"));
  EXPECT_EQ((*CellsByPosition(Dump(folder_ / PathFromText("смета.XLS"))).at({1, 1}))["value"].number, 42.0);
}

}  // namespace
}  // namespace verdin
