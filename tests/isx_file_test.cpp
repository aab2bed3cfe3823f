#include "isx/isx_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "core/text_forms.h"
#include "tests/test_support.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;
using testing::Bytes;
using testing::TempFolder;
using testing::WriteLines;

// Item i: a norm-table item with a cost of 33.6, object name "Объект i",
// coefficient row 7 ticked with the value 1.3.
void FillItem(EstimateItem& item, int i) {
  item.ZdD[10] = 3, item.ZdD[11] = i, item.ZdD[12] = 0.15, item.ZdD[15] = 33.6;
  item.ZdS[10] = "2.1. Таблица", item.ZdS[11] = "3. Пункт", item.ZdS[12] = "м2";
  item.ZdS[13] = "Объект " + std::to_string(i);
  item.ZdFormKD[7][1] = 1, item.ZdFormKD[7][2] = 4, item.ZdFormKD[7][3] = 1.3;
  item.ZdFormKS[7][1] = "Коэффициент", item.ZdFormKS[7][2] = "К7", item.ZdFormKS[7][3] = "п. 7";
}

AppState StateWithItems(int count) {
  AppState state;
  state.Svodka = "Сводка сметы";
  state.KolZd = count;
  state.items[0].ZdS = {"", "2008/11", "12-06-2026", "Цех\r\nстадия П", "ООО \"А\"", "ОАО \"Б\""};
  const double rates[] = {33.6, 0, 4.5, 0.5, 2, 0, 0, 18};
  for (std::size_t r = 1; r <= 8; ++r) {
    state.general.Otchisl[r][1] = r <= 5 || r == 8 ? 1 : 0;
    state.general.Otchisl[r][2] = rates[r - 1];
    state.general.OtchislName[r][1] = "Отчисление " + std::to_string(r);
  }
  state.general.Podpis[1] = {"", "1", "ГИП", "Р.Т Бельчар"};
  state.general.Podpis[2] = {"", "0", "Зам. директора", "О.К. Дорсинская"};
  state.general.Podpis[3] = {"", "1", " ", " "};
  for (int i = 1; i <= count; ++i) FillItem(state.items[static_cast<std::size_t>(i)], i);
  return state;
}

// What a save does before writing: the general data go from the window
// back into the tables and the header texts.
void TablesFromWindow(const GeneralDataForm& form, AppState& state) {
  state.items[0].ZdS[1] = form.txtNdog, state.items[0].ZdS[2] = form.txtDataDog;
  for (std::size_t k = 0; k < 3; ++k) state.items[0].ZdS[k + 3] = form.txtShapka[k];
  for (std::size_t k = 0; k < 8; ++k) {
    state.general.Otchisl[k + 1][1] = form.chkK[k];
    state.general.Otchisl[k + 1][2] = ParseTypedNumber(form.txtKc[k]).value_or(0);
    state.general.OtchislName[k + 1][1] = form.txtK[k];
  }
  for (std::size_t k = 0; k < 3; ++k) {
    state.general.Podpis[k + 1] = {"", form.chk1[k] ? "1" : "0", form.txt1[k], form.txt2[k]};
  }
}

bool SameItems(const AppState& a, const AppState& b) {
  for (std::size_t i = 0; i < a.items.size(); ++i) {
    const EstimateItem& x = a.items[i];
    const EstimateItem& y = b.items[i];
    if (x.ZdS != y.ZdS || x.ZdD != y.ZdD || x.ZdFormKS != y.ZdFormKS || x.ZdFormKD != y.ZdFormKD) {
      return false;
    }
  }
  return a.Svodka == b.Svodka && a.KolZd == b.KolZd;
}

bool SameWindow(const GeneralDataForm& a, const GeneralDataForm& b) {
  return a.txtNdog == b.txtNdog && a.txtDataDog == b.txtDataDog && a.txtShapka == b.txtShapka &&
         a.chkK == b.chkK && a.txtKc == b.txtKc && a.txtK == b.txtK && a.chk1 == b.chk1 &&
         a.txt1 == b.txt1 && a.txt2 == b.txt2;
}

class IsxFileTest : public ::testing::Test {
 protected:
  Lines Written(const AppState& state) {
    WriteIsx(state, file_);
    return ReadLineFile(file_);
  }
  TempFolder folder_;
  std::filesystem::path file_ = folder_ / "смета.isx";
};

TEST_F(IsxFileTest, LayoutOfTheWrittenFile) {
  const Lines empty = Written(StateWithItems(0));
  ASSERT_EQ(empty.size(), 40u);
  EXPECT_EQ(empty[1], " 0 ");
  EXPECT_EQ(empty[4], "Цех¶стадия П");
  EXPECT_EQ(Lines(empty.begin() + 7, empty.begin() + 10), (Lines{" 1 ", " 33,6 ", "Отчисление 1"}));
  EXPECT_EQ(empty[14], " 4,5 ");
  EXPECT_EQ(Lines(empty.begin() + 31, empty.end()),
            (Lines{"1", "ГИП", "Р.Т Бельчар", "0", "Зам. директора", "О.К. Дорсинская", "1", " ", " "}));

  const Lines one = Written(StateWithItems(1));
  ASSERT_EQ(one.size(), 392u);
  EXPECT_EQ(one[1], " 1 ");
  EXPECT_EQ(one[40], " 3 ");              // block line 1: the table
  EXPECT_EQ(one[42], " ,15 ");            // the quantity below one
  EXPECT_EQ(one[45], " 33,6 ");           // line 46: the cost
  EXPECT_EQ(one[54], "Объект 1");         // line 55: the object name
  EXPECT_EQ(one[40 + 23 + 15 + 7 - 1], " 1 ");
  EXPECT_EQ(one[40 + 23 + 45 + 7 - 1], " 1,3 ");
  EXPECT_EQ(one[40 + 188 + 15 + 7 - 1], "Коэффициент");

  EXPECT_EQ(Written(StateWithItems(50)).size(), 17640u);
}

TEST_F(IsxFileTest, ReadingFillsTheWindowAndTheItems) {
  AppState state = StateWithItems(3);
  state.Svodka.clear();
  state.general.Otchisl[2][2] = 7;  // the computed row shows its word, not a rate
  WriteIsx(state, file_);

  AppState read;
  read.items[4].ZdS[13] = "Старый объект 4";
  GeneralDataForm form;
  form.chkKEnabled[3] = true;
  ReadIsx(file_, read, form);

  EXPECT_EQ(read.Svodka, "");
  EXPECT_EQ(read.KolZd, 3);
  EXPECT_EQ(form.txtNdog, "2008/11");
  EXPECT_EQ(form.txtShapka[0], "Цех\r\nстадия П");
  EXPECT_EQ(form.txtKc, (std::array<std::string, 8>{"33,6", "Расчет", "4,5", ",5", "2", "", "", "18"}));
  EXPECT_EQ(form.chkK, (std::array<bool, 8>{true, true, true, true, true, false, false, true}));
  EXPECT_EQ(form.txtK[7], "Отчисление 8");
  EXPECT_EQ(form.chk1, (std::array<bool, 3>{true, false, true}));
  EXPECT_EQ(form.txt2[0], "Р.Т Бельчар");
  EXPECT_EQ(form.txt1[2], " ");            // texts are not trimmed
  EXPECT_TRUE(form.chkKEnabled[3]);        // the window's own settings stay
  for (std::size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(read.items[i].ZdD, state.items[i].ZdD) << i;
    EXPECT_EQ(read.items[i].ZdS, state.items[i].ZdS) << i;
    EXPECT_EQ(read.items[i].ZdFormKS, state.items[i].ZdFormKS) << i;
    EXPECT_EQ(read.items[i].ZdFormKD, state.items[i].ZdFormKD) << i;
  }
  EXPECT_EQ(read.items[4].ZdS[13], "Старый объект 4");
  EXPECT_EQ(read.items[0].ZdS[1], "");     // the header texts go to the window only
}

TEST_F(IsxFileTest, WriteReadWriteIsByteIdentical) {
  AppState state = StateWithItems(2);
  state.items[2].ZdS[13] = "Здание\r\nсклада";
  state.items[2].ZdFormKS[0][3] = "две\r\nстроки\r\n";
  state.general.Otchisl[2][2] = 0;
  WriteIsx(state, file_);
  EXPECT_EQ(ReadLineFile(file_)[40 + 352 + 14], "Здание¶склада");

  AppState read;
  GeneralDataForm form;
  ReadIsx(file_, read, form);
  EXPECT_EQ(read.items[2].ZdS[13], "Здание\r\nсклада");
  TablesFromWindow(form, read);
  const auto second = folder_ / "второй.isx";
  WriteIsx(read, second);
  EXPECT_EQ(Bytes(second), Bytes(file_));
}

TEST_F(IsxFileTest, UserTableOfAllGridRowsSurvives) {
  AppState state = StateWithItems(1);
  state.items[1].ZdD[10] = 0;
  for (int row = 1; row <= 23; ++row) {
    state.items[1].ZdS[static_cast<std::size_t>(12 + 2 * row)] = std::to_string(row * 10);
    state.items[1].ZdS[static_cast<std::size_t>(13 + 2 * row)] = "цена " + std::to_string(row);
  }
  EXPECT_EQ(Written(state).size(), 392u);

  AppState read;
  read.items[1].ZdFormKS[0][4] = "мусор";
  GeneralDataForm form;
  ReadIsx(file_, read, form);
  EXPECT_EQ(read.items[1].ZdS, state.items[1].ZdS);
  for (std::size_t j = 4; j < 11; ++j) {
    for (std::size_t m = 0; m < 15; ++m) EXPECT_EQ(read.items[1].ZdFormKS[m][j], "") << m << j;
  }

  // A file of the older program has those cells empty: the grid beyond
  // column 20 reads as empty rows.
  Lines lines = ReadLineFile(file_);
  for (std::size_t line = 40 + 187 + 60; line < 392; ++line) lines[line].clear();
  WriteLines(file_, lines);
  ReadIsx(file_, read, form);
  EXPECT_EQ(read.items[1].ZdS[20], "40");
  EXPECT_EQ(read.items[1].ZdS[21], "");
  EXPECT_EQ(read.items[1].ZdS[59], "");
}

TEST_F(IsxFileTest, AutosaveBeforeTheFirstSaveReadsAsUnchecked) {
  AppState state;  // general-data tables never filled: empty signatory flags
  state.KolZd = 1;
  FillItem(state.items[1], 1);
  Lines lines = Written(state);
  EXPECT_EQ(lines[31], "");
  lines[40 + 3] = "  ";                    // a blank number line reads as 0
  WriteLines(file_, lines);

  AppState read;
  read.items[1].ZdD[13] = -1;
  GeneralDataForm form;
  ReadIsx(file_, read, form);
  EXPECT_EQ(form.chk1, (std::array<bool, 3>{}));
  EXPECT_EQ(form.chkK, (std::array<bool, 8>{}));
  EXPECT_EQ(form.txtKc, (std::array<std::string, 8>{"", "Расчет", "", "", "", "", "", ""}));
  EXPECT_EQ(read.items[1].ZdD[13], 0);
}

TEST_F(IsxFileTest, RepeatedBodiesAndTrailingBlankLines) {
  const Lines first = Written(StateWithItems(2));
  const Lines second = Written(StateWithItems(1));
  Lines both = first;
  both.insert(both.end(), second.begin(), second.end());
  both.insert(both.end(), {"", "   "});
  WriteLines(file_, both);
  AppState read;
  GeneralDataForm form;
  ReadIsx(file_, read, form);
  EXPECT_EQ(read.KolZd, 1);
  EXPECT_EQ(read.items[2].ZdS[13], "");    // the last body wins as a whole
}

// Every kind of fault is refused with its line number, and neither the
// state nor the window changes.
TEST_F(IsxFileTest, MalformedFilesChangeNothing) {
  const Lines good = Written(StateWithItems(1));
  struct Case {
    const char* name;
    Lines lines;
    int line;
  };
  const auto with = [&good](std::size_t index, const std::string& text) {
    Lines lines = good;
    lines[index] = text;
    return lines;
  };
  Lines twice = good;
  twice.insert(twice.end(), good.begin(), good.begin() + 100);
  const std::vector<Case> cases = {
      {"ставка не число", with(8, "4,5%"), 9},
      {"данные объекта не число", with(41, "abc"), 42},
      {"файл обрывается", Lines(good.begin(), good.end() - 1), 392},
      {"второе тело обрывается", twice, 493},
      {"дробное число объектов", with(1, " 2,5 "), 2},
      {"слишком много объектов", with(1, " 51 "), 2},
      {"отрицательное число объектов", with(1, "-1 "), 2},
      {"флажок отчисления 2", with(10, " 2 "), 11},
      {"флажок подписи", with(34, "да"), 35},
      {"пустой файл", {}, 1},
  };
  for (const Case& c : cases) {
    WriteLines(file_, c.lines);
    AppState state = StateWithItems(3);
    GeneralDataForm form;
    form.txtNdog = "не тронуто";
    const AppState stateBefore = state;
    const GeneralDataForm formBefore = form;
    try {
      ReadIsx(file_, state, form);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const IsxError& error) {
      const std::string expected = "Файл исходных данных «" + PathText(file_) + "», строка " +
                                   std::to_string(c.line) + ": ";
      EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u) << c.name << ": " << error.what();
    }
    EXPECT_TRUE(SameItems(state, stateBefore)) << c.name;
    EXPECT_TRUE(SameWindow(form, formBefore)) << c.name;
  }
}

TEST_F(IsxFileTest, MissingFileIsReportedWithTheReason) {
  AppState state;
  GeneralDataForm form;
  try {
    ReadIsx(folder_ / "нет.isx", state, form);
    FAIL() << "no error";
  } catch (const IsxError& error) {
    EXPECT_NE(std::string(error.what()).find("нет.isx"), std::string::npos) << error.what();
  }
  EXPECT_THROW(ReadIsxSummary(folder_ / "нет.isx"), IsxError);
  EXPECT_THROW(WriteIsx(state, folder_ / "нет" / "смета.isx"), FileError);
}

TEST_F(IsxFileTest, SummaryIsTheFirstLine) {
  WriteLines(file_, {"Смета¶склада", " 0 "});
  EXPECT_EQ(ReadIsxSummary(file_), "Смета\r\nсклада");
  WriteLines(file_, {});
  EXPECT_EQ(ReadIsxSummary(file_), "");
}

TEST(IsxFileName, FromTheFirstDotExactly) {
  EXPECT_TRUE(IsIsxFileName("смета.isx"));
  EXPECT_TRUE(IsIsxFileName("/home/a.b/смета.isx"));
  EXPECT_FALSE(IsIsxFileName("смета.ISX"));
  EXPECT_FALSE(IsIsxFileName("смета.2009.isx"));
  EXPECT_FALSE(IsIsxFileName("смета"));
  EXPECT_FALSE(IsIsxFileName("смета.isx.bak"));
}

}  // namespace
}  // namespace verdin
