// The norm database through its workbook and back: the same bytes for the
// demo database and for one of the full size; the checks of a workbook
// brought in; the replacement of the four files all together.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "bench/full_size_database.h"
#include "core/folders.h"
#include "core/norm_collection.h"
#include "core/norm_loader.h"
#include "test_support.h"
#include "workbook/norm_io/norm_workbook_files.h"
#include "workbook/norm_sheets.h"

namespace verdin {
namespace {

using testing::Bytes;
using testing::TempFolder;

std::array<std::string, kNormFileCount> FolderBytes(const std::filesystem::path& folder) {
  std::array<std::string, kNormFileCount> bytes;
  for (std::size_t i = 0; i < kNormFileCount; ++i) bytes[i] = Bytes(FileInFolder(folder, NormFileNames()[i]));
  return bytes;
}

// The demo database's norm files copied into `folder`.
void CopyDemoNormFiles(const std::filesystem::path& folder) {
  for (const std::string& name : NormFileNames()) {
    std::filesystem::copy_file(FileInFolder(VERDIN_DEMO_DATA_DIR, name), folder / PathFromText(name));
  }
}

// Export to an .xlsx file, read it back and check it: the files it gives.
std::array<std::string, kNormFileCount> RoundTrip(const std::filesystem::path& folder) {
  const TempFolder scratch;
  const std::filesystem::path workbook = scratch / "база.xlsx";
  WriteNormXlsx(NormSheets(ReadNormCollection(folder)), workbook);
  const NormSheetsReading reading = CollectionFromSheets(ReadNormWorkbookFile(workbook));
  EXPECT_EQ(reading.problems, std::vector<std::string>{});
  return NormFileBytes(reading.collection);
}

TEST(NormWorkbook, DemoDatabaseComesBackByteForByte) {
  EXPECT_EQ(RoundTrip(VERDIN_DEMO_DATA_DIR), FolderBytes(VERDIN_DEMO_DATA_DIR));
}

TEST(NormWorkbook, FullSizeDatabaseComesBackByteForByte) {
  const FullSizeDatabase database;
  EXPECT_EQ(RoundTrip(database.folder()), FolderBytes(database.folder()));
}

// A workbook made from the demo database with one cell changed.
struct CellChange {
  const char* sheet;
  std::size_t row;     // from 0; row 0 holds the headings
  std::size_t column;  // from 0
  GridCell cell;
  const char* problem;  // a part of the problem named
};

class DamagedSheets : public ::testing::TestWithParam<CellChange> {};

TEST_P(DamagedSheets, NameTheProblemAndTheCell) {
  std::vector<GridSheet> sheets = NormSheets(ReadNormCollection(VERDIN_DEMO_DATA_DIR));
  const CellChange& change = GetParam();
  for (GridSheet& sheet : sheets) {
    if (sheet.name != change.sheet) continue;
    if (sheet.rows.size() <= change.row) sheet.rows.resize(change.row + 1);
    if (sheet.rows[change.row].size() <= change.column) sheet.rows[change.row].resize(change.column + 1);
    sheet.rows[change.row][change.column] = change.cell;
  }
  const NormSheetsReading reading = CollectionFromSheets(sheets);
  ASSERT_FALSE(reading.problems.empty());
  EXPECT_NE(reading.problems.front().find(change.problem), std::string::npos) << reading.problems.front();
}

GridCell Num(double value) { return {GridCell::Kind::Number, value, {}}; }
GridCell Txt(const char* text) { return {GridCell::Kind::Text, 0, text}; }

INSTANTIATE_TEST_SUITE_P(
    EachRule, DamagedSheets,
    ::testing::Values(
        CellChange{kTablesSheet, 5, 5, Num(-5), "Лист «Таблицы», ячейка F6: цена «-5» отрицательна"},
        CellChange{kTablesSheet, 5, 4, Num(100), "ячейка E6: показатель «100» не больше предыдущего «500»"},
        CellChange{kTablesSheet, 4, 1, Txt("  "), "ячейка B5: не указано: название таблицы"},
        CellChange{kTablesSheet, 4, 6, GridCell{}, "ячейка G5: не указано: единица измерения"},
        CellChange{kTablesSheet, 4, 1, Txt("Таблица \xE2\x84\x96 \xE2\x98\x85"), "нет в кодировке Windows-1251"},
        CellChange{kTablesSheet, 5, 5, Txt("12,5"), "записано как текст"},
        CellChange{kTablesSheet, 5, 5, Txt("дорого"), "«дорого» не является числом"},
        CellChange{kTablesSheet, 5, 5, GridCell{GridCell::Kind::Formula, 0, "=F5*2"}, "формула «=F5*2»"},
        CellChange{kTablesSheet, 5, 2, Num(3), "после пункта 1 ожидался пункт 2, а не 3"},
        CellChange{kTablesSheet, 0, 2, Txt("Номер"), "ожидался заголовок столбца «Пункт»"},
        CellChange{kIndustrySheet, 1, 1, Num(-1), "коэффициент «-1» отрицателен"},
        CellChange{kPercentageSheet, 2, 0, Num(0.1), "должна быть больше, чем в строке выше"},
        CellChange{kNotesSheet, 1, 1, Txt("строка\n\\вторая"), "начинается знаком «\\»"},
        CellChange{kTablesSheet, 4, 1, Txt(std::string(501, 'a').c_str()), "длиннее 500 знаков"}));

// The units of table 4, row 1 (sheet lines 5 on) as the sheet shows them
// and as they are read back, for a row whose unit changes at its third point.
TEST(NormWorkbook, AUnitStandsWhereItChangesAndIsCarriedDown) {
  NormCollection collection = ReadNormCollection(VERDIN_DEMO_DATA_DIR);
  std::vector<NormPoint>& points = collection.tables[3].rows[0].points;
  ASSERT_GE(points.size(), 4U);
  for (std::size_t p = 0; p < points.size(); ++p) points[p].unit = SharedText(p < 2 ? "м2" : "га");
  auto units = [](const std::vector<NormPoint>& read) {
    std::vector<std::string> texts;
    for (const NormPoint& point : read) texts.emplace_back(point.unit.view());
    return texts;
  };
  std::vector<GridSheet> sheets = NormSheets(collection);
  std::vector<std::vector<GridCell>>& lines = sheets.front().rows;
  const std::vector<std::string> shown = {lines[4][6].text.c_str(), lines[5][6].text.c_str(), lines[6][6].text.c_str(),
                                          lines[7][6].text.c_str()};
  EXPECT_EQ(shown, (std::vector<std::string>{"м2", "", "га", ""}));
  EXPECT_EQ(units(CollectionFromSheets(sheets).collection.tables[3].rows[0].points), units(points));
  // A workbook that repeats the unit on every line reads the same.
  for (std::size_t p = 0; p < points.size(); ++p) lines[4 + p][6] = Txt(p < 2 ? "м2" : "га");
  EXPECT_EQ(units(CollectionFromSheets(sheets).collection.tables[3].rows[0].points), units(points));
}

TEST(NormWorkbook, ProblemsAreListedUpToTheLimit) {
  std::vector<GridSheet> sheets = NormSheets(ReadNormCollection(VERDIN_DEMO_DATA_DIR));
  for (std::size_t r = 1; r < sheets.front().rows.size(); ++r) {
    if (sheets.front().rows[r].size() > 5) sheets.front().rows[r][5] = Num(-1);
  }
  const NormSheetsReading reading = CollectionFromSheets(sheets);
  ASSERT_EQ(reading.problems.size(), kMaxListedProblems + 1);
  EXPECT_NE(reading.problems.back().find("показаны первые 100"), std::string::npos);
}

TEST(NormWorkbook, ReplacementKeepsTheOldFilesAsBackups) {
  const TempFolder folder;
  CopyDemoNormFiles(folder.path());
  const auto old = FolderBytes(folder.path());
  NormCollection collection = ReadNormCollection(folder.path());
  collection.tables.back().title = "Новая таблица";
  ReplaceNormFiles(folder.path(), NormFileBytes(collection));
  for (std::size_t i = 0; i < kNormFileCount; ++i) {
    EXPECT_EQ(Bytes(folder / (NormFileNames()[i] + ".bak")), old[i]);
  }
  EXPECT_EQ(ReadNormCollection(folder.path()).tables.back().title, "Новая таблица");
  EXPECT_EQ(testing::FolderEntries(folder.path()).size(), 2 * kNormFileCount);  // no staging left
}

TEST(NormWorkbook, ReplacementThatWouldNotLoadWritesNothing) {
  const TempFolder folder;
  CopyDemoNormFiles(folder.path());
  const auto old = FolderBytes(folder.path());
  NormCollection collection = ReadNormCollection(folder.path());
  collection.tables.resize(2);  // fewer than the loader takes
  collection.tableComments.resize(2);
  EXPECT_THROW(ReplaceNormFiles(folder.path(), NormFileBytes(collection)), FileError);
  EXPECT_EQ(FolderBytes(folder.path()), old);
  EXPECT_EQ(testing::FolderEntries(folder.path()).size(), kNormFileCount);
}

}  // namespace
}  // namespace verdin
