// Finding a table by typing: which table-list and row-list entries stay in
// view for a typed text, by their original indices.
#include "forms/table_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace verdin {
namespace {

const std::vector<std::string> kTables = {
    "0. Таблица, заданная пользователем", "1. Стоимость без расчета", "2. Процент от стоимости СМР (табл. Б1)",
    "2.1. Здания административные и офисные", "2.10. Здания общественного питания", "2.18. Жилые дома",
    "12.1. Сети связи", "3.2. Объекты ЁМКОСТНЫЕ",
};
constexpr int kSpecial = 3;

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
    EXPECT_EQ(ShownTables(kTables, test.typed, kSpecial, test.chosen), test.shown);
  }
}

TEST(TableSearch, ShownTablesOnShortLists) {
  EXPECT_EQ(ShownTables({}, "2.1", kSpecial, -1), std::vector<int>{});
  EXPECT_EQ(ShownTables({"0. А", "1. Б"}, "x", kSpecial, 0), (std::vector<int>{0, 1}));
  EXPECT_EQ(ShownTables({"0. А", "1. Б"}, "Б", 0, -1), (std::vector<int>{1}));
}

TEST(TableSearch, ShownRowsFallBackToAllRows) {
  const std::vector<std::string> rows = {"1. Дома до 5 этажей", "2. Дома 6 этажей и более", "3. Жилые дома", "4. Общежития"};
  struct Case {
    const char* typed;
    int chosen;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {"", 0, {0, 1, 2, 3}},
      {"жи", -1, {2, 3}},           // inside a word too
      {"Этажей", -1, {0, 1}},
      {"2.18", 0, {0, 1, 2, 3}},    // the table was found by its number: all its rows
      {"жи", 1, {1, 2, 3}},         // the chosen row stays in its place
      {"жи", 7, {2, 3}}, 
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.typed);
    EXPECT_EQ(ShownRows(rows, test.typed, test.chosen), test.shown);
  }
  EXPECT_EQ(ShownRows({}, "жил", -1), std::vector<int>{});
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
