// The norm database loader: the file format with its quirks, and a clear
// refusal of every kind of malformed file.
#include "core/norm_loader.h"

#include <gtest/gtest.h>

#include "core/limits.h"
#include "core/line_file.h"
#include "test_support.h"

namespace verdin {
namespace {

using testing::TempFolder;
using testing::WriteLines;
using Lines = std::vector<std::string>;

// Three special tables, then one norm table with two rows.
Lines SmallTables() {
  return {"* Демонстрационная база",
          "\\0. Таблица пользователя",
          "\\1. Без расчета",
          "\\2. Процент от СМР",
          "\\2.1. Жилые здания",
          "/3. Жилые дома",
          "1000; 18552,02; общая площадь, м2",
          "5000; 83289,25; общая площадь, м2",
          "/4. Гаражи",
          "100; 50; машино-место",
          "\\END"};
}

class NormLoaderTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& name, const Lines& lines) {
    const auto file = folder_ / name;
    WriteLines(file, lines);
    return file;
  }

  NormStore LoadTables(const Lines& lines) {
    NormStore store;
    LoadNormTables(Write(kTablesFileName, lines), store);
    return store;
  }

  // Expects the tables file to be refused with a message naming the file and line.
  void ExpectTablesRefused(const Lines& lines, int line, const std::string& fragment) {
    ExpectRefused([&](NormStore& store) { LoadNormTables(Write(kTablesFileName, lines), store); },
                  kTablesFileName, line, fragment);
  }

  template <typename Load>
  void ExpectRefused(Load load, const std::string& fileName, int line, const std::string& fragment) {
    NormStore store;
    try {
      load(store);
      FAIL() << "the file was accepted";
    } catch (const NormDataError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(fileName), std::string::npos) << message;
      EXPECT_EQ(error.line(), line) << message;
      if (line > 0) {
        EXPECT_NE(message.find("строка " + std::to_string(line)), std::string::npos) << message;
      }
      EXPECT_NE(message.find(fragment), std::string::npos) << message;
    }
  }

  TempFolder folder_;
};

TEST_F(NormLoaderTest, ReadsTablesRowsAndPoints) {
  const NormStore store = LoadTables(SmallTables());
  ASSERT_EQ(store.TableCount(), 4);
  EXPECT_EQ(store.Table(0).title, "0. Таблица пользователя");
  EXPECT_TRUE(store.Table(0).rows.empty());
  const NormTable& table = store.Table(3);
  EXPECT_EQ(table.title, "2.1. Жилые здания");
  ASSERT_EQ(table.rows.size(), 2U);
  EXPECT_EQ(table.rows[0].title, "3. Жилые дома");
  ASSERT_EQ(table.rows[0].points.size(), 2U);
  EXPECT_DOUBLE_EQ(table.rows[0].points[0].x, 1000);
  EXPECT_DOUBLE_EQ(table.rows[0].points[0].price, 18552.02);
  EXPECT_EQ(table.rows[0].points[0].unit, "общая площадь, м2");
  EXPECT_DOUBLE_EQ(store.Row(3, 0).points[1].price, 83289.25);
  EXPECT_EQ(store.Row(3, 1).points.size(), 1U);
}

TEST_F(NormLoaderTest, PointLineQuirks) {
  Lines lines = SmallTables();
  // Without the blank after the first ";" the first digit of the price is lost.
  lines[6] = "100;83,29; м2";
  // The blank after the second ";" is optional; blanks around the line go.
  lines[7] = "   5000; 83289,25;м2   ";
  const NormStore store = LoadTables(lines);
  EXPECT_DOUBLE_EQ(store.Row(3, 0).points[0].x, 100);
  EXPECT_DOUBLE_EQ(store.Row(3, 0).points[0].price, 3.29);
  EXPECT_EQ(store.Row(3, 0).points[1].unit, "м2");
}

TEST_F(NormLoaderTest, RowTitleFollowedByRowTitleHasNoPoints) {
  const NormStore store = LoadTables({"\\a", "\\b", "\\c", "\\2.1. Т", "/1. Пусто", "/2. Один",
                                      "10; 5; м", "\\END"});
  EXPECT_TRUE(store.Row(3, 0).points.empty());
  EXPECT_EQ(store.Row(3, 1).points.size(), 1U);
}

TEST_F(NormLoaderTest, CommentsBeforeAndBetweenTables) {
  const NormStore store =
      LoadTables({"* первый", "* второй", "\\a", "*", "\\b", "\\c", "/1. р", "1; 1; м",
                  "* после таблицы", "  \\2.2. Заголовок с пробелом в начале  ", "/1. р", "1; 2; м",
                  "*", "\\2.3. Обычный", "\\END"});
  ASSERT_EQ(store.TableCount(), 5);
  EXPECT_EQ(store.Table(1).title, "b");
  // The line after a comment is taken untrimmed: a leading blank keeps the "\".
  EXPECT_EQ(store.Table(3).title, "\\2.2. Заголовок с пробелом в начале");
  EXPECT_EQ(store.Table(4).title, "2.3. Обычный");
}

// The line after a comment between tables is read untrimmed: the title is
// as many characters from the end of the trimmed line as the untrimmed one
// has, less one. A blank at either end keeps the "\"; without blanks it
// goes. Any other title line is trimmed first and so always loses it.
TEST_F(NormLoaderTest, TitleAfterACommentKeepsTheBackslashWhenBlanksSurroundIt) {
  struct TitleCase {
    std::string name;
    std::string line;
    std::string title;
  };
  const std::vector<TitleCase> cases = {
      {"neither", "\\2.2. Склады", "2.2. Склады"},
      {"before", " \\2.2. Склады", "\\2.2. Склады"},
      {"after", "\\2.2. Склады ", "\\2.2. Склады"},
      {"both", "   \\2.2. Склады  ", "\\2.2. Склады"},
      {"blank after the backslash stays", "\\ 2.2. Склады", " 2.2. Склады"},
  };
  for (const TitleCase& c : cases) {
    Lines lines = SmallTables();
    lines.insert(lines.end() - 1, {"* после таблицы", c.line, "/1. р", "1; 2; м"});
    const NormStore store = LoadTables(lines);
    ASSERT_EQ(store.TableCount(), 5) << c.name;
    EXPECT_EQ(store.Table(4).title, c.title) << c.name;
    // The same line without a comment before it is trimmed first.
    lines.erase(lines.end() - 5);
    EXPECT_EQ(LoadTables(lines).Table(4).title, c.title.front() == '\\' ? c.title.substr(1) : c.title)
        << c.name;
  }
}

// Text quoted from a faulty file shows its control bytes escaped, and a
// NUL byte does not cut the message short.
TEST_F(NormLoaderTest, ControlBytesOfAFaultyLineAreShownEscaped) {
  using namespace std::string_literals;
  Lines lines = SmallTables();
  lines[6] = "1\x07\x1B\0x; 5; м"s;
  ExpectTablesRefused(lines, 7, "«1\\x07\\x1B\\x00x» не является числом; ожидалось значение показателя X");
  ExpectRefused([&](NormStore& store) {
    LoadIndustryCoefficients(Write(kIndustryFileName, {"Энергетика; 1\0,1\x07"s}), store);
  }, kIndustryFileName, 1, "значение коэффициента «1\\x00,1\\x07» не является числом; ожидалось");
}

TEST_F(NormLoaderTest, AcceptsLfLineEndsAndBlankLinesAfterEnd) {
  std::string content;
  for (const auto& line : SmallTables()) content += line + "\n";
  content += "\n  \n";
  const auto file = folder_ / PathFromText(kTablesFileName);
  WriteFileAtomically(file, Utf8ToCp1251(content));
  NormStore store;
  LoadNormTables(file, store);
  EXPECT_EQ(store.TableCount(), 4);
}

TEST_F(NormLoaderTest, MalformedTablesFilesAreRefusedWithFileAndLine) {
  // The eighth line (a point) replaced.
  const std::pair<const char*, const char*> points[] = {
      {"", "пустая строка"},
      {"5000; 83289,25 м2", "два знака «;»"},
      {"5000", "два знака «;»"},
      {"пять; 83289,25; м2", "«пять» не является числом"},
      {"5000; 83 289,25; м2", "не является числом"},
      {"900; 83289,25; м2", "должны возрастать"},
      {"1000; 83289,25; м2", "должны возрастать"},  // equal X would divide by zero
      {"5000; -83289,25; м2", "отрицательна"},
  };
  for (const auto& [point, reason] : points) {
    Lines lines = SmallTables();
    lines[7] = point;
    ExpectTablesRefused(lines, 8, reason);
  }

  Lines lines = SmallTables();
  lines.insert(lines.begin() + 4, {"* один", "* два"});
  ExpectTablesRefused(lines, 6, "два комментария подряд");

  lines = SmallTables();
  lines.push_back("\\3.1. Лишняя");
  ExpectTablesRefused(lines, 12, "после строки «\\END»");

  lines = SmallTables();
  lines.pop_back();
  ExpectTablesRefused(lines, 10, "кончается раньше строки «\\END»");

  lines = SmallTables();
  lines[5] = "1000; 1; м2";
  ExpectTablesRefused(lines, 6, "«/»");

  ExpectTablesRefused({"\\a", "\\b", "\\c", "\\END"}, 4, "не менее 4 таблиц");
}

TEST_F(NormLoaderTest, LimitsOfTheTablesFile) {
  Lines tables;
  for (int t = 0; t <= kMaxTables; ++t) tables.push_back("\\" + std::to_string(t) + ". Т");
  tables.push_back("\\END");
  ExpectTablesRefused(tables, kMaxTables + 1, "больше 200 таблиц");

  Lines rows = {"\\a", "\\b", "\\c", "\\2.1. Т"};
  for (int r = 1; r <= kMaxRows + 1; ++r) rows.push_back("/" + std::to_string(r) + ". р");
  rows.push_back("\\END");
  ExpectTablesRefused(rows, 4 + kMaxRows + 1, "больше 30 пунктов");

  Lines points = {"\\a", "\\b", "\\c", "\\2.1. Т", "/1. р"};
  for (int p = 1; p <= kMaxPoints + 1; ++p) points.push_back(std::to_string(p) + "; 1; м");
  points.push_back("\\END");
  ExpectTablesRefused(points, 5 + kMaxPoints + 1, "больше 30 точек");

  // Exactly at the limits is fine.
  points.erase(points.end() - 2);
  EXPECT_EQ(LoadTables(points).Row(3, 0).points.size(), static_cast<std::size_t>(kMaxPoints));
}

TEST_F(NormLoaderTest, MissingFileIsNamed) {
  NormStore store;
  try {
    LoadNormTables(folder_ / PathFromText(kTablesFileName), store);
    FAIL();
  } catch (const NormDataError& error) {
    EXPECT_NE(std::string(error.what()).find(kTablesFileName), std::string::npos);
  }
}

TEST_F(NormLoaderTest, IndustryCoefficients) {
  NormStore store;
  LoadIndustryCoefficients(Write(kIndustryFileName, {"Энергетика; 1,1", "  Связь;1,25  "}), store);
  ASSERT_EQ(store.KolKotr(), 2);
  EXPECT_EQ(store.Kotr[0].name, "Энергетика");
  EXPECT_EQ(store.Kotr[0].value, "1,1");
  // One character after ";" is skipped whatever it is.
  EXPECT_EQ(store.Kotr[1].value, ",25");

  const auto refuse = [&](const Lines& lines, int line, const std::string& fragment) {
    ExpectRefused([&](NormStore& s) { LoadIndustryCoefficients(Write(kIndustryFileName, lines), s); },
                  kIndustryFileName, line, fragment);
  };
  refuse({"Энергетика; 1,1", "Связь 1,2"}, 2, "нет знака «;»");
  refuse({"Энергетика; один"}, 1, "не является числом");
  refuse({"Энергетика; 1,1", "Связь; -0,5"}, 2, "отрицательно");
  refuse({"Энергетика; 1,1", "", "Связь; 1,2"}, 2, "пустая строка");
  Lines many(kMaxIndustryCoefficients + 1, "К; 1");
  refuse(many, kMaxIndustryCoefficients + 1, "больше 50");
}

TEST_F(NormLoaderTest, NotesAreJoinedWithCarriageReturnsAndAssignedByPosition) {
  NormStore store;
  LoadNotes(Write(kNotesFileName, {"\\Примечание 1", "строка", "\\Примечание 2", "а", "", "б",
                                   "\\Ничего не значащий заголовок", "\\END"}),
            store);
  ASSERT_EQ(store.Prim.size(), 3U);
  EXPECT_EQ(store.Prim[0], "\\Примечание 1\r \rстрока");
  EXPECT_EQ(store.Prim[1], "\\Примечание 2\rа\r\rб");
  EXPECT_EQ(store.Prim[2], "\\Ничего не значащий заголовок");
  EXPECT_EQ(store.Note(2), store.Prim[2]);
  EXPECT_EQ(store.Note(3), "");

  const auto refuse = [&](const Lines& lines, int line, const std::string& fragment) {
    ExpectRefused([&](NormStore& s) { LoadNotes(Write(kNotesFileName, lines), s); }, kNotesFileName,
                  line, fragment);
  };
  refuse({"\\1", "текст"}, 2, "кончается раньше строки «\\END»");
  refuse({"\\1", "\\END", "лишнее"}, 3, "после строки «\\END»");
  Lines many;
  for (int k = 0; k <= kMaxNotes; ++k) many.push_back("\\" + std::to_string(k));
  many.push_back("\\END");
  refuse(many, kMaxNotes + 2, "больше 200 примечаний");
}

TEST_F(NormLoaderTest, PercentageTableUsesTheLeadingNumberWithAPoint) {
  NormStore store;
  LoadPercentageTable(Write(kPercentageFileName, {" 0.5 ; 4,2;4.8;5.5;6.3;7.2;сноска",
                                                  "1;3.9;4.5;5.1;5.9;6.7"}),
                      store);
  ASSERT_EQ(store.SmrLineCount(), 2);
  EXPECT_EQ(store.Smr[0].texts[0], "0.5");
  EXPECT_EQ(store.Smr[0].texts[1], "4,2");
  EXPECT_DOUBLE_EQ(store.SmrD(0, 0), 0.5);
  EXPECT_DOUBLE_EQ(store.SmrD(0, 1), 4.0);  // the comma ends the number
  EXPECT_DOUBLE_EQ(store.SmrD(1, 5), 6.7);
  // Only as many fields as the last line has are converted.
  EXPECT_EQ(store.Smr[0].texts.size(), 7U);
  EXPECT_DOUBLE_EQ(store.SmrD(0, 6), 0.0);
  EXPECT_DOUBLE_EQ(store.SmrD(2, 1), 0.0);
}

TEST_F(NormLoaderTest, MalformedPercentageTables) {
  const std::string good = "1;3.9;4.5;5.1;5.9;6.7";
  const auto refuse = [&](const Lines& lines, int line, const std::string& fragment) {
    ExpectRefused([&](NormStore& s) { LoadPercentageTable(Write(kPercentageFileName, lines), s); },
                  kPercentageFileName, line, fragment);
  };
  refuse({"0.5;4.2;4.8;5.5;6.3;7.2;", good}, 1, "оканчиваться знаком «;»");
  refuse({"0.5;4.2;4.8;5.5;6.3;7.2", "", good}, 2, "пустая строка");
  refuse({"0.5;4.2;;5.5;6.3;7.2", good}, 1, "поле 3");
  refuse({"0.5;4.2;4.8;-5.5;6.3;7.2", good}, 1, "поле 4 («-5.5») — отрицательный процент");
  refuse({"0.5;4.2;4.8;5.5;6.3", good}, 1, "ожидалось шесть");
  refuse({good}, 1, "не менее двух строк");
  refuse({good, good}, 2, "должна возрастать");
  Lines many;
  for (int i = 1; i <= kMaxPercentageLines + 1; ++i) many.push_back(std::to_string(i) + ";1;1;1;1;1");
  refuse(many, kMaxPercentageLines + 1, "больше 50 строк");
  std::string wide = "0";
  for (int f = 1; f <= kMaxPercentageFields; ++f) wide += ";1";
  refuse({wide, good}, 1, "больше 51 полей");
}

TEST_F(NormLoaderTest, ZagrBazKeepsTheOldStoreWhenAFileIsBroken) {
  Write(kTablesFileName, SmallTables());
  Write(kIndustryFileName, {"Энергетика; 1,1"});
  Write(kNotesFileName, {"\\1", "\\END"});
  Write(kPercentageFileName, {"0.5;4.2;4.8;5.5;6.3;7.2", "1;3.9;4.5;5.1;5.9;6.7"});
  NormStore store;
  ZagrBaz(folder_.path(), store);
  EXPECT_EQ(store.TableCount(), 4);
  EXPECT_EQ(store.KolKotr(), 1);

  Write(kNotesFileName, {"\\1"});
  EXPECT_THROW(ZagrBaz(folder_.path(), store), NormDataError);
  EXPECT_EQ(store.TableCount(), 4);
  EXPECT_EQ(store.Prim.size(), 1U);
}

TEST(DemoDatabase, LoadsWithHousingAsListEntryFive) {
  NormStore store;
  ZagrBaz(VERDIN_DEMO_DATA_DIR, store);
  EXPECT_GE(store.TableCount(), 3 + 6);
  EXPECT_GE(store.KolKotr(), 1);
  EXPECT_GE(store.SmrLineCount(), 6);
  EXPECT_EQ(store.Prim.size(), static_cast<std::size_t>(store.TableCount()));
  // List entry 5 is the housing table.
  EXPECT_NE(store.Table(5).title.find("Жил"), std::string::npos) << store.Table(5).title;
  bool one = false, two = false, many = false;
  for (int t = 3; t < store.TableCount(); ++t) {
    for (const auto& row : store.Table(t).rows) {
      one |= row.points.size() == 1;
      two |= row.points.size() == 2;
      many |= row.points.size() > 2;
    }
  }
  EXPECT_TRUE(one && two && many);
}

}  // namespace
}  // namespace verdin
