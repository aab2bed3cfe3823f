// The estimate sheet laid out from its figures: header, item blocks with
// rounding at every step, total, charges and VAT, the pay-out variant,
// words and signatures, the saving and the error rule.
#include "workbook/estimate_sheet.h"
#include "core/line_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "estimate_records.h"
#include "test_support.h"
#include "xls_readback.h"

namespace verdin {
namespace {

using testing::AddItem;

class EstimateSheetTest : public ::testing::Test {
 protected:
  EstimateItem& Add(PricingMode mode, double base, const testing::Coefficients& coefficients = {}) {
    return AddItem(estimate_, mode, base, coefficients);
  }

  // Computes the figures, builds and saves the sheet; when it was saved,
  // reads the .xls back with an independent reader and compares it cell
  // for cell with the sheet.
  EstimateSheet Write() {
    figures_ = ComputeEstimateFigures(estimate_, general_, withoutCharges_, payOut_);
    EstimateSheet built = WriteEstimateSheet(estimate_, general_, figures_, withoutCharges_, file_, progress_);
    if (built.errorCode == kSheetBuilt) {
      const testing::Json dump = testing::Dump(WorkbookPath(file_));
      testing::ExpectCellsMatch(built.sheet, dump);
      EXPECT_EQ(dump["merged"].items.size(), built.sheet.Merges().size());
    }
    return built;
  }

  static const Cell* CellOf(const Sheet& sheet, const std::string& address) {
    const CellRange cell = ParseRange(address);
    return sheet.CellAt(cell.firstRow, cell.firstColumn);
  }
  static std::string Text(const Sheet& sheet, const std::string& address) {
    const Cell* found = CellOf(sheet, address);
    if (found == nullptr || !std::holds_alternative<std::string>(found->value)) return "<нет текста>";
    return std::get<std::string>(found->value);
  }
  static double Number(const Sheet& sheet, const std::string& address) {
    const Cell* found = CellOf(sheet, address);
    if (found == nullptr || !std::holds_alternative<double>(found->value)) return NAN;
    return std::get<double>(found->value);
  }
  static bool Empty(const Sheet& sheet, const std::string& address) {
    const Cell* found = CellOf(sheet, address);
    return found == nullptr || std::holds_alternative<std::monostate>(found->value);
  }
  // The row whose columns A to D hold a text starting with `text`.
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
  static bool Merged(const Sheet& sheet, const std::string& range) {
    const auto& merges = sheet.Merges();
    return std::find(merges.begin(), merges.end(), ParseRange(range)) != merges.end();
  }

  testing::TempFolder folder_;
  std::filesystem::path file_ = folder_ / PathFromText("смета.xls");
  Estimate estimate_;
  GeneralData general_ = testing::ShippedGeneralData();
  bool withoutCharges_ = false;
  PayOutPercentages payOut_;
  EstimateFigures figures_;
  CaptionOnlyProgress progress_;
};

TEST_F(EstimateSheetTest, HeaderRowsAndFormats) {
  general_.header = CleanHeaderTexts("2008/11", "12-06-2026",
                                     {"  Жилой дом \r\n по ул. Новой \r\n", "ООО \"Кварцтехлит\"", "ОАО \"Зеленовка\""});
  Add(PricingMode::NormTable, 10);
  const EstimateSheet built = Write();
  const Sheet& sheet = built.sheet;
  EXPECT_EQ(built.errorCode, kSheetBuilt);
  // Texts written into E1, E2, C3, C4 stand in the first cells of their merged rows.
  EXPECT_EQ(Text(sheet, "A1"), "Приложение №1");
  EXPECT_EQ(Text(sheet, "A2"), "к договору №  2008/11 от 12-06-2026");
  EXPECT_EQ(Text(sheet, "A3"), "Смета № 2008/11");
  EXPECT_EQ(Text(sheet, "A4"), "на проектно-изыскательские работы");
  EXPECT_EQ(Text(sheet, "D6"), "Жилой домпо ул. Новой");
  EXPECT_EQ(general_.header.objectName, "Жилой домпо ул. Новой");
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
  EXPECT_TRUE(std::filesystem::exists(folder_ / PathFromText("смета.xls")));
}

TEST_F(EstimateSheetTest, EmptyContractBoxesStillGiveTheFixedTexts) {
  general_.header.contractNumber.clear();
  general_.header.contractDate.clear();
  Add(PricingMode::NormTable, 10);
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "A2"), "к договору №   от ");
  EXPECT_EQ(Text(sheet, "A3"), "Смета № ");
}

TEST_F(EstimateSheetTest, ItemBlockRoundsDownAtEveryStep) {
  Add(PricingMode::NormTable, 12.3456, {{"К1", 1.15}, {"К2", 1.1}});
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
  EXPECT_EQ(figures_.items[0].cost, 1.1 * 14.196);
  EXPECT_TRUE(Merged(sheet, "A11:A14"));
  EXPECT_TRUE(Merged(sheet, "B14:D14"));
}

TEST_F(EstimateSheetTest, ItemKindsAndNumbering) {
  Add(PricingMode::NormTable, 1.0009, {{"К", 1}});
  Add(PricingMode::TypedCost, 12.3456);
  Add(PricingMode::ShareOfItem, 100, {{"К(т.р.)", 0.15}, {"К", 2}});
  Add(PricingMode::ConstructionCost, 50);
  Add(PricingMode::ShareOfItem, 40);  // a share without coefficients still gets its row
  const Sheet sheet = Write().sheet;
  EXPECT_DOUBLE_EQ(Number(sheet, "E11"), 1);
  EXPECT_DOUBLE_EQ(Number(sheet, "E12"), 1);
  EXPECT_EQ(Text(sheet, "A14"), " 2");
  EXPECT_EQ(Text(sheet, "B14"), "Объект 2");
  EXPECT_DOUBLE_EQ(Number(sheet, "E14"), 12.3456);  // a number, as every amount
  EXPECT_TRUE(Empty(sheet, "C14"));
  // The share: its number and name on its first row, as every block
  // begins, then its coefficients.
  EXPECT_EQ(Text(sheet, "A15"), " 3");
  EXPECT_EQ(Text(sheet, "B15"), "Объект 3");
  EXPECT_TRUE(Empty(sheet, "A16"));
  EXPECT_EQ(Text(sheet, "B16"), "К(т.р.)=0,15");
  EXPECT_EQ(Text(sheet, "B18"), "ИТОГО по п.3");
  EXPECT_TRUE(Merged(sheet, "A15:A18"));
  EXPECT_EQ(Text(sheet, "A19"), " 4");
  EXPECT_EQ(Text(sheet, "C19"), "Общие и методические указания. Раздел Б. Табл. А.1 ");
  EXPECT_EQ(Text(sheet, "A20"), " 5");
  EXPECT_EQ(Text(sheet, "B20"), "Объект 5");
  EXPECT_DOUBLE_EQ(Number(sheet, "E20"), 40);
  EXPECT_EQ(Text(sheet, "A21"), " 6");
  EXPECT_EQ(Text(sheet, "B21"), "Стоимость в текущих ценах по п.п. 1- 5");
  EXPECT_DOUBLE_EQ(Number(sheet, "E21"), 1 + 12.345 + 30 + 50 + 40);
  EXPECT_EQ(sheet.CellAt(15, 1)->format.horizontal, xl::kAlignCenter);
}

TEST_F(EstimateSheetTest, ChargesAndVatForATotalOfThousand) {
  Add(PricingMode::NormTable, 1000);
  const Sheet sheet = Write().sheet;
  EXPECT_DOUBLE_EQ(Number(sheet, "D12"), 1000);  // one item: its cost as a number, no " = "
  EXPECT_EQ(Text(sheet, "A13"), " 3");
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
  EXPECT_NEAR(figures_.SumAll, 1249.142, 1e-9);
  // Words name the same roubles the sheet shows.
  EXPECT_EQ(Text(sheet, "A22"),
            "Всего по смете: 1249142 (Один миллион двести сорок девять тысяч сто сорок два ) руб., в том "
            "числе НДС  - 190547 (Сто девяносто тысяч пятьсот сорок семь ) руб.");
  EXPECT_EQ(sheet.RowHeight(22), 50);
  EXPECT_EQ(Text(sheet, "A23"), "ГИП");
  EXPECT_EQ(Text(sheet, "D23"), "Р.Т Бельчар");
  EXPECT_EQ(Text(sheet, "A24"), "Зам. директора по экономике");
  EXPECT_GE(sheet.LastRow(), 24);
  EXPECT_TRUE(Empty(sheet, "A25"));
  EXPECT_TRUE(sheet.CellAt(20, 5)->format.borderBottom);
  EXPECT_FALSE(sheet.CellAt(21, 5)->format.borderTop);
  // The cost without VAT and the total cost stand out; the VAT does not.
  EXPECT_TRUE(sheet.CellAt(18, 2)->format.bold);
  EXPECT_EQ(sheet.CellAt(20, 5)->format.fontSize, 11);
  EXPECT_FALSE(sheet.CellAt(19, 5)->format.bold);
}

TEST_F(EstimateSheetTest, RowFourUncheckedAndASpareRowChecked) {
  Add(PricingMode::NormTable, 1000);
  Add(PricingMode::NormTable, 500);
  general_.charges[charge_row::kConstructionScience].included = false;
  general_.charges[charge_row::kSpare1] = {true, 3, "Прочие отчисления, %"};
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "D13"), "1000 + 500 = ");
  const int row5 = RowOf(sheet, "Отчисления в фонд под. с/х");
  ASSERT_GT(row5, 0);
  EXPECT_EQ(Text(sheet, "D" + std::to_string(row5)), "(1500 + 50,523) x 2 / (100 - 2) =");
  EXPECT_EQ(Text(sheet, "B" + std::to_string(row5 + 1)), "Прочие отчисления, % - 3");
  EXPECT_EQ(Text(sheet, "D" + std::to_string(row5 + 2)), "1500 + 50,523 + 31,643 + 33,682=");
  EXPECT_EQ(RowOf(sheet, "Отчисления в фонд стройнауки"), 0);
}

TEST_F(EstimateSheetTest, RowFiveWithoutRowsThreeAndFourHasNoParentheses) {
  Add(PricingMode::NormTable, 1000);
  general_.charges[charge_row::kInnovationFund].included = false;
  general_.charges[charge_row::kConstructionScience].included = false;
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "D15"), "1000 x 2 / (100 - 2) =");
}

TEST_F(EstimateSheetTest, PayOutVariant) {
  Add(PricingMode::NormTable, 1000);
  withoutCharges_ = true;
  const Sheet sheet = Write().sheet;
  EXPECT_EQ(Text(sheet, "B13"), "Стоимость раздела ");
  EXPECT_EQ(Text(sheet, "D13"), "0,15 x 1000");
  EXPECT_DOUBLE_EQ(Number(sheet, "E13"), 150);
  EXPECT_EQ(Text(sheet, "B14"), "Зарплата ");
  EXPECT_EQ(Text(sheet, "D14"), "0,7 x 150");
  EXPECT_DOUBLE_EQ(Number(sheet, "E14"), 105);
  EXPECT_TRUE(Empty(sheet, "A13"));
  EXPECT_EQ(Text(sheet, "A16"), "Всего по смете: ");
  EXPECT_EQ(figures_.SumAll, 0);
  EXPECT_FALSE(sheet.CellAt(13, 5)->format.borderBottom);

  payOut_.kopecks = "семьдесят";
  EXPECT_THROW(Write(), std::invalid_argument);
}

TEST_F(EstimateSheetTest, AllSignaturesOffEndsWithTheWordsRow) {
  Add(PricingMode::NormTable, 1000);
  for (Signatory& signatory : general_.signatories) signatory.on = false;
  const Sheet sheet = Write().sheet;
  const int words = RowOf(sheet, "Всего по смете: ");
  ASSERT_GT(words, 0);
  for (int row = words + 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= 5; ++column) EXPECT_TRUE(Empty(sheet, ColumnLetters(column) + std::to_string(row)));
  }
}

TEST(WorkbookPathTest, CutsFourCharactersNotBytes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/d/смета.isx", "/d/смета.xls"},
      {"/d/смета.xlsx", "/d/смета.xlsx"},
      {"/d/смета.xls", "/d/смета.xls"},
      {"/d/СМЕТА.XLS", "/d/СМЕТА.XLS"},    // the user's spelling stays
      {"/d/Смета.Xlsx", "/d/Смета.Xlsx"},  // and stays an .xlsx workbook
      {"/d/смета.pdf", "/d/смета.pdf"},    // a PDF document keeps its name
      {"/d/Смета.PDF", "/d/Смета.PDF"},
      {"/d/смет1", "/d/с.xls"},            // four Cyrillic letters and a digit
      {"/d/смета", "/d/с.xls"},
      {"смет", ".xls"},
      {"/d/смета.txt", "/d/смета.xls"},
  };
  for (const auto& [chosen, expected] : cases) {
    EXPECT_EQ(WorkbookPath(PathFromText(chosen)), PathFromText(expected)) << chosen;
  }
  // Fewer than four characters, however many bytes they take.
  for (const char* tooShort : {"a", "абв", "😀😀😀"}) {
    EXPECT_THROW(WorkbookPath(PathFromText(tooShort)), std::invalid_argument) << tooShort;
  }
}

TEST_F(EstimateSheetTest, FileNamesAndTheErrorRule) {

  Add(PricingMode::NormTable, 1000);
  file_ = folder_ / PathFromText("нет такой папки") / PathFromText("смета.xls");
  const EstimateSheet built = Write();
  EXPECT_EQ(built.errorCode, kSheetOperationFailed);
  EXPECT_NE(built.errorText.find("смета.xls"), std::string::npos) << built.errorText;
  EXPECT_GT(RowOf(built.sheet, "Всего по смете: "), 0);  // everything else was still written
  EXPECT_FALSE(std::filesystem::exists(folder_ / PathFromText("нет такой папки")));
}

TEST_F(EstimateSheetTest, FiftyItemsWithManyCoefficients) {
  testing::Coefficients many;
  for (int j = 1; j <= 15; ++j) many.emplace_back("К" + std::to_string(j), 1 + j / 100.0);
  for (int i = 0; i < kMaxItems; ++i) Add(PricingMode::NormTable, 100 + i, many);
  const EstimateSheet built = Write();
  const Sheet& sheet = built.sheet;
  EXPECT_EQ(built.errorCode, kSheetBuilt);
  const int words = RowOf(sheet, "Всего по смете: ");
  ASSERT_GT(words, 200);
  // The sheet-wide font and wrap reach the rows beyond 200 too.
  EXPECT_EQ(sheet.CellAt(words, 1)->format.fontName, "Times New Roman");
  EXPECT_TRUE(sheet.CellAt(words - 5, 4)->format.wrap);
  EXPECT_EQ(Text(sheet, "B" + std::to_string(10 + 50 * 17)), "ИТОГО по п.50");
}

// The table heading is printed again on every page, in either variant;
// a sheet of its own repeats nothing.
TEST_F(EstimateSheetTest, TheTableHeadingIsTheRepeatedRow) {
  Add(PricingMode::NormTable, 1000);
  for (const bool withoutCharges : {false, true}) {
    figures_ = ComputeEstimateFigures(estimate_, general_, withoutCharges, payOut_);
    const EstimateSheet built = BuildEstimateSheet(estimate_, general_, figures_, withoutCharges, progress_);
    EXPECT_EQ(built.sheet.RepeatedRow(), kEstimateHeadingRow) << withoutCharges;
  }
  EXPECT_EQ(Sheet().RepeatedRow(), 0);
}

// Building alone saves nothing and reports the sheet's own failures the
// same way; the progress caption grows by one step per item, per charge
// row other than the spare ones, and once after the signatures.
TEST_F(EstimateSheetTest, BuildingAloneSavesNothingAndStepsTheProgress) {
  Add(PricingMode::NormTable, 1000);
  Add(PricingMode::NormTable, 500);
  general_.charges[charge_row::kSpare1] = {true, 3, "Прочие отчисления, %"};
  figures_ = ComputeEstimateFigures(estimate_, general_, false, payOut_);
  const EstimateSheet built = BuildEstimateSheet(estimate_, general_, figures_, false, progress_);
  EXPECT_EQ(built.errorCode, kSheetBuilt);
  EXPECT_TRUE(built.errorText.empty());
  EXPECT_FALSE(std::filesystem::exists(file_));
  const int steps = 2 + 6 + 1;  // items, charge rows 1-5 and VAT, closing
  EXPECT_EQ(progress_.Caption(), "Сохраняю результаты ...." + std::string(2 * steps, '.'));
}

}  // namespace
}  // namespace verdin
