// The figures of the estimate sheet: item blocks, the total, the charges
// and VAT, the pay-out variant, the total in words and the header texts.
#include "core/estimate_figures.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/text_forms.h"
#include "estimate_records.h"

namespace verdin {
namespace {

using testing::AddItem;
using testing::ShippedGeneralData;

EstimateFigures Compute(const Estimate& estimate, const GeneralData& general = ShippedGeneralData()) {
  return ComputeEstimateFigures(estimate, general, false, PayOutPercentages{});
}

const ChargeLine* LineOf(const EstimateFigures& figures, const std::string& caption) {
  for (const ChargeLine& line : figures.charges) {
    if (line.caption.rfind(caption, 0) == 0) return &line;
  }
  return nullptr;
}

std::string TextOf(const Figure& figure) {
  return std::holds_alternative<std::string>(figure) ? std::get<std::string>(figure) : "<число>";
}

TEST(EstimateFigures, CoefficientsChainOnTheRoundedAmountAndTheCostIsNotRounded) {
  Estimate estimate;
  AddItem(estimate, PricingMode::NormTable, 12.3456, {{"К1", 1.15}, {"К2", 1.1}});
  const ItemFigures item = Compute(estimate).items.at(0);
  ASSERT_TRUE(item.head);
  EXPECT_EQ(item.head->number, " 1");
  EXPECT_EQ(item.head->title, "Объект 1, 100 м2");
  EXPECT_EQ(item.head->reference, "СБЦ № 20-2008 на общестр. работы. Табл. 2.1, п. 3");
  EXPECT_EQ(item.head->calculation, "Цб = …");
  EXPECT_EQ(std::get<double>(item.head->amount), 12.345);
  ASSERT_EQ(item.coefficients.size(), 2u);
  EXPECT_EQ(item.coefficients[0].coefficient, "К1=1,15");
  EXPECT_EQ(item.coefficients[0].basis, "Основание 1");
  EXPECT_EQ(item.coefficients[0].calculation, "12,345 x 1,15 =");
  EXPECT_DOUBLE_EQ(item.coefficients[0].amount, 14.196);
  EXPECT_FALSE(item.coefficients[0].number);
  EXPECT_EQ(item.coefficients[1].calculation, "14,196 x 1,1 =");
  ASSERT_TRUE(item.total);
  EXPECT_EQ(item.total->caption, "ИТОГО по п.1");
  EXPECT_DOUBLE_EQ(item.total->amount, 15.615);
  EXPECT_EQ(item.cost, 1.1 * 14.196);
}

TEST(EstimateFigures, EachPricingModeGetsItsLines) {
  Estimate estimate;
  AddItem(estimate, PricingMode::ConstructionCost, 50);
  AddItem(estimate, PricingMode::TypedCost, 12.3456, {{"К", 2}});  // coefficients of a typed cost are ignored
  AddItem(estimate, PricingMode::ShareOfItem, 100, {{"К(т.р.)", 0.15}, {"К", 2}});
  AddItem(estimate, PricingMode::ShareOfItem, 40.0005);
  AddItem(estimate, PricingMode::UserTable, 7);
  const EstimateFigures figures = Compute(estimate);

  const ItemFigures& construction = figures.items.at(0);
  EXPECT_EQ(construction.head->reference, "Общие и методические указания. Раздел Б. Табл. А.1 ");
  EXPECT_TRUE(construction.coefficients.empty());
  EXPECT_FALSE(construction.total);
  EXPECT_EQ(construction.cost, 50);

  const ItemFigures& typed = figures.items.at(1);
  EXPECT_EQ(typed.head->number, " 2");
  EXPECT_EQ(typed.head->title, "Объект 2");
  EXPECT_FALSE(typed.head->reference);
  EXPECT_FALSE(typed.head->calculation);
  ASSERT_TRUE(std::holds_alternative<double>(typed.head->amount));  // a number a spreadsheet can sum
  EXPECT_EQ(std::get<double>(typed.head->amount), 12.3456);
  EXPECT_TRUE(typed.coefficients.empty());
  EXPECT_FALSE(typed.total);
  EXPECT_EQ(typed.cost, 12.3456);

  const ItemFigures& share = figures.items.at(2);
  EXPECT_FALSE(share.head);
  EXPECT_EQ(share.coefficients.at(0).number, " 3");
  EXPECT_FALSE(share.coefficients.at(1).number);
  EXPECT_EQ(share.total->caption, "ИТОГО по п.3");
  EXPECT_DOUBLE_EQ(share.cost, 30);

  const ItemFigures& bareShare = figures.items.at(3);
  EXPECT_EQ(bareShare.head->number, " 4");
  EXPECT_EQ(bareShare.head->title, "Объект 4");
  EXPECT_EQ(std::get<double>(bareShare.head->amount), 40);
  EXPECT_FALSE(bareShare.total);
  EXPECT_EQ(bareShare.cost, 40.0005);

  // The user's own table names only what the user called it.
  EXPECT_EQ(figures.items.at(4).head->reference, "Табл. 2.1, п. 3");
  EXPECT_EQ(figures.items.at(4).head->number, " 5");
}

TEST(EstimateFigures, TotalLineForNoneOneAndSeveralItems) {
  Estimate estimate;
  EXPECT_FALSE(Compute(estimate).total.calculation);
  EXPECT_EQ(Compute(estimate).total.number, " 1");

  AddItem(estimate, PricingMode::NormTable, 10.0009);
  EstimateTotalLine total = Compute(estimate).total;
  EXPECT_EQ(std::get<double>(*total.calculation), 10);
  EXPECT_EQ(total.SumRazd, 10);
  EXPECT_EQ(total.caption, "Стоимость в текущих ценах по п.п. 1- 1");

  AddItem(estimate, PricingMode::NormTable, 2.5, {{"К", 1.5}});
  total = Compute(estimate).total;
  EXPECT_EQ(TextOf(*total.calculation), "10 + 3,75 = ");
  EXPECT_DOUBLE_EQ(total.SumRazd, 13.75);
  EXPECT_EQ(total.number, " 3");
}

TEST(EstimateFigures, ChargesOfTheShippedRatesNumberedAfterTheTotal) {
  Estimate estimate;
  AddItem(estimate, PricingMode::NormTable, 1000);
  const EstimateFigures figures = Compute(estimate);
  ASSERT_EQ(figures.charges.size(), 8u);
  const ChargeLine& profitability = figures.charges[0];
  EXPECT_EQ(profitability.number, " 3");
  EXPECT_EQ(std::get<double>(profitability.calculation), 33.6);
  EXPECT_FALSE(profitability.amount);
  EXPECT_EQ(figures.charges[1].caption, "База для расчета в инновационный фонд");
  EXPECT_EQ(TextOf(figures.charges[1].calculation), "1000  - (1000 x 33,6) / (100 + 33,6)");
  EXPECT_EQ(figures.charges[2].caption, "Отчисления в инновационный фонд, % -  4.5");
  EXPECT_EQ(figures.charges[3].caption, "Отчисления в фонд стройнауки, % - 0,5");
  EXPECT_EQ(figures.charges[7].number, " 10");
  EXPECT_TRUE(figures.charges[4].amount && *figures.charges[4].amount == 21.171);
  EXPECT_NEAR(figures.costWithoutVat, 1058.595, 1e-9);
  EXPECT_NEAR(figures.SumNds, 1058.595 * 0.18, 1e-9);
  EXPECT_NEAR(figures.SumAll, 1249.142, 1e-9);
  EXPECT_EQ(figures.charges[4].chargeRow, charge_row::kAgriculture);
  EXPECT_FALSE(figures.charges[4].emphasised);
  // The VAT row's three lines; the first and the last stand out.
  for (std::size_t i = 5; i < 8; ++i) EXPECT_EQ(figures.charges[i].chargeRow, charge_row::kVat);
  EXPECT_TRUE(figures.charges[5].emphasised && figures.charges[7].emphasised);
  EXPECT_FALSE(figures.charges[6].emphasised);
  EXPECT_EQ(figures.charges[7].amount, figures.SumAll);
  EXPECT_NEAR(figures.chargeAmounts[charge_row::kInnovationFund], 33.68263, 1e-5);
  EXPECT_EQ(figures.chargeAmounts[charge_row::kVat], 0);
}

// An item of one thousand roubles: the sheet shows 1,247 in all (1,057
// without VAT and 0,19 VAT), but the binary sum lies a hair below 1,247.
TEST(EstimateFigures, WordsNameTheRoublesTheSheetShows) {
  Estimate estimate;
  AddItem(estimate, PricingMode::NormTable, 1);
  const EstimateFigures figures = Compute(estimate);
  EXPECT_EQ(GeneralForm(figures.SumAll), "1,247");
  ASSERT_LT(figures.SumAll * 1000, 1247);  // the case the words must round up
  EXPECT_EQ(figures.wordsLine,
            "Всего по смете: 1247 (Одна тысяча двести сорок семь ) руб., в том числе НДС  - 190 (Сто девяносто ) "
            "руб.");
}

TEST(EstimateFigures, BothSpareRowsEnterTheCostWithoutVat) {
  struct Case {
    int row;
    std::string formula;
  };
  const Case cases[] = {
      {charge_row::kSpare1, "1000 + 33,682 + 3,742 + 21,171 + 7,485="},
      {charge_row::kSpare2, "1000 + 33,682 + 3,742 + 21,171 + 7,485="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    Estimate estimate;
    AddItem(estimate, PricingMode::NormTable, 1000);
    GeneralData general = ShippedGeneralData();
    general.charges[static_cast<std::size_t>(c.row)] = {true, 1, "Резерв, %"};
    const EstimateFigures figures = Compute(estimate, general);
    const ChargeLine* spare = LineOf(figures, "Резерв, % - 1");
    ASSERT_NE(spare, nullptr);
    EXPECT_EQ(TextOf(spare->calculation), "748,502 x 1 / 100 =");
    EXPECT_DOUBLE_EQ(*spare->amount, 7.485);
    EXPECT_EQ(spare->chargeRow, c.row);
    const ChargeLine* withoutVat = LineOf(figures, "Стоимость проектных работ без НДС");
    ASSERT_NE(withoutVat, nullptr);
    EXPECT_EQ(TextOf(withoutVat->calculation), c.formula);
    EXPECT_NEAR(figures.costWithoutVat, 1066.08, 1e-9);
    EXPECT_NEAR(*withoutVat->amount, 1066.08, 1e-9);
  }
}

TEST(EstimateFigures, AgricultureFundGrossesUpTheTotalAndTheFundsThatAreOn) {
  struct Case {
    bool innovation;
    bool science;
    std::string formula;
    double amount;
  };
  const Case cases[] = {
      {true, true, "(1000 + 33,682 + 3,742) x 2 / (100 - 2) =", 21.171},
      {true, false, "(1000 + 33,682) x 2 / (100 - 2) =", 21.095},
      {false, true, "(1000 + 3,742) x 2 / (100 - 2) =", 20.484},
      {false, false, "1000 x 2 / (100 - 2) =", 20.408},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    Estimate estimate;
    AddItem(estimate, PricingMode::NormTable, 1000);
    GeneralData general = ShippedGeneralData();
    general.charges[charge_row::kInnovationFund].included = c.innovation;
    general.charges[charge_row::kConstructionScience].included = c.science;
    const EstimateFigures figures = Compute(estimate, general);
    const ChargeLine* line = LineOf(figures, "Отчисления в фонд под. с/х, % - 2");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(TextOf(line->calculation), c.formula);
    EXPECT_DOUBLE_EQ(*line->amount, c.amount);
  }
}

TEST(EstimateFigures, FundsWithoutTheirBaseRowAreZero) {
  Estimate estimate;
  AddItem(estimate, PricingMode::NormTable, 1000);
  GeneralData general = ShippedGeneralData();
  general.charges[charge_row::kDeductionBase].included = false;
  const EstimateFigures figures = Compute(estimate, general);
  const ChargeLine* innovation = LineOf(figures, "Отчисления в инновационный фонд");
  ASSERT_NE(innovation, nullptr);
  EXPECT_EQ(TextOf(innovation->calculation), "0 x  4.5 / 100 =");
  EXPECT_EQ(*innovation->amount, 0);
}

TEST(EstimateFigures, PayOutVariant) {
  Estimate estimate;
  AddItem(estimate, PricingMode::NormTable, 1000.0004);
  PayOutPercentages percentages;
  EstimateFigures figures = ComputeEstimateFigures(estimate, ShippedGeneralData(), true, percentages);
  ASSERT_EQ(figures.payOut.size(), 2u);
  EXPECT_EQ(figures.payOut[0].caption, "Стоимость раздела ");
  EXPECT_EQ(figures.payOut[0].calculation, "0,15 x 1000");
  EXPECT_EQ(figures.payOut[0].amount, 150);
  EXPECT_EQ(figures.payOut[1].caption, "Зарплата ");
  EXPECT_EQ(figures.payOut[1].calculation, "0,7 x 150");
  EXPECT_EQ(figures.payOut[1].amount, 105);
  EXPECT_TRUE(figures.charges.empty());
  EXPECT_EQ(figures.SumAll, 0);
  EXPECT_EQ(figures.SumNds, 0);
  EXPECT_EQ(figures.wordsLine, "Всего по смете: ");
  EXPECT_EQ(figures.signatures.size(), 2u);

  percentages.section = "12,5";
  figures = ComputeEstimateFigures(estimate, ShippedGeneralData(), true, percentages);
  EXPECT_EQ(figures.payOut[0].calculation, "0,125 x 1000");
  EXPECT_EQ(figures.payOut[0].amount, 125);

  for (const char* notANumber : {"", "семьдесят", "1,2,3"}) {
    percentages.kopecks = notANumber;
    EXPECT_THROW(ComputeEstimateFigures(estimate, ShippedGeneralData(), true, percentages), std::invalid_argument)
        << notANumber;
  }
  // The percentages are read only in the pay-out variant.
  EXPECT_NO_THROW(ComputeEstimateFigures(estimate, ShippedGeneralData(), false, percentages));
}

TEST(EstimateFigures, SignatoriesThatAreOnInTheirOrder) {
  GeneralData general = ShippedGeneralData();
  general.signatories[0].on = false;
  general.signatories[2] = {true, "Директор", "И.И. Иванов"};
  const EstimateFigures figures = Compute(Estimate{}, general);
  ASSERT_EQ(figures.signatures.size(), 2u);
  EXPECT_EQ(figures.signatures[0].post, "Зам. директора по экономике");
  EXPECT_EQ(figures.signatures[1].name, "И.И. Иванов");
}

TEST(EstimateFigures, HeaderTextsAreTrimmedAndTheObjectNameJoined) {
  const HeaderTexts header = CleanHeaderTexts(" 2008/11 ", " 12-06-2026", {"  Жилой дом \r\n по ул. Новой \r\n",
                                                                             " ООО \"Кварцтехлит\" ", "\tОАО "});
  EXPECT_EQ(header.contractNumber, "2008/11");
  EXPECT_EQ(header.contractDate, "12-06-2026");
  EXPECT_EQ(header.objectName, "Жилой домпо ул. Новой");
  EXPECT_EQ(header.designOrganisation, "ООО \"Кварцтехлит\"");
  EXPECT_EQ(header.customerOrganisation, "\tОАО");  // only blanks are trimmed
  EXPECT_EQ(CleanHeaderTexts("", "", {"a\nb\rc", "", ""}).objectName, "abc");
}

}  // namespace
}  // namespace verdin
