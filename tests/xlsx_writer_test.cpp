// The .xlsx writer, checked by reading the written files back with an
// independent reader (openpyxl, through tests/xlsx_dump.py).

#include "workbook/xlsx_writer.h"
#include "core/line_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/file_faults.h"
#include "tests/json_reader.h"
#include "tests/test_support.h"
#include "workbook/save_workbook.h"
#include "workbook/sheet.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FolderEntries;
using testing::Json;
using testing::JsonReader;
using testing::TempFolder;

// ---- Running the dump -----------------------------------------------------

Json Dump(const fs::path& file) {
  const std::string python = testing::PythonWith("openpyxl");
  if (python.empty()) throw std::runtime_error("no python3 with openpyxl");
  const fs::path script = fs::path(__FILE__).parent_path() / "xlsx_dump.py";
  return JsonReader(testing::RunDumpScript(python, script, file)).Read();
}

// ---- Expectations ---------------------------------------------------------

const char* HorizontalName(int alignment) {
  switch (alignment) {
    case xl::kAlignLeft: return "left";
    case xl::kAlignCenter: return "center";
    case xl::kAlignRight: return "right";
    default: return nullptr;  // general
  }
}

const char* VerticalName(int alignment) {
  switch (alignment) {
    case xl::kAlignCenter: return "center";
    case xl::kAlignTop: return "top";
    default: return nullptr;  // bottom
  }
}

void ExpectName(const Json& json, const char* expected, const std::string& what) {
  if (expected == nullptr) {
    // Bottom and general may be left out or spelled out.
    if (!json.IsNull()) {
      EXPECT_TRUE(json.text == "general" || json.text == "bottom") << what << json.text;
    }
  } else {
    ASSERT_FALSE(json.IsNull()) << what;
    EXPECT_EQ(json.text, expected) << what;
  }
}

void ExpectBorder(const Json& json, bool expected, const std::string& what) {
  if (expected) {
    ASSERT_FALSE(json.IsNull()) << what;
    EXPECT_EQ(json.text, "thin") << what;
  } else {
    EXPECT_TRUE(json.IsNull()) << what;
  }
}

void ExpectFormat(const Json& cell, const CellFormat& format, const std::string& where) {
  EXPECT_EQ(cell["font"]["name"].text, format.fontName) << where;
  EXPECT_EQ(cell["font"]["bold"].boolean, format.bold) << where;
  EXPECT_DOUBLE_EQ(cell["font"]["size"].number, format.fontSize) << where;
  ExpectName(cell["alignment"]["horizontal"], HorizontalName(format.horizontal), where + " horizontal");
  ExpectName(cell["alignment"]["vertical"], VerticalName(format.vertical), where + " vertical");
  EXPECT_EQ(cell["alignment"]["wrap"].boolean, format.wrap) << where;
  ExpectBorder(cell["border"]["left"], format.borderLeft, where + " left");
  ExpectBorder(cell["border"]["top"], format.borderTop, where + " top");
  ExpectBorder(cell["border"]["right"], format.borderRight, where + " right");
  ExpectBorder(cell["border"]["bottom"], format.borderBottom, where + " bottom");
}

std::string RangeName(const CellRange& range) {
  return ColumnLetters(range.firstColumn) + std::to_string(range.firstRow) + ":" + ColumnLetters(range.lastColumn) +
         std::to_string(range.lastRow);
}

// The width in characters that a stored width shows in a spreadsheet with
// the default font (a digit 7 pixels wide, 5 pixels of padding).
double ShownWidth(double stored) { return (std::round(stored * 7) - 5) / 7; }

// Checks every cell, merge, width, height, the gridlines and the margins of
// the file against the sheet.
void ExpectFileMatches(const fs::path& file, const Sheet& sheet) {
  const Json dump = Dump(file);
  ASSERT_EQ(dump["sheets"].items.size(), 1U);
  EXPECT_EQ(dump["sheets"].items[0].text, "Смета");

  std::set<std::pair<int, int>> merged;
  std::set<std::string> expectedMerges;
  for (const CellRange& range : sheet.Merges()) {
    expectedMerges.insert(RangeName(range));
    for (int row = range.firstRow; row <= range.lastRow; ++row) {
      for (int column = range.firstColumn; column <= range.lastColumn; ++column) merged.emplace(row, column);
    }
  }
  std::set<std::string> merges;
  for (const Json& range : dump["merged"].items) merges.insert(range.text);
  EXPECT_EQ(merges, expectedMerges);

  std::map<std::pair<int, int>, const Json*> stored;
  for (const Json& cell : dump["cells"].items) {
    stored[{static_cast<int>(cell["row"].number), static_cast<int>(cell["column"].number)}] = &cell;
  }
  std::size_t expectedCount = 0;
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      const std::string where = ColumnLetters(column) + std::to_string(row);
      const bool inMerge = merged.contains({row, column});
      const bool hasValue = cell != nullptr && (std::holds_alternative<double>(cell->value) ||
                                                (std::holds_alternative<std::string>(cell->value) &&
                                                 !std::get<std::string>(cell->value).empty()));
      const bool shows = hasValue || inMerge || (cell != nullptr && cell->formatted);
      const auto found = stored.find({row, column});
      if (!shows) {
        EXPECT_EQ(found, stored.end()) << where << " should not be stored";
        continue;
      }
      ++expectedCount;
      if (found == stored.end()) {
        ADD_FAILURE() << where << " missing";
        continue;
      }
      const Json& json = *found->second;
      if (cell != nullptr && std::holds_alternative<double>(cell->value)) {
        EXPECT_EQ(json["type"].text, "n") << where;
        EXPECT_EQ(json["value"].number, std::get<double>(cell->value)) << where;
      } else if (hasValue) {
        EXPECT_EQ(json["type"].text, "s") << where;
        EXPECT_EQ(json["value"].text, std::get<std::string>(cell->value)) << where;
      } else {
        EXPECT_EQ(json["type"].text, "blank") << where;
      }
      ExpectFormat(json, cell != nullptr ? cell->format : CellFormat{}, where);
    }
  }
  EXPECT_EQ(stored.size(), expectedCount);

  std::size_t widths = 0;
  for (int column = 1; column <= 256; ++column) {
    const auto width = sheet.ColumnWidth(column);
    if (!width) continue;
    ++widths;
    const Json& stored = dump["columns"][ColumnLetters(column)];
    // The file holds the width with the cell padding added.
    EXPECT_GT(stored.number, *width) << ColumnLetters(column);
    EXPECT_NEAR(ShownWidth(stored.number), *width, 0.5 / 7) << ColumnLetters(column);
  }
  EXPECT_EQ(dump["columns"].keys.size(), widths);

  std::size_t heights = 0;
  for (int row = 1; row <= sheet.LastRow() + 10; ++row) {
    const auto height = sheet.RowHeight(row);
    if (!height) continue;
    ++heights;
    EXPECT_DOUBLE_EQ(dump["rows"][std::to_string(row)].number, *height) << "row " << row;
  }
  EXPECT_EQ(dump["rows"].keys.size(), heights);

  const Json& gridlines = dump["gridlines"];
  EXPECT_EQ(gridlines.IsNull() || gridlines.boolean, sheet.DisplayGridlines());
  EXPECT_NEAR(dump["margins"]["left"].number, sheet.LeftMargin() / 72, 1e-12);
  EXPECT_NEAR(dump["margins"]["right"].number, sheet.RightMargin() / 72, 1e-12);
  EXPECT_NEAR(dump["margins"]["top"].number, sheet.TopMargin() / 72, 1e-12);
  EXPECT_NEAR(dump["margins"]["bottom"].number, sheet.BottomMargin() / 72, 1e-12);
}


// A sheet laid out as an estimate: the header block with merges, borders
// and heights, then many item rows.
Sheet EstimateLikeSheet() {
  Sheet sheet;
  sheet.SetColumnWidth("A1", 4);
  sheet.SetColumnWidth("B1", 19);
  sheet.SetColumnWidth("C1", 25);
  sheet.SetColumnWidth("D1", 25);
  sheet.SetColumnWidth("E1", 13);
  sheet.SetFontName("A1:H200", "Times New Roman");
  sheet.SetFontStyle("A1:H200", xl::kRegular);
  sheet.SetFontSize("A1:H200", 10);
  sheet.SetHorizontalAlignment("A1:H200", xl::kAlignGeneral);
  sheet.SetVerticalAlignment("A1:H200", xl::kAlignCenter);

  sheet.SetValue(1, 5, "Приложение №1");
  sheet.SetValue(2, 5, "к договору №  2008/11 от 01.10.2008 г.");
  sheet.SetValue(3, 3, "Смета № 2008/11");
  sheet.SetValue(4, 3, "на проектно-изыскательские работы");
  sheet.SetValue(6, 1,
                 "Наименование предприятия, здания, сооружения, стадии проектирования, этапа, вида проектных работ. ");
  sheet.SetValue(6, 4, "Жилой дом\r\nпо ул. Новой");
  sheet.SetValue(7, 1, "Наименование проектной организации.");
  sheet.SetValue(7, 4, std::string(300, 'x') + " длинный текст " + std::string(2000, 'y'));
  sheet.SetValue(8, 1, "Наименование организации заказчика.");
  sheet.SetValue(10, 1, "№ п/п");
  sheet.SetValue(10, 5, "Стоимость, тыс.руб.");
  for (const char* range : {"A1:E1", "A2:E2", "A3:E3", "A4:E4", "A6:C6", "A7:C7", "A8:C8", "D6:E6", "D7:E7", "D8:E8"}) {
    sheet.Merge(range);
  }
  sheet.SetHorizontalAlignment("A1:E1", xl::kAlignRight);
  sheet.SetHorizontalAlignment("A2:E2", xl::kAlignRight);
  sheet.SetHorizontalAlignment("A3:E3", xl::kAlignCenter);
  sheet.SetHorizontalAlignment("A4:E4", xl::kAlignCenter);
  sheet.SetFontSize("A3:E4", 11);
  sheet.SetFontStyle("A3:E4", xl::kBold);
  for (int index = xl::kEdgeLeft; index <= xl::kInsideHorizontal; ++index) {
    sheet.SetBorder("A6:E8", index, xl::kContinuous);
  }
  sheet.SetRowHeight("A6:E6", 35);
  sheet.SetRowHeight("A7:E7", 25);
  sheet.SetRowHeight("A8:E8", 50);
  sheet.SetWrapText("A6:E8", true);
  sheet.SetHorizontalAlignment("B10", xl::kAlignLeft);
  sheet.SetVerticalAlignment("C10", xl::kAlignTop);
  sheet.SetVerticalAlignment("D10", xl::kAlignBottom);
  sheet.SetBorder("B12:C12", xl::kEdgeTop, xl::kContinuous);  // blank cells with a top border only

  for (int row = 11; row <= 900; ++row) {
    sheet.SetValue(row, 1, static_cast<double>(row - 10));
    sheet.SetValue(row, 2, "Работа " + std::to_string(row));
    if (row % 3 == 0) sheet.SetValue(row, 5, 50920.634);
    if (row % 3 == 1) sheet.SetValue(row, 5, -1234.5);
    if (row % 3 == 2) sheet.SetValue(row, 5, 0.0);
  }
  sheet.SetValue(900, 4, 1e15);
  sheet.SetValue(899, 4, 0.1);
  sheet.SetDisplayGridlines(false);
  sheet.SetMargins(Sheet::InchesToPoints(0.78740157480315), Sheet::InchesToPoints(0.590551181102362),
                   Sheet::InchesToPoints(0.590551181102362), Sheet::InchesToPoints(0.590551181102362));
  return sheet;
}

// ---- Tests ----------------------------------------------------------------

TEST(XlsxWriter, EstimateLikeSheetReadsBackCellByCell) {
  TempFolder folder;
  const Sheet sheet = EstimateLikeSheet();
  const fs::path file = folder / PathFromText("Смета к дог 2008_11.xlsx");
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
  // Nothing but the workbook is left in the folder.
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"Смета к дог 2008_11.xlsx"});
}

TEST(XlsxWriter, SpotChecksOfTheHeader) {
  TempFolder folder;
  const fs::path file = folder / "a.xlsx";
  WriteXlsx(EstimateLikeSheet(), file);
  const Json dump = Dump(file);
  std::map<std::string, const Json*> cells;
  for (const Json& cell : dump["cells"].items) {
    cells[ColumnLetters(static_cast<int>(cell["column"].number)) +
          std::to_string(static_cast<int>(cell["row"].number))] = &cell;
  }
  // The texts of rows 1 to 4 moved into the first cells of their merges.
  EXPECT_EQ((*cells.at("A1"))["value"].text, "Приложение №1");
  EXPECT_EQ((*cells.at("A1"))["alignment"]["horizontal"].text, "right");
  EXPECT_EQ((*cells.at("A3"))["value"].text, "Смета № 2008/11");
  EXPECT_TRUE((*cells.at("A3"))["font"]["bold"].boolean);
  EXPECT_EQ((*cells.at("A3"))["font"]["size"].number, 11);
  EXPECT_EQ((*cells.at("D6"))["value"].text, "Жилой дом\r\nпо ул. Новой");
  // All borders of A6:E8 on every cell, merged or not.
  for (const char* name : {"A6", "B6", "C6", "D7", "E8"}) {
    for (const char* side : {"left", "top", "right", "bottom"}) {
      EXPECT_EQ((*cells.at(name))["border"][side].text, "thin") << name << " " << side;
    }
  }
  EXPECT_EQ((*cells.at("E900"))["value"].number, 50920.634);
  EXPECT_EQ((*cells.at("E898"))["value"].number, -1234.5);
  EXPECT_EQ((*cells.at("A11"))["value"].number, 1);
  EXPECT_EQ((*cells.at("A11"))["type"].text, "n");
  EXPECT_EQ(dump["columns"]["A"].number, 4.7109375);  // 4 characters + padding, as the library stores it
  EXPECT_EQ(dump["rows"]["8"].number, 50);
  EXPECT_FALSE(dump["gridlines"].boolean);
  EXPECT_DOUBLE_EQ(dump["margins"]["left"].number, 0.78740157480315);
  EXPECT_DOUBLE_EQ(dump["margins"]["bottom"].number, 0.590551181102362);
}

TEST(XlsxWriter, UntouchedSheetGetsDefaults) {
  TempFolder folder;
  Sheet sheet;
  sheet.SetValue(2, 2, "текст");
  sheet.SetValue(3, 1, 7.0);
  const fs::path file = folder / "b.xlsx";
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
  const Json dump = Dump(file);
  ASSERT_EQ(dump["cells"].items.size(), 2U);
  // A cell nobody formatted still shows the sheet's default font.
  EXPECT_EQ(dump["cells"].items[0]["font"]["name"].text, "Arial");
  EXPECT_EQ(dump["cells"].items[0]["font"]["size"].number, 10);
  EXPECT_TRUE(dump["gridlines"].IsNull() || dump["gridlines"].boolean);
  EXPECT_DOUBLE_EQ(dump["margins"]["left"].number, 0.75);
  EXPECT_DOUBLE_EQ(dump["margins"]["top"].number, 1.0);
}

TEST(XlsxWriter, EmptySheetIsAValidWorkbook) {
  TempFolder folder;
  const fs::path file = folder / "empty.xlsx";
  WriteXlsx(Sheet{}, file);
  const Json dump = Dump(file);
  EXPECT_EQ(dump["sheets"].items[0].text, "Смета");
  EXPECT_TRUE(dump["cells"].items.empty());
}

TEST(XlsxWriter, MergeWithNumberAndMergeOfEmptyCells) {
  TempFolder folder;
  Sheet sheet;
  sheet.SetValue(2, 3, 123.25);  // moves to B1 by the merge
  sheet.Merge("B1:C2");
  sheet.Merge("A5:B5");  // nothing in it, nobody formatted it
  sheet.SetBorder("E1:F1", xl::kEdgeBottom, xl::kContinuous);
  sheet.Merge("E1:F1");
  const fs::path file = folder / "m.xlsx";
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
}

TEST(XlsxWriter, MergedCellsKeepTheirOwnBorders) {
  TempFolder folder;
  Sheet sheet;
  sheet.SetValue(1, 1, "шапка");
  sheet.Merge("A1:C2");
  sheet.SetBorder("A1:C2", xl::kEdgeRight, xl::kContinuous);
  sheet.SetBorder("A1:C2", xl::kEdgeBottom, xl::kContinuous);
  sheet.SetHorizontalAlignment("A1", xl::kAlignCenter);
  // A merge whose other cells nobody formatted: they keep the defaults.
  sheet.SetFontStyle("E1", xl::kBold);
  sheet.SetBorder("E1", xl::kEdgeLeft, xl::kContinuous);
  sheet.Merge("E1:G1");
  const fs::path file = folder / "borders.xlsx";
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
  const Json dump = Dump(file);
  std::map<std::string, const Json*> cells;
  for (const Json& cell : dump["cells"].items) {
    cells[ColumnLetters(static_cast<int>(cell["column"].number)) +
          std::to_string(static_cast<int>(cell["row"].number))] = &cell;
  }
  ASSERT_EQ(cells.size(), 9U);
  // The right edge is on C1 and C2 only, the bottom edge on row 2 only.
  EXPECT_TRUE((*cells.at("A1"))["border"]["right"].IsNull());
  EXPECT_TRUE((*cells.at("A1"))["border"]["bottom"].IsNull());
  EXPECT_EQ((*cells.at("C1"))["border"]["right"].text, "thin");
  EXPECT_TRUE((*cells.at("C1"))["border"]["bottom"].IsNull());
  EXPECT_EQ((*cells.at("B2"))["border"]["bottom"].text, "thin");
  EXPECT_EQ((*cells.at("C2"))["border"]["right"].text, "thin");
  EXPECT_EQ((*cells.at("A1"))["alignment"]["horizontal"].text, "center");
  EXPECT_TRUE((*cells.at("E1"))["font"]["bold"].boolean);
  EXPECT_FALSE((*cells.at("F1"))["font"]["bold"].boolean);
  EXPECT_TRUE((*cells.at("G1"))["border"]["left"].IsNull());
  EXPECT_EQ((*cells.at("G1"))["font"]["name"].text, "Arial");
}

TEST(XlsxWriter, TextsKeepEveryCharacter) {
  TempFolder folder;
  Sheet sheet;
  const std::vector<std::string> texts = {
      "a\r\nb",        "\rодин\nдва\r",  "табуляция\tи\x01управляющий", "_x0041_ буквально",
      "a_x000D_b",     "<&>\"'",          "№ €‰ “”",                      "   ведущие и хвостовые пробелы   ",
      "😀 вне BMP",   std::string(32767, 'z')};
  for (std::size_t i = 0; i < texts.size(); ++i) sheet.SetValue(static_cast<int>(i) + 1, 1, texts[i]);
  sheet.SetValue(20, 1, std::string());  // an empty text leaves the cell empty
  const fs::path file = folder / "t.xlsx";
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
}

TEST(XlsxWriter, NumbersKeepEveryDigit) {
  TempFolder folder;
  Sheet sheet;
  const std::vector<double> numbers = {50920.634, -50920.634, 0.0, -0.5, 1.0 / 3, 123456789012345.0, 1e-300,
                                       -1e300,    42.0,       7.1e-5};
  for (std::size_t i = 0; i < numbers.size(); ++i) sheet.SetValue(static_cast<int>(i) + 1, 2, numbers[i]);
  const fs::path file = folder / "n.xlsx";
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
}

TEST(XlsxWriter, ReplacesAnExistingFile) {
  TempFolder folder;
  const fs::path file = folder / "c.xlsx";
  {
    std::ofstream(file) << "old";
  }
  Sheet sheet;
  sheet.SetValue(1, 1, "новое");
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"c.xlsx"});
}

TEST(XlsxWriter, SaveWorkbookChoosesXlsxByTheName) {
  TempFolder folder;
  Sheet sheet;
  sheet.SetValue(1, 1, 5.0);
  const fs::path file = folder / "d.XLSX";
  SaveWorkbook(sheet, file);
  EXPECT_EQ(Bytes(file).substr(0, 2), "PK");  // a zip package, not an OLE2 file
  ExpectFileMatches(file, sheet);
}

TEST(XlsxWriter, MissingFolderFails) {
  TempFolder folder;
  const fs::path file = folder / PathFromText("нет такой папки") / "e.xlsx";
  try {
    WriteXlsx(EstimateLikeSheet(), file);
    FAIL() << "no error";
  } catch (const SheetOperationError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message, "Не удалось записать книгу «" + file.string() + "»: файл или папка не найдены.");
  }
  EXPECT_TRUE(FolderEntries(folder.path()).empty());
}

// A write that fails half-way leaves the earlier file as it was and no
// temporary behind.
void ExpectFailureKeepsOldFile(const Sheet& sheet, const std::string& reasonPart) {
  TempFolder folder;
  const fs::path file = folder / "f.xlsx";
  {
    std::ofstream(file, std::ios::binary) << "earlier workbook";
  }
  try {
    WriteXlsx(sheet, file);
    ADD_FAILURE() << "no error";
  } catch (const SheetOperationError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("Не удалось записать книгу «" + file.string() + "»: ", 0), 0U) << message;
    EXPECT_NE(message.find(reasonPart), std::string::npos) << message;
    EXPECT_EQ(message.back(), '.');
  }
  EXPECT_EQ(Bytes(file), "earlier workbook");
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"f.xlsx"});
}

// Values no workbook can hold are refused by the sheet itself, so that only
// that one operation fails and the rest of the estimate is still written.
TEST(XlsxWriter, TheSheetRefusesValuesNoWorkbookCanHold) {
  Sheet sheet;
  EXPECT_THROW(sheet.SetValue(850, 3, std::nan("")), SheetOperationError);
  EXPECT_THROW(sheet.SetValue(1, 1, HUGE_VAL), SheetOperationError);
  EXPECT_THROW(sheet.SetHorizontalAlignment("B2", -4130), SheetOperationError);
  EXPECT_THROW(sheet.SetVerticalAlignment("C3", 5), SheetOperationError);
  EXPECT_THROW(sheet.SetColumnWidth("C1", 256), SheetOperationError);
  EXPECT_THROW(sheet.SetRowHeight("A7", -1), SheetOperationError);
  EXPECT_THROW(sheet.SetMargins(10, std::nan(""), 10, 10), SheetOperationError);
  EXPECT_THROW(sheet.SetFontName("A1", ""), SheetOperationError);
}

TEST(XlsxWriter, OverlongTextFailsAndKeepsOldFile) {
  TempFolder folder;
  const fs::path file = folder / "f.xlsx";
  testing::PutBytes(file, "earlier workbook");
  Sheet sheet;
  sheet.SetValue(3, 2, std::string(32768, 'z'));
  try {
    WriteXlsx(sheet, file);
    ADD_FAILURE() << "no error";
  } catch (const SheetOperationError& error) {
    EXPECT_EQ(std::string(error.what()), "Не удалось записать файл «" + file.string() +
                                             "»: в ячейке B3 текст длиннее 32767 знаков (в нём 32768); сократите его.");
  }
  EXPECT_EQ(Bytes(file), "earlier workbook");
}

TEST(XlsxWriter, MalformedUtf8FailsAndKeepsOldFile) {
  for (const std::string bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\xFF", "\xEF\xBF\xBF"}) {
    Sheet sheet;
    sheet.SetValue(1, 1, bad);
    ExpectFailureKeepsOldFile(sheet, "ячейка A1: текст содержит недопустимые символы");
  }
}

TEST(XlsxWriter, FontNameLongerThanTheFormatAllowsFailsAndKeepsOldFile) {
  Sheet longFont;
  longFont.SetFontName("A2", std::string(32, 'F'));
  ExpectFailureKeepsOldFile(longFont, "длиннее 31 знака");
}

TEST(XlsxWriter, LimitsThemselvesAreAccepted) {
  TempFolder folder;
  Sheet sheet;
  sheet.SetColumnWidth("A1", 255);
  sheet.SetRowHeight("A1", 409);
  sheet.SetFontName("A1", std::string(31, 'F'));
  std::string longest;
  for (int i = 0; i < 32767; ++i) longest += "я";
  sheet.SetValue(1, 1, longest);
  sheet.SetMargins(0, 0, 0, 0);
  const fs::path file = folder / "g.xlsx";
  WriteXlsx(sheet, file);
  ExpectFileMatches(file, sheet);
}

TEST(XlsxWriter, TargetThatIsAFolderFails) {
  TempFolder folder;
  const fs::path file = folder / "h.xlsx";
  fs::create_directory(file);
  try {
    WriteXlsx(EstimateLikeSheet(), file);
    FAIL() << "no error";
  } catch (const SheetOperationError& error) {
    EXPECT_NE(std::string(error.what()).find("это папка, а не файл"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"h.xlsx"});
}

// Everything written to the standard error stream (fd 2) while it lives.
class CapturedStandardError {
 public:
  explicit CapturedStandardError(fs::path file) : file_(std::move(file)) {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_GE(::dup2(fd, STDERR_FILENO), 0);
    ::close(fd);
  }
  ~CapturedStandardError() { Finish(); }
  CapturedStandardError(const CapturedStandardError&) = delete;
  CapturedStandardError& operator=(const CapturedStandardError&) = delete;

  // Puts stderr back and returns what was written.
  std::string Finish() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
      saved_ = -1;
    }
    return Bytes(file_);
  }

 private:
  fs::path file_;
  int saved_ = -1;
};

// The library's own English lines never reach the user: a failed write
// gives the Russian message alone, and stderr works again afterwards.
TEST(XlsxWriter, FailuresPrintNothingOnStandardError) {
  struct FailureCase {
    std::string name;
    std::function<fs::path(const fs::path& folder)> scene;  // lays it out, returns the target
    rlim_t sizeLimit;                                         // 0 for none
  };
  const std::vector<FailureCase> cases = {
      {"missing folder", [](const fs::path& folder) { return folder / PathFromText("нет папки") / "e.xlsx"; }, 0},
      {"target is a folder",
       [](const fs::path& folder) {
         fs::create_directory(folder / "e.xlsx");
         return folder / "e.xlsx";
       },
       0},
      // The package stops growing half-way, inside the library's own zip
      // writing, which is where it prints its "[ERROR]" lines.
      {"file too large", [](const fs::path& folder) { return folder / "e.xlsx"; }, 2048},
  };
  TempFolder capture;
  for (const FailureCase& c : cases) {
    TempFolder folder;
    const fs::path file = c.scene(folder.path());
    CapturedStandardError captured(capture / "stderr.txt");
    std::string message;
    {
      std::optional<testing::FileSizeLimit> limit;
      if (c.sizeLimit > 0) limit.emplace(c.sizeLimit);
      try {
        WriteXlsx(EstimateLikeSheet(), file);
      } catch (const SheetOperationError& error) {
        message = error.what();
      }
    }
    std::fputs("после записи\n", stderr);
    EXPECT_EQ(captured.Finish(), "после записи\n") << c.name;
    EXPECT_EQ(message.rfind("Не удалось записать книгу «" + file.string() + "»: ", 0), 0U) << c.name << ": " << message;
  }
}

TEST(XlsxWriter, EmptyFileNameFails) {
  EXPECT_THROW(WriteXlsx(Sheet{}, fs::path()), SheetOperationError);
}

}  // namespace
}  // namespace verdin
