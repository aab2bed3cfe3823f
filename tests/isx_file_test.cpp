#include "isx/isx_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/index.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "forms/general_data_form.h"
#include "tests/test_support.h"

namespace verdin {
namespace {

using Lines = std::vector<std::string>;
using testing::Bytes;
using testing::TempFolder;
using testing::WriteLines;

// Item i: a norm-table item with a typed cost of 33.6, object name
// PathFromText("Объект i"), coefficient row 7 ticked with the value 1.3.
void FillItem(EstimateItem& item, int i) {
  item.SetTableListEntry(3);
  item.row = i % kMaxRows;
  item.quantity = 0.15;
  item.typedCost = 33.6;
  item.tableTitle = "2.1. Таблица";
  item.rowTitle = "3. Пункт";
  item.unit = "м2";
  item.name = "Объект " + std::to_string(i);
  item.coefficientRows[7] = {true, 4, 1.3, "Коэффициент", "К7", "п. 7"};
}

Estimate EstimateWithItems(int count) {
  Estimate estimate;
  estimate.summary = "Сводка сметы";
  estimate.items.resize(At(count));
  for (int i = 0; i < count; ++i) FillItem(estimate.items[At(i)], i + 1);
  return estimate;
}

GeneralData FilledGeneralData() {
  GeneralData general;
  general.header = {"2008/11", "12-06-2026", "Цех\r\nстадия П", "ООО \"А\"", "ОАО \"Б\""};
  const double rates[] = {33.6, 0, 4.5, 0.5, 2, 0, 0, 18};
  for (int r = 1; r <= kChargeRows; ++r) {
    general.charges[At(r - 1)] = {r <= 5 || r == 8, rates[r - 1], "Отчисление " + std::to_string(r)};
  }
  general.signatories = {Signatory{true, "ГИП", "Р.Т Бельчар"},
                         Signatory{false, "Зам. директора", "О.К. Дорсинская"}, Signatory{true, " ", " "}};
  return general;
}

// What a save takes from the general-data window: the charges and the
// signatories, and the header texts as they stand.
GeneralData GeneralDataFromWindow(const GeneralDataForm& form) {
  GeneralData general;
  TakeObD(form, general);
  general.header = {form.txtNdog, form.txtDataDog, form.txtShapka[0], form.txtShapka[1], form.txtShapka[2]};
  return general;
}

// Every input of an item the file keeps must be read back as written.
void ExpectSameStoredInputs(const EstimateItem& read, const EstimateItem& written, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(read.mode, written.mode);
  EXPECT_EQ(read.table, written.table);
  EXPECT_EQ(read.TableListEntry(), written.TableListEntry());
  EXPECT_EQ(read.row, written.row);
  EXPECT_EQ(read.quantity, written.quantity);
  EXPECT_EQ(read.housing, written.housing);
  EXPECT_EQ(read.shareSource, written.shareSource);
  EXPECT_EQ(read.typedCost, written.typedCost);
  EXPECT_EQ(read.category, written.category);
  EXPECT_EQ(read.tableTitle, written.tableTitle);
  EXPECT_EQ(read.rowTitle, written.rowTitle);
  EXPECT_EQ(read.unit, written.unit);
  EXPECT_EQ(read.name, written.name);
  for (int j = 0; j < kGridRows; ++j) {
    EXPECT_EQ(read.grid[At(j)].x, written.grid[At(j)].x) << "grid row " << j + 1;
    EXPECT_EQ(read.grid[At(j)].price, written.grid[At(j)].price) << "grid row " << j + 1;
  }
  for (int m = 0; m < kCoefficientRows; ++m) {
    const CoefficientRow& a = read.coefficientRows[At(m)];
    const CoefficientRow& b = written.coefficientRows[At(m)];
    EXPECT_EQ(a.ticked, b.ticked) << "coefficient row " << m;
    EXPECT_EQ(a.industryIndex, b.industryIndex) << "coefficient row " << m;
    EXPECT_EQ(a.value, b.value) << "coefficient row " << m;
    EXPECT_EQ(a.name, b.name) << "coefficient row " << m;
    EXPECT_EQ(a.symbol, b.symbol) << "coefficient row " << m;
    EXPECT_EQ(a.basis, b.basis) << "coefficient row " << m;
  }
}

class IsxFileTest : public ::testing::Test {
 protected:
  Lines Written(const Estimate& estimate, const GeneralData& general = FilledGeneralData()) {
    WriteIsx(estimate, general, file_);
    return ReadLineFile(file_, kInputDataFileLimit);
  }

  // The line-number prefix of a refusal of file_.
  std::string RefusalAt(int line) const {
    return "Файл исходных данных «" + PathText(file_) + "», строка " + std::to_string(line) + ": ";
  }

  TempFolder folder_;
  std::filesystem::path file_ = folder_ / PathFromText("смета.isx");
};

TEST_F(IsxFileTest, LayoutOfTheWrittenFile) {
  const Lines empty = Written(EstimateWithItems(0));
  ASSERT_EQ(empty.size(), 40u);
  EXPECT_EQ(empty[1], " 0 ");
  EXPECT_EQ(empty[4], "Цех¶стадия П");
  EXPECT_EQ(Lines(empty.begin() + 7, empty.begin() + 10), (Lines{" 1 ", " 33,6 ", "Отчисление 1"}));
  EXPECT_EQ(empty[14], " 4,5 ");
  EXPECT_EQ(Lines(empty.begin() + 31, empty.end()),
            (Lines{"1", "ГИП", "Р.Т Бельчар", "0", "Зам. директора", "О.К. Дорсинская", "1", " ", " "}));

  const Lines one = Written(EstimateWithItems(1));
  ASSERT_EQ(one.size(), 392u);
  EXPECT_EQ(one[1], " 1 ");
  EXPECT_EQ(one[40], " 3 ");              // block line 1: the table
  EXPECT_EQ(one[42], " ,15 ");            // the quantity below one
  EXPECT_EQ(one[45], " 33,6 ");           // line 46: the cost
  EXPECT_EQ(one[54], "Объект 1");         // line 55: the object name
  EXPECT_EQ(one[40 + 23 + 15 + 7 - 1], " 1 ");
  EXPECT_EQ(one[40 + 23 + 45 + 7 - 1], " 1,3 ");
  EXPECT_EQ(one[40 + 188 + 15 + 7 - 1], "Коэффициент");

  EXPECT_EQ(Written(EstimateWithItems(50)).size(), 17640u);
}

TEST_F(IsxFileTest, ReadingReturnsTheGeneralDataAndTheItems) {
  Estimate estimate = EstimateWithItems(3);
  estimate.summary.clear();
  GeneralData general = FilledGeneralData();
  general.charges[1].rate = 7;  // the computed row shows its word, not a rate
  WriteIsx(estimate, general, file_);

  const IsxContent read = ReadIsx(file_);
  EXPECT_EQ(read.summary, "");
  ASSERT_EQ(read.items.size(), 3u);
  EXPECT_EQ(read.general.header.contractNumber, "2008/11");
  EXPECT_EQ(read.general.header.objectName, "Цех\r\nстадия П");
  EXPECT_EQ(read.general.charges[1].rate, 7);
  for (int i = 0; i < 3; ++i) {
    ExpectSameStoredInputs(read.items[At(i)], estimate.items[At(i)], "item " + std::to_string(i));
  }

  GeneralDataForm form;
  form.chkKEnabled[3] = true;
  ShowGeneralData(read.general, form);
  EXPECT_EQ(form.txtNdog, "2008/11");
  EXPECT_EQ(form.txtShapka[0], "Цех\r\nстадия П");
  EXPECT_EQ(form.txtKc, (std::array<std::string, 8>{"33,6", "Расчет", "4,5", "0,5", "2", "", "", "18"}));
  EXPECT_EQ(form.chkK, (std::array<bool, 8>{true, true, true, true, true, false, false, true}));
  EXPECT_EQ(form.txtK[7], "Отчисление 8");
  EXPECT_EQ(form.chk1, (std::array<bool, 3>{true, false, true}));
  EXPECT_EQ(form.txt2[0], "Р.Т Бельчар");
  EXPECT_EQ(form.txt1[2], " ");            // texts are not trimmed
  EXPECT_TRUE(form.chkKEnabled[3]);        // the window's own settings stay
}

TEST_F(IsxFileTest, WriteReadWriteIsByteIdentical) {
  Estimate estimate = EstimateWithItems(2);
  estimate.items[1].name = "Здание\r\nсклада";
  estimate.items[1].coefficientRows[0].basis = "две\r\nстроки\r\n";
  GeneralData general = FilledGeneralData();
  general.charges[1].rate = 0;
  WriteIsx(estimate, general, file_);
  EXPECT_EQ(ReadLineFile(file_, kInputDataFileLimit)[40 + 352 + 14], "Здание¶склада");

  IsxContent read = ReadIsx(file_);
  EXPECT_EQ(read.items[1].name, "Здание\r\nсклада");
  EXPECT_EQ(read.items[1].coefficientRows[0].basis, "две\r\nстроки\r\n");
  // Through the window and back, as an open followed by a save does.
  GeneralDataForm form;
  ShowGeneralData(read.general, form);
  Estimate again;
  again.summary = read.summary;
  again.items = read.items;
  const auto second = folder_ / PathFromText("второй.isx");
  WriteIsx(again, GeneralDataFromWindow(form), second);
  EXPECT_EQ(Bytes(second), Bytes(file_));
}

TEST_F(IsxFileTest, UserTableOfAllGridRowsSurvives) {
  Estimate estimate = EstimateWithItems(1);
  EstimateItem& item = estimate.items[0];
  item.SetTableListEntry(0);
  for (int row = 1; row <= kGridRows; ++row) {
    item.grid[At(row - 1)] = {std::to_string(row * 10), "цена " + std::to_string(row)};
  }
  EXPECT_EQ(Written(estimate).size(), 392u);

  IsxContent read = ReadIsx(file_);
  ASSERT_EQ(read.items.size(), 1u);
  ExpectSameStoredInputs(read.items[0], item, "user table");
  // The grid travels in spare cells of the coefficient rows; their own
  // texts are not disturbed by it.
  for (int m = 0; m < kCoefficientRows; ++m) {
    if (m == 7) continue;
    const CoefficientRow& row = read.items[0].coefficientRows[At(m)];
    EXPECT_EQ(row.name + row.symbol + row.basis, "") << m;
  }

  // A file of the older program has those cells empty: the grid beyond
  // the stored columns reads as empty rows.
  Lines lines = ReadLineFile(file_, kInputDataFileLimit);
  for (std::size_t line = 40 + 187 + 60; line < 392; ++line) lines[line].clear();
  WriteLines(file_, lines);
  read = ReadIsx(file_);
  EXPECT_EQ(read.items[0].grid[3].x, "40");
  EXPECT_EQ(read.items[0].grid[3].price, "");
  EXPECT_EQ(read.items[0].grid[22].price, "");
  EXPECT_EQ(read.items[0].name, "Объект 1");
}

TEST_F(IsxFileTest, AutosaveBeforeTheFirstSaveReadsAsUnchecked) {
  Estimate estimate = EstimateWithItems(1);  // general data never filled
  estimate.items[0].housing = true;
  Lines lines = Written(estimate, GeneralData{});
  EXPECT_EQ(lines[31], "0");
  EXPECT_EQ(lines[40 + 3], "-1 ");
  // A file of the first save of a run holds empty signatory flags and
  // blank number lines: they read as unchecked and as 0.
  for (const std::size_t flag : {31u, 34u, 37u}) lines[flag].clear();
  lines[40 + 3] = "  ";
  WriteLines(file_, lines);

  const IsxContent read = ReadIsx(file_);
  GeneralDataForm form;
  ShowGeneralData(read.general, form);
  EXPECT_EQ(form.chk1, (std::array<bool, 3>{}));
  EXPECT_FALSE(HoldsChargesOrSignatories(read.general));
  // The rows the user cannot switch off come back switched on.
  EXPECT_EQ(form.chkK, (std::array<bool, 8>{true, true, false, false, false, false, false, true}));
  EXPECT_EQ(form.txtKc, (std::array<std::string, 8>{"", "Расчет", "", "", "", "", "", ""}));
  ASSERT_EQ(read.items.size(), 1u);
  EXPECT_FALSE(read.items[0].housing);
}

TEST_F(IsxFileTest, RepeatedBodiesAndTrailingBlankLines) {
  const Lines first = Written(EstimateWithItems(2));
  Estimate later = EstimateWithItems(1);
  later.summary = "Вторая";
  const Lines second = Written(later);
  Lines both = first;
  both.insert(both.end(), second.begin(), second.end());
  both.insert(both.end(), {"", "   "});
  WriteLines(file_, both);
  const IsxContent read = ReadIsx(file_);
  EXPECT_EQ(read.summary, "Вторая");
  ASSERT_EQ(read.items.size(), 1u);  // the last body wins as a whole
  EXPECT_EQ(read.items[0].name, "Объект 1");
}

// Every kind of fault is refused with its line number. (That an open of
// such a file changes nothing is checked with the open command.)
TEST_F(IsxFileTest, MalformedFilesAreRefusedWithTheLine) {
  const Lines good = Written(EstimateWithItems(1));
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
      {"номер таблицы за последней", with(40, " 200 "), 41},
  };
  for (const Case& c : cases) {
    WriteLines(file_, c.lines);
    try {
      ReadIsx(file_);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const IsxError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(RefusalAt(c.line), 0), 0u) << c.name << ": " << error.what();
    }
  }
  // The last table the list can hold is read.
  WriteLines(file_, with(40, " 199 "));
  EXPECT_EQ(ReadIsx(file_).items.at(0).table, 199);
}

// The largest estimate reads back whole; one item more is refused at the
// count line, even when the blocks are all there.
TEST_F(IsxFileTest, FiftyItemsReadBackAndFiftyOneAreRefused) {
  Estimate estimate = EstimateWithItems(kMaxItems);
  for (int i = 1; i <= kMaxItems; ++i) {
    EstimateItem& item = estimate.items[At(i - 1)];
    item.quantity = i * 1.25;
    item.category = i % 4;
    item.housing = i % 2 == 0;
    item.grid[At(i % kGridRows)] = {std::to_string(i), "цена " + std::to_string(i)};
    item.coefficientRows[At(i % kCoefficientRows)].basis = "основание " + std::to_string(i);
  }
  const Lines lines = Written(estimate);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kIsxHeaderLines + kIsxItemLines * kMaxItems));

  const IsxContent read = ReadIsx(file_);
  ASSERT_EQ(read.items.size(), static_cast<std::size_t>(kMaxItems));
  for (int i = 0; i < kMaxItems; ++i) {
    ExpectSameStoredInputs(read.items[At(i)], estimate.items[At(i)], "item " + std::to_string(i));
  }

  Lines tooMany = lines;
  tooMany[1] = " 51 ";
  tooMany.insert(tooMany.end(), lines.end() - kIsxItemLines, lines.end());
  WriteLines(file_, tooMany);
  try {
    ReadIsx(file_);
    FAIL() << "51 items read";
  } catch (const IsxError& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind(RefusalAt(2), 0), 0u) << text;
    EXPECT_NE(text.find("от 0 до 50"), std::string::npos) << text;
  }
}

// Every input an item keeps in the file survives a write and a read, for
// every pricing mode.
TEST_F(IsxFileTest, EveryStoredFieldSurvivesForEveryPricingMode) {
  struct Case {
    const char* name;
    int entry;
    PricingMode mode;
  };
  const std::vector<Case> cases = {
      {"таблица пользователя", 0, PricingMode::UserTable},
      {"стоимость без расчета", 1, PricingMode::TypedCost},
      {"процент от СМР", 2, PricingMode::ConstructionCost},
      {"таблица норм", 7, PricingMode::NormTable},
      {"доля от объекта", -1, PricingMode::ShareOfItem},
  };
  for (const Case& c : cases) {
    Estimate estimate = EstimateWithItems(1);
    EstimateItem& item = estimate.items.emplace_back();
    item.SetTableListEntry(c.entry);
    ASSERT_EQ(item.mode, c.mode) << c.name;
    item.row = 12;
    item.quantity = 1234.5678;
    item.housing = true;
    item.shareSource = 0;
    item.typedCost = 98765.4321;
    item.category = 3;
    item.tableTitle = "2.18. Жилые дома";
    item.rowTitle = "1. Дома «выше 9 этажей»";
    item.unit = "общая площадь, м2";
    item.name = "Жилой дом\r\nпо ул. Ленина, 5";
    for (int j = 1; j <= kGridRows; ++j) {
      item.grid[At(j - 1)] = {std::to_string(j * 100) + ",5", std::to_string(j) + "7,25"};
    }
    for (int m = 0; m < kCoefficientRows; ++m) {
      const std::string n = std::to_string(m);
      item.coefficientRows[At(m)] = {m % 3 != 0, m + 1, (100 + m) / 100.0, "Коэффициент " + n, "К(" + n + ")",
                                     "п. " + n + " общих указаний"};
    }
    Written(estimate);
    const IsxContent read = ReadIsx(file_);
    ASSERT_EQ(read.items.size(), 2u) << c.name;
    ExpectSameStoredInputs(read.items[1], item, c.name);
    ExpectSameStoredInputs(read.items[0], estimate.items[0], std::string(c.name) + ", item 1");
  }
}

TEST_F(IsxFileTest, MissingFileIsReportedWithTheReason) {
  try {
    ReadIsx(folder_ / PathFromText("нет.isx"));
    FAIL() << "no error";
  } catch (const IsxError& error) {
    EXPECT_NE(std::string(error.what()).find("нет.isx"), std::string::npos) << error.what();
  }
  EXPECT_THROW(ReadIsxSummary(folder_ / PathFromText("нет.isx")), IsxError);
  EXPECT_THROW(WriteIsx(Estimate{}, GeneralData{}, folder_ / PathFromText("нет") / PathFromText("смета.isx")), FileError);
}

// An input-data file beyond 4 MB, or with far more lines than 50 items
// take, is refused before its lines are kept in memory.
TEST_F(IsxFileTest, OversizedFilesAreRefusedNamingFileAndLimit) {
  struct Case {
    const char* what;
    std::string content;
    std::string reason;
  };
  const Case cases[] = {
      {"over 4 MB", std::string(4 * 1024 * 1024 + 1, 'x'), "файл слишком велик (допустимо не более 4 МБ)"},
      {"bare line ends", std::string(200'000, '\n'), "в файле слишком много строк (допустимо не более 100000)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = folder_ / PathFromText("огромная.isx");
    testing::PutBytes(file, c.content);
    try {
      ReadIsx(file);
      ADD_FAILURE() << "no error";
    } catch (const IsxError& error) {
      EXPECT_EQ(std::string(error.what()), "Не удалось прочитать файл «" + PathText(file) + "»: " + c.reason + ".");
    }
    EXPECT_THROW(ReadIsxSummary(file), IsxError);
  }
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
