// Finding a table or a row by typing: which table-list entries stay in
// view for a typed text, by their original indices, and which table and
// row the search found first.
#include "forms/table_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace verdin {
namespace {

const std::vector<std::string> kTitles = {
    "0. Таблица, заданная пользователем", "1. Стоимость без расчета", "2. Процент от стоимости СМР (табл. Б1)",
    "2.1. Здания административные и офисные", "2.10. Здания общественного питания", "2.18. Жилые дома",
    "12.1. Сети связи", "3.2. Объекты ЁМКОСТНЫЕ",
};
constexpr int kSpecial = 3;

// Tables of these titles, without rows.
std::vector<NormTable> Tables(const std::vector<std::string>& titles) {
  std::vector<NormTable> tables;
  for (const std::string& title : titles) tables.push_back({title, {}});
  return tables;
}

TEST(TableSearch, ShownTablesKeepTheSpecialEntriesFirst) {
  struct Case {
    const char* typed;
    int chosen;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {"", -1, {0, 1, 2, 3, 4, 5, 6, 7}},           // empty text: everything
      {"   ", -1, {0, 1, 2, 3, 4, 5, 6, 7}},        // blanks only: everything
      {"2.18", -1, {0, 1, 2, 5}},                   // a whole number
      {"2.1", -1, {0, 1, 2, 3, 4, 5, 6}},           // a number's beginning (and 12.1 holds it)
      {"жилые", -1, {0, 1, 2, 5}},                  // a word
      {"ЖИЛЫЕ", -1, {0, 1, 2, 5}},                  // Cyrillic capitals
      {"здания ОФИС", -1, {0, 1, 2, 3}},            // every word must occur
      {"емкост", -1, {0, 1, 2, 7}},                 // ё and е are one letter
      {"Sети", -1, {0, 1, 2}},                      // no match: the special entries only
      {"нет такой", -1, {0, 1, 2}},
      {"стоимост", -1, {0, 1, 2}},                  // special entries never repeat
      {"жилые", 3, {0, 1, 2, 3, 5}},                // the chosen table stays in view
      {"жилые", 1, {0, 1, 2, 5}},
      {"жилые", 99, {0, 1, 2, 5}},                  // a chosen index out of range is ignored
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.typed) + " chosen " + std::to_string(test.chosen));
    EXPECT_EQ(SearchTables(Tables(kTitles), test.typed, kSpecial, test.chosen).shown, test.shown);
  }
}

TEST(TableSearch, ShownTablesOnShortLists) {
  EXPECT_EQ(SearchTables({}, "2.1", kSpecial, -1).shown, std::vector<int>{});
  EXPECT_EQ(SearchTables(Tables({"0. А", "1. Б"}), "x", kSpecial, 0).shown, (std::vector<int>{0, 1}));
  EXPECT_EQ(SearchTables(Tables({"0. А", "1. Б"}), "Б", 0, -1).shown, (std::vector<int>{1}));
}

// Rows are searched too: a table shows when one of its rows holds the
// words, and the first table and row found are the ones Enter takes.
TEST(TableSearch, RowsAreFoundWithTheirTables) {
  std::vector<NormTable> tables = Tables(kTitles);
  tables[3].rows = {{"1. Здания до 5 этажей", {}}, {"2. Общеобразовательные школы", {}}};
  tables[5].rows = {{"1. Дома до 5 этажей", {}}, {"2. Дома 6 этажей и более", {}}, {"3. Общежития", {}}};
  struct Case {
    const char* typed;
    std::vector<int> shown;
    int firstTable;
    int firstRow;  // -1: the table was found by its number or title
  };
  const Case cases[] = {
      {"школ", {0, 1, 2, 3}, 3, 1},               // a row's word
      {"ЭТАЖЕЙ", {0, 1, 2, 3, 5}, 3, 0},          // rows of two tables: the first one
      {"2.18 общеж", {0, 1, 2, 5}, 5, 2},         // the table's number and the row's word
      {"2.18", {0, 1, 2, 5}, 5, -1},              // the table itself
      {"жилые", {0, 1, 2, 5}, 5, -1},             // the title, though no row holds the word
      {"жития", {0, 1, 2, 5}, 5, 2},              // inside a word
      {"школ сети", {0, 1, 2}, -1, -1},           // words of different tables: nothing
      {"", {0, 1, 2, 3, 4, 5, 6, 7}, -1, -1},     // blank: everything, nothing taken
      {"стоимост", {0, 1, 2}, -1, -1},            // special entries are never taken
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.typed);
    const TableSearchResult found = SearchTables(tables, test.typed, kSpecial, -1);
    EXPECT_EQ(found.shown, test.shown);
    EXPECT_EQ(found.firstTable, test.firstTable);
    EXPECT_EQ(found.firstRow, test.firstRow);
  }
}

TEST(TableSearch, FoldingLowersLatinAndCyrillicAndKeepsTheRest) {
  struct Case {
    const char* text;
    const char* folded;
  };
  const Case cases[] = {
      {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
      {"Ёлка ёж", "елка еж"},
      {"ЎІЇЄ", "ўіїє"},
      {"SMR-2.18 (Б1)", "smr-2.18 (б1)"},
      {"№ 5 €", "№ 5 €"},           // three-byte characters stay
      {"\xD0", "\xD0"},             // a cut character stays as its byte
      {"\xD0 А", "\xD0 а"},
      {"\xFF\xFE", "\xFF\xFE"},     // not UTF-8 at all
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.text);
    EXPECT_EQ(FoldForSearch(test.text), test.folded);
  }
  EXPECT_TRUE(MatchesSearch("Здания административные", "АДМИН"));
  EXPECT_FALSE(MatchesSearch("Здания административные", "админ жил"));
}

}  // namespace
}  // namespace verdin
