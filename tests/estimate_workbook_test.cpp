// The estimate sheet: header, item blocks with rounding at every step,
// total, charges and VAT, the pay-out variant, words and signatures.
#include "workbook/estimate_workbook.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/text_forms.h"
#include "test_support.h"
#include "xls_readback.h"
#include "workbook/row_heights.h"

namespace verdin {
namespace {

class EstimateWorkbookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    general_ = InitialGeneralDataForm({2026, 12, 6});
    TakeObD(general_, state_->general);
    state_->FileXls = folder_ / "смета.xls";
  }

  // An item priced from a table: base amount and coefficients.
  EstimateItem& AddItem(int kind, double base, std::vector<std::pair<std::string, double>> coefficients = {}) {
    EstimateItem& item = state_->items[static_cast<std::size_t>(++state_->KolZd)];
    item = EstimateItem{};
    item.ZdD[col::kNomTab] = kind;
    item.ZdD[10] = kind;
    item.ZdS[col::kName] = "Объект " + std::to_string(state_->KolZd);
    item.ZdS[col::kQuantity] = "100";
    item.ZdS[col::kUnit] = "м2";
    item.ZdS[col::kReference] = "Табл. 2.1, п. 3";
    item.ZdS[col::kCalculation] = "Цб = …";
    item.ZdBaz[1] = base;
    item.ZdD[col::kCost] = base;
    item.ZdKoeffS[0][0] = std::to_string(coefficients.size());
    for (std::size_t j = 0; j < coefficients.size(); ++j) {
      item.ZdKoeffS[j + 1][1] = coefficients[j].first;
      item.ZdKoeffS[j + 1][3] = "Основание " + std::to_string(j + 1);
      item.ZdKoeffD[j + 1][1] = coefficients[j].second;
    }
    return item;
  }

  // Builds the workbook; when it was saved, reads the .xls back with an
  // independent reader and compares it cell for cell with the sheet.
  EstimateWorkbook Write() {
    EstimateWorkbook built = WriteEstimateWorkbook(*state_, general_, payOut_, progress_);
    if (state_->ErrRez == -1) {
      const testing::Json dump = testing::Dump(WorkbookFileName(state_->FileXls));
      testing::ExpectCellsMatch(built.sheet, dump);
      EXPECT_EQ(dump["merged"].items.size(), built.sheet.Merges().size());
    }
    return built;
  }

  static std::string Text(const Sheet& sheet, const std::string& address) {
    const CellRange cell = ParseRange(address);
    const Cell* found = sheet.CellAt(cell.firstRow, cell.firstColumn);
    if (found == nullptr || !std::holds_alternative<std::string>(found->value)) return "<нет текста>";
    return std::get<std::string>(found->value);
  }
  static double Number(const Sheet& sheet, const std::string& address) {
    const CellRange cell = ParseRange(address);
    const Cell* found = sheet.CellAt(cell.firstRow, cell.firstColumn);
    if (found == nullptr || !std::holds_alternative<double>(found->value)) return NAN;
    return std::get<double>(found->value);
  }
  static bool Empty(const Sheet& sheet, const std::string& address) {
    const CellRange cell = ParseRange(address);
    const Cell* found = sheet.CellAt(cell.firstRow, cell.firstColumn);
    return found == nullptr || std::holds_alternative<std::monostate>(found->value);
  }
  // The row whose column A or B holds the text.
  static int RowOf(const Sheet& sheet, const std::string& text) {
    for (int row = 1; row <= sheet.LastRow(); ++row) {
      for (int column = 1; column <= 4; ++column) {
        const Cell* cell = sheet.CellAt(row, column);
        if (cell != nullptr && std::holds_alternative<std::string>(cell->value) &&
            std::get<std::string>(cell->value).rfind(text, 0) == 0) {
          return row;
        }
      }
    }
    return 0;
  }

  testing::TempFolder folder_;
  std::unique_ptr<AppState> state_ = std::make_unique<AppState>();
  GeneralDataForm general_;
  PayOutBoxes payOut_;
  CaptionOnlyProgress progress_;
};

TEST_F(EstimateWorkbookTest, HeaderRowsAndFormats) {
  general_.txtShapka[0] = "  Жилой дом \r\n по ул. Новой \r\n";
  AddItem(3, 10);
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(state_->ErrRez, -1);
  // Texts written into E1, E2, C3, C4 stand in the first cells of their merged rows.
  EXPECT_EQ(Text(sheet, "A1"), "Приложение №1");
  EXPECT_EQ(Text(sheet, "A2"), "к договору №  2008/11 от 12-06-2026");
  EXPECT_EQ(Text(sheet, "A3"), "Смета № 2008/11");
  EXPECT_EQ(Text(sheet, "A4"), "на проектно-изыскательские работы");
  EXPECT_EQ(Text(sheet, "D6"), "Жилой домпо ул. Новой");
  EXPECT_EQ(state_->items[0].ZdS[3], "Жилой домпо ул. Новой");
  EXPECT_EQ(Text(sheet, "D7"), "ООО \"Кварцтехлит\"");
  EXPECT_EQ(Text(sheet, "A10"), "№ п/п");
  EXPECT_EQ(Text(sheet, "E10"), "Стоимость, тыс.руб.");
  EXPECT_TRUE(Empty(sheet, "A5"));
  EXPECT_EQ(sheet.ColumnWidth(1), 4);
  EXPECT_EQ(sheet.ColumnWidth(2), 19);
  EXPECT_EQ(sheet.ColumnWidth(5), 13);
  EXPECT_EQ(sheet.RowHeight(6), 35);
  EXPECT_EQ(sheet.RowHeight(8), 25);
  const auto& title = sheet.CellAt(3, 1)->format;
  EXPECT_TRUE(title.bold);
  EXPECT_EQ(title.fontSize, 11);
  EXPECT_EQ(title.horizontal, xl::kAlignCenter);
  EXPECT_EQ(sheet.CellAt(1, 1)->format.horizontal, xl::kAlignRight);
  EXPECT_EQ(sheet.CellAt(10, 2)->format.fontName, "Times New Roman");
  EXPECT_TRUE(sheet.CellAt(7, 3)->format.borderBottom);
  EXPECT_FALSE(sheet.DisplayGridlines());
  EXPECT_NEAR(sheet.LeftMargin(), 56.6929, 1e-3);
  EXPECT_NEAR(sheet.TopMargin(), 42.5197, 1e-3);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "смета.xls"));
}

TEST_F(EstimateWorkbookTest, EmptyContractBoxesStillGiveTheFixedTexts) {
  general_.txtNdog.clear();
  general_.txtDataDog.clear();
  AddItem(3, 10);
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "A2"), "к договору №   от ");
  EXPECT_EQ(Text(sheet, "A3"), "Смета № ");
}

TEST_F(EstimateWorkbookTest, ItemBlockRoundsDownAtEveryStep) {
  AddItem(3, 12.3456, {{"К1", 1.15}, {"К2", 1.1}});
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "A11"), " 1");
  EXPECT_EQ(Text(sheet, "B11"), "Объект 1, 100 м2");
  EXPECT_EQ(Text(sheet, "C11"), "СБЦ № 20-2008 на общестр. работы. Табл. 2.1, п. 3");
  EXPECT_DOUBLE_EQ(Number(sheet, "E11"), 12.345);
  EXPECT_EQ(Text(sheet, "B12"), "К1=1,15");
  EXPECT_EQ(Text(sheet, "C12"), "Основание 1");
  EXPECT_EQ(Text(sheet, "D12"), "12,345 x 1,15 =");
  EXPECT_DOUBLE_EQ(Number(sheet, "E12"), 14.196);
  EXPECT_EQ(Text(sheet, "D13"), "14,196 x 1,1 =");
  EXPECT_DOUBLE_EQ(Number(sheet, "E13"), 15.615);
  EXPECT_EQ(Text(sheet, "B14"), "ИТОГО по п.1");  // written in D, merged B:D
  EXPECT_DOUBLE_EQ(Number(sheet, "E14"), 15.615);
  EXPECT_TRUE(sheet.CellAt(14, 5)->format.bold);
  EXPECT_EQ(sheet.CellAt(14, 2)->format.horizontal, xl::kAlignRight);
  EXPECT_EQ(state_->items[1].ZdD[col::kCost], 1.1 * 14.196);
  const auto& merges = sheet.Merges();
  EXPECT_NE(std::find(merges.begin(), merges.end(), ParseRange("A11:A14")), merges.end());
  EXPECT_NE(std::find(merges.begin(), merges.end(), ParseRange("B14:D14")), merges.end());
}

TEST_F(EstimateWorkbookTest, ItemKindsAndNumbering) {
  AddItem(5, 1.0009, {{"К", 1}});
  EstimateItem& typed = AddItem(1, 12.3456);
  typed.ZdD[col::kCost] = 12.3456;
  AddItem(-1, 100, {{"К(т.р.)", 0.15}, {"К", 2}});
  AddItem(2, 50);
  AddItem(-1, 40);  // a share without coefficients still gets its row
  const Sheet sheet = Write().sheet;
  EXPECT_DOUBLE_EQ(Number(sheet, "E11"), 1);
  EXPECT_DOUBLE_EQ(Number(sheet, "E12"), 1);
  EXPECT_EQ(Text(sheet, "A14"), " 2");
  EXPECT_EQ(Text(sheet, "B14"), "Объект 2");
  EXPECT_EQ(Text(sheet, "E14"), "12.3456");
  EXPECT_TRUE(Empty(sheet, "C14"));
  // The share: no first row, its number on its first coefficient row.
  EXPECT_EQ(Text(sheet, "A15"), " 3");
  EXPECT_EQ(Text(sheet, "B15"), "К(т.р.)=0,15");
  EXPECT_EQ(Text(sheet, "B17"), "ИТОГО по п.3");
  EXPECT_EQ(Text(sheet, "A18"), " 4");
  EXPECT_EQ(Text(sheet, "C18"), "Общие и методические указания. Раздел Б. Табл. А.1 ");
  EXPECT_EQ(Text(sheet, "A19"), " 5");
  EXPECT_EQ(Text(sheet, "B19"), "Объект 5");
  EXPECT_DOUBLE_EQ(Number(sheet, "E19"), 40);
  EXPECT_EQ(Text(sheet, "A20"), " 6");
  EXPECT_EQ(Text(sheet, "B20"), "Стоимость в текущих ценах по п.п. 1- 5");
  EXPECT_DOUBLE_EQ(Number(sheet, "E20"), 1 + 12.345 + 30 + 50 + 40);
  EXPECT_EQ(sheet.CellAt(15, 1)->format.horizontal, xl::kAlignCenter);
}

TEST_F(EstimateWorkbookTest, ChargesAndVatForATotalOfThousand) {
  AddItem(3, 1000);
  const EstimateWorkbook built = Write();
  const Sheet& sheet = built.sheet;
  EXPECT_DOUBLE_EQ(Number(sheet, "D12"), 1000);  // one item: its cost as a number, no " = "
  const int first = 13;
  EXPECT_EQ(Text(sheet, "A" + std::to_string(first)), " 3");
  EXPECT_EQ(Text(sheet, "B13"), "Сложившийся уровень рентабельности, %");
  EXPECT_DOUBLE_EQ(Number(sheet, "D13"), 33.6);
  EXPECT_EQ(Text(sheet, "D14"), "1000  - (1000 x 33,6) / (100 + 33,6)");
  EXPECT_DOUBLE_EQ(Number(sheet, "E14"), 748.502);
  EXPECT_EQ(Text(sheet, "B15"), "Отчисления в инновационный фонд, % -  4.5");
  EXPECT_EQ(Text(sheet, "D15"), "748,502 x  4.5 / 100 =");
  EXPECT_DOUBLE_EQ(Number(sheet, "E15"), 33.682);
  EXPECT_EQ(Text(sheet, "B16"), "Отчисления в фонд стройнауки, % - 0,5");
  EXPECT_DOUBLE_EQ(Number(sheet, "E16"), 3.742);
  EXPECT_EQ(Text(sheet, "D17"), "(1000 + 33,682 + 3,742) x 2 / (100 - 2) =");
  EXPECT_DOUBLE_EQ(Number(sheet, "E17"), 21.171);
  EXPECT_EQ(Text(sheet, "B18"), "Стоимость проектных работ без НДС");
  EXPECT_EQ(Text(sheet, "D18"), "1000 + 33,682 + 3,742 + 21,171=");
  EXPECT_NEAR(Number(sheet, "E18"), 1058.595, 1e-9);
  EXPECT_EQ(Text(sheet, "B19"), "НДС, 18 %");
  EXPECT_DOUBLE_EQ(Number(sheet, "E19"), 190.547);
  EXPECT_EQ(Text(sheet, "B20"), "Общая стоимость проектных работ");
  EXPECT_EQ(Text(sheet, "A20"), " 10");  // lines KolZd + 2 to KolZd + 9
  EXPECT_NEAR(built.SumAll, 1249.142, 1e-9);
  // Words name the same roubles the sheet shows.
  EXPECT_EQ(Text(sheet, "A22"),
            "Всего по смете: 1249142 (Один миллион двести сорок девять тысяч сто сорок два ) руб., в том "
            "числе НДС  - 190547 (Сто девяносто тысяч пятьсот сорок семь ) руб.");
  EXPECT_EQ(sheet.RowHeight(22), 50);
  EXPECT_EQ(Text(sheet, "A23"), "ГИП");
  EXPECT_EQ(Text(sheet, "D23"), "Р.Т Бельчар");
  EXPECT_EQ(Text(sheet, "A24"), "Зам. директора по экономике");
  EXPECT_EQ(sheet.LastRow() >= 24, true);
  EXPECT_TRUE(Empty(sheet, "A25"));
  EXPECT_TRUE(sheet.CellAt(20, 5)->format.borderBottom);
  EXPECT_FALSE(sheet.CellAt(21, 5)->format.borderTop);
}

TEST_F(EstimateWorkbookTest, RowFourUncheckedAndASpareRowChecked) {
  AddItem(3, 1000);
  AddItem(3, 500);
  general_.chkK[3] = false;  // стройнаука
  general_.chkK[5] = true;
  general_.txtK[5] = "Прочие отчисления, %";
  general_.txtKc[5] = "3";
  state_->OtchislSum[4] = 999;  // left from an earlier run with the row checked
  TakeObD(general_, state_->general);
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "D13"), "1000 + 500 = ");
  const int row5 = RowOf(sheet, "Отчисления в фонд под. с/х");
  ASSERT_GT(row5, 0);
  EXPECT_EQ(Text(sheet, "D" + std::to_string(row5)), "(1500 + 50,523) x 2 / (100 - 2) =");
  EXPECT_EQ(Text(sheet, "B" + std::to_string(row5 + 1)), "Прочие отчисления, % - 3");
  EXPECT_EQ(Text(sheet, "D" + std::to_string(row5 + 2)), "1500 + 50,523 + 31,643 + 33,682=");
  EXPECT_EQ(RowOf(sheet, "Отчисления в фонд стройнауки"), 0);
}

TEST_F(EstimateWorkbookTest, RowFiveWithoutRowsThreeAndFourHasNoParentheses) {
  AddItem(3, 1000);
  general_.chkK[2] = false;
  general_.chkK[3] = false;
  TakeObD(general_, state_->general);
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "D15"), "1000 x 2 / (100 - 2) =");
}

TEST_F(EstimateWorkbookTest, PayOutVariant) {
  AddItem(3, 1000);
  state_->BezOtchisl = true;
  const EstimateWorkbook built = Write();
  const Sheet& sheet = built.sheet;
  EXPECT_EQ(Text(sheet, "B13"), "Стоимость раздела ");
  EXPECT_EQ(Text(sheet, "D13"), "0,15 x 1000");
  EXPECT_DOUBLE_EQ(Number(sheet, "E13"), 150);
  EXPECT_EQ(Text(sheet, "B14"), "Зарплата ");
  EXPECT_EQ(Text(sheet, "D14"), "0,7 x 150");
  EXPECT_DOUBLE_EQ(Number(sheet, "E14"), 105);
  EXPECT_TRUE(Empty(sheet, "A13"));
  EXPECT_EQ(Text(sheet, "A16"), "Всего по смете: ");
  EXPECT_EQ(built.SumAll, 0);
  EXPECT_FALSE(sheet.CellAt(13, 5)->format.borderBottom);

  payOut_.kopecks = "семьдесят";
  EXPECT_THROW(Write(), std::invalid_argument);
}

TEST_F(EstimateWorkbookTest, AllSignaturesOffEndsWithTheWordsRow) {
  AddItem(3, 1000);
  general_.chk1 = {false, false, false};
  TakeObD(general_, state_->general);
  const Sheet sheet = Write().sheet;
  const int words = RowOf(sheet, "Всего по смете: ");
  ASSERT_GT(words, 0);
  for (int row = words + 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= 5; ++column) EXPECT_TRUE(Empty(sheet, ColumnLetters(column) + std::to_string(row)));
  }
}

TEST_F(EstimateWorkbookTest, FileNamesAndTheErrorRule) {
  EXPECT_EQ(WorkbookFileName("/d/смета.isx"), std::filesystem::path("/d/смета.xls"));
  EXPECT_EQ(WorkbookFileName("/d/смета.xlsx"), std::filesystem::path("/d/смета.xlsx"));
  EXPECT_THROW(WorkbookFileName("a"), std::invalid_argument);

  AddItem(3, 1000);
  state_->FileXls = folder_ / "нет такой папки" / "смета.xls";
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(state_->ErrRez, 1004);
  EXPECT_NE(state_->ErrRezText.find("смета.xls"), std::string::npos) << state_->ErrRezText;
  EXPECT_GT(RowOf(sheet, "Всего по смете: "), 0);  // everything else was still written
  EXPECT_FALSE(std::filesystem::exists(folder_ / "нет такой папки"));
}

TEST_F(EstimateWorkbookTest, FiftyItemsWithManyCoefficients) {
  std::vector<std::pair<std::string, double>> many;
  for (int j = 1; j <= 15; ++j) many.emplace_back("К" + std::to_string(j), 1 + j / 100.0);
  for (int i = 0; i < kMaxItems; ++i) AddItem(3, 100 + i, many);
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(state_->ErrRez, -1);
  const int words = RowOf(sheet, "Всего по смете: ");
  ASSERT_GT(words, 200);
  // The sheet-wide font and wrap reach the rows beyond 200 too.
  EXPECT_EQ(sheet.CellAt(words, 1)->format.fontName, "Times New Roman");
  EXPECT_TRUE(sheet.CellAt(words - 5, 4)->format.wrap);
  EXPECT_EQ(Text(sheet, "B" + std::to_string(10 + 50 * 17)), "ИТОГО по п.50");
}

}  // namespace
}  // namespace verdin

namespace verdin {
namespace {

TEST(RowHeights, WrappedTextsGetRowsHighEnoughForTheirLines) {
  EXPECT_EQ(WrappedLines("Короткий", 25, 10, false), 1);
  EXPECT_EQ(WrappedLines("Инженерные изыскания (по договору)", 19, 10, false), 3);
  EXPECT_EQ(WrappedLines("первая\r\nвторая", 25, 10, false), 2);
  EXPECT_EQ(WrappedLines(std::string(60, 'x'), 19, 10, false), 4);  // a long word breaks inside itself
  EXPECT_GT(WrappedLines("Стоимость проектных работ без НДС", 19, 11, true),
            WrappedLines("Стоимость проектных работ без НДС", 19, 10, false) - 1);

  Sheet sheet;
  sheet.SetColumnWidth("B1", 19);
  sheet.SetValue(3, 2, "Инженерные изыскания (по договору)");
  sheet.SetValue(4, 2, "Инженерные изыскания (по договору)");
  sheet.SetValue(5, 1, "Очень длинный текст в объединенной по строкам ячейке, который не меряют");
  sheet.SetWrapText("A1:E10", true);
  sheet.SetFontSize("A1:E10", 10);
  sheet.SetRowHeight("A4", 50);  // a row with its own height keeps it
  sheet.Merge("A5:A6");
  FitRowHeights(sheet);
  EXPECT_DOUBLE_EQ(*sheet.RowHeight(3), 3 * 12.75);
  EXPECT_EQ(sheet.RowHeight(4), 50);
  EXPECT_FALSE(sheet.RowHeight(5));
  EXPECT_FALSE(sheet.RowHeight(1));
}

}  // namespace
}  // namespace verdin
