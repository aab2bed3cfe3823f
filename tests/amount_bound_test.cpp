// Numbers beyond the amount bound (1E15) or not finite: the typed fields of
// the windows and calculators refuse them with a message naming the field,
// the calculate and add commands price and add nothing, the estimate
// figures throw, and the save writes neither the workbook nor the input
// data, leaving the earlier workbook byte for byte as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/amount_bound.h"
#include "core/cost_chain.h"
#include "core/line_file.h"
#include "estimate_records.h"
#include "forms/calculator_forms.h"
#include "forms/construction_cost_form.h"
#include "forms/save_estimate.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(AmountBound, TypedValuesBeyondTheBoundAreNamedWithTheirField) {
  struct Case {
    const char* typed;
    bool refused;
  };
  for (const Case& c : std::vector<Case>{{"1E15", false},
                                         {"-1000000000000000", false},
                                         {"1,5", false},
                                         {"1,0000000001E15", true},
                                         {"-2E15", true},
                                         {"1E308", true},
                                         {"1,7976931348623157E308", true},
                                         {"abc", false},
                                         {"", false}}) {
    const auto problem = TypedAmountProblem("Количество", c.typed);
    EXPECT_EQ(problem.has_value(), c.refused) << c.typed;
  }
  EXPECT_EQ(*TypedAmountProblem("Количество", " 1E308 "),
            "Значение «1E308» в поле «Количество» слишком велико: допускается число не больше 1E+15 по "
            "абсолютной величине.");
  for (const double value : {kInfinity, -kInfinity, kNaN, 1.0000001e15}) EXPECT_FALSE(WithinAmountBound(value));
  for (const double value : {0.0, -1e15, 1e15, 123.456}) EXPECT_TRUE(WithinAmountBound(value));
}

// ---- Calculate and add ---------------------------------------------------

class AmountBoundMainWindow : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
  }
};

struct CalculateCase {
  const char* name;
  std::function<void(MainContext&, MainForm&, CoefficientForm&)> prepare;
  const char* message;  // a part of the message
};

TEST_F(AmountBoundMainWindow, CalculateRefusesNumbersBeyondTheBoundAndChangesNothing) {
  const auto select = [](MainContext& ctx, int entry, int row) {
    SelectTable(ctx, entry);
    if (row >= 0) SelectRow(ctx, row, false);
  };
  const std::vector<CalculateCase> cases = {
      {"quantity", [&](auto& ctx, auto& f, auto&) { select(ctx, 3, 0); f.txtKolic = "1E308"; },
       "Значение «1E308» в поле «Количество» слишком велико: допускается число не больше 1E+15"},
      {"quantity of a row without points", [&](auto& ctx, auto& f, auto&) { select(ctx, 3, 2); f.txtKolic = "2E15"; },
       "в поле «Количество» слишком велико"},
      {"construction cost", [&](auto& ctx, auto& f, auto&) { select(ctx, 2, -1); f.txtKolic = "1E16"; },
       "в поле «Цсмр, млн.руб» слишком велико"},
      {"base price beyond the bound", [&](auto& ctx, auto& f, auto&) { select(ctx, 3, 0); f.txtKolic = "1E14"; },
       "получилась больше 1E+15 по абсолютной величине или не числом: объект не рассчитан. Проверьте количество и значения пункта"},
      {"dollar rate", [&](auto& ctx, auto& f, auto&) { select(ctx, 3, 0); f.txtKolic = "3000"; f.txtStd = "1E16"; },
       "Значение «1E16» в поле «То же в $ при 1$=» слишком велико"},
      {"dollar amount", [&](auto& ctx, auto& f, auto&) { select(ctx, 3, 0); f.txtKolic = "3000"; f.txtStd = "1E-300"; },
       "Стоимость в долларах при курсе «1E-300» получилась больше 1E+15"},
      {"coefficient value",
       [&](auto& ctx, auto& f, auto& k) {
         select(ctx, 3, 0);
         f.txtKolic = "3000";
         k.chkKoeff[2] = true;
         k.txtKoeffK[2] = "5E15";
       },
       "значение «5E15» слишком велико"},
      {"coefficient product",
       [&](auto& ctx, auto& f, auto& k) {
         select(ctx, 3, 0);
         f.txtKolic = "3000";
         for (int m = 2; m < 5; ++m) {
           k.chkKoeff[static_cast<std::size_t>(m)] = true;
           k.txtKoeffK[static_cast<std::size_t>(m)] = "1E15";
         }
       },
       "Стоимость объекта получилась больше 1E+15"},
      {"user table point",
       [&](auto& ctx, auto& f, auto&) {
         select(ctx, 0, -1);
         f.txtV[1] = "1";
         f.txtSt[1] = "1E300";
         f.txtKolic = "1";
       },
       "В строке 1 таблицы значение «1E300» в графе «Стоимость» слишком велико"},
  };
  for (const CalculateCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto ctx = Ctx();
    c.prepare(ctx, form(), koeff());
    form().txtStB = "прежний текст";
    form().txtStBaz = "1";
    form().txtStP = "2";
    form().txtStPd = "3";
    messages_.Clear();
    EXPECT_FALSE(CmdOk(ctx));
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_EQ(messages_.Shown()[0].title, "Ошибка в исходных данных!!");
    EXPECT_TRUE(Contains(messages_.Shown()[0].text, c.message)) << messages_.Shown()[0].text;
    // No figure of an earlier calculation stays to be added.
    EXPECT_TRUE(form().txtStB.empty() && form().txtStBaz.empty() && form().txtStP.empty() && form().txtStPd.empty());
    UntickAll();
    form().txtStd = "2800";
    form().txtV[1].clear();
    form().txtSt[1].clear();
  }
}

TEST_F(AmountBoundMainWindow, CalculateAcceptsTheBoundItself) {
  Calculate(3, 1, "1E15");  // a single point 100; 83,29: the price 8,329E14
  EXPECT_EQ(form().txtStBaz, "832900000000000");
}

TEST_F(AmountBoundMainWindow, AddRefusesFieldsBeyondTheBoundAndAddsNothing) {
  struct Case {
    const char* name;
    std::function<void(MainContext&)> prepare;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"quantity changed after the calculation",
       [&](MainContext&) { Calculate(3, 0, "3000"); form().txtKolic = "1E308"; },
       "в поле «Количество» слишком велико"},
      {"typed cost", [&](MainContext& ctx) { SelectTable(ctx, 1); SetTxtStP(ctx, "2E15"); },
       "Значение «2E15» в поле «Цена с учетом коэффициентов» слишком велико"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto ctx = Ctx();
    c.prepare(ctx);
    messages_.Clear();
    EXPECT_FALSE(CmdDob(ctx));
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_EQ(messages_.Shown()[0].title, "Ошибка записи!!");
    EXPECT_TRUE(Contains(messages_.Shown()[0].text, c.message)) << messages_.Shown()[0].text;
    EXPECT_EQ(state().KolZd(), 0);
    EXPECT_TRUE(form().lstZd[0].empty());
  }
}

TEST_F(AmountBoundMainWindow, TypedCostWithinTheBoundIsAddedAndItsDollarsStayEmptyWhenTooLarge) {
  auto ctx = Ctx();
  SelectTable(ctx, 1);
  form().txtStd = "1E-10";
  SetTxtStP(ctx, "9E14");
  EXPECT_EQ(form().txtStPd, "");  // 9E27 dollars: no figure rather than a wrong one
  Add("Готовая стоимость");
  EXPECT_EQ(state().estimate.items[0].cost, 9e14);
}

// ---- The other windows' typed fields ---------------------------------------

TEST(AmountBoundCalculators, QuantityFactorsAndSumsBeyondTheBoundAreLeftOut) {
  QuantityForm frmV;
  frmV.txtKol = {"2E15", "1", "1", "2", "3", "4", "", "", "", ""};
  QuantityResult result = QuantitySum(frmV);
  EXPECT_EQ(result.text, "24");
  ASSERT_EQ(result.problems.size(), 1U);
  EXPECT_TRUE(Contains(result.problems[0], "В строке 1 множитель «2E15» — слишком большое число")) << result.problems[0];

  frmV.txtKol = {"1E8", "1E8", "1", "", "", "", "", "", "", ""};  // a product of 1E16
  result = QuantitySum(frmV);
  EXPECT_EQ(result.text, "0");
  EXPECT_EQ(result.problems, std::vector<std::string>{"Произведение в строке 1 слишком велико; строка не учтена."});

  MainForm frm1;
  frm1.txtKolic = "5";
  RecordingMessages messages;
  EXPECT_FALSE(QuantityCmdKol(frmV, frm1, messages));
  EXPECT_EQ(frm1.txtKolic, "5");
}

TEST(AmountBoundCalculators, PayOutBoxesBeyondTheBoundGiveNoPayOut) {
  struct Case {
    int box;
    const char* typed;
    const char* message;
  };
  for (const Case& c : std::vector<Case>{{PayOutForm::kKopecks, "1E16", "Число копеек с рубля «1E16» — слишком большое число"},
                                         {PayOutForm::kPercent, "-1E300", "Процент на раздел «-1E300» — слишком большое число"},
                                         {PayOutForm::kPrice, "2 000 000 000 000 000", "Цена в рублях «2 000 000 000 000 000» — слишком большое число"}}) {
    SCOPED_TRACE(c.typed);
    MainForm frm1;
    frm1.txtSym = "100";
    PayOutForm frmW;
    OpenPayOut(frmW, frm1);
    ASSERT_EQ(frmW.txt1[PayOutForm::kPayOut], "10 500");
    frmW.txt1[static_cast<std::size_t>(c.box)] = c.typed;
    RecomputePayOut(frmW);
    EXPECT_EQ(frmW.txt1[PayOutForm::kPayOut], "");
    EXPECT_TRUE(Contains(PayOutProblemText(frmW), c.message)) << PayOutProblemText(frmW);
  }
}

TEST(AmountBoundCalculators, PayOutFromAnItemCostTooLargeInTheSecondCurrencyShowsNoFigure) {
  MainForm frm1;
  frm1.txtStP = "100";
  frm1.txtStPd = "1E300";
  PayOutForm frmW;
  OpenPayOut(frmW, frm1);
  EXPECT_EQ(frmW.txt2[PayOutForm::kPrice], "");
  EXPECT_TRUE(Contains(PayOutProblemText(frmW), "Цена в угрюмых енотах слишком велика.")) << PayOutProblemText(frmW);
}

TEST_F(AmountBoundMainWindow, ConstructionCostBeyondTheBoundIsRefused) {
  ConstructionCostForm cost;
  cost.txt1 = "1E16";
  cost.txt2 = "1";
  EXPECT_FALSE(ConstructionCostCmdOk(cost, state().norms, messages_));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_EQ(messages_.Shown()[0].title, "Ошибка в исходных данных!!");
  EXPECT_EQ(messages_.Shown()[0].text,
            "Значение «1E16» в поле «Стоимость СМР, млн. руб.» слишком велико: допускается число не больше 1E+15 "
            "по абсолютной величине.");
  EXPECT_EQ(cost.StProekt, 0);
  EXPECT_TRUE(cost.txtS.empty());
}

TEST_F(AmountBoundMainWindow, ChargeRateBeyondTheBoundIsRefusedAndNotTaken) {
  obd().chkK[2] = true;
  obd().txtKc[2] = "1E16";
  const auto problem = CheckChargeRates(obd());
  ASSERT_TRUE(problem.has_value());
  EXPECT_TRUE(Contains(*problem, "включено, но его значение «1E16» не является процентом от 0 до 100")) << *problem;
  GeneralData general = testing::ShippedGeneralData();
  TakeObD(obd(), general);
  EXPECT_EQ(general.charges[2].rate, 4.5);  // the earlier rate stays
}

TEST_F(AmountBoundMainWindow, CoefficientBeyondTheBoundIsRefusedByTheCheckButStillMultiplies) {
  // Reopening a file re-prices its items without the check: the product is
  // computed (and later refused by the figures) rather than thrown.
  koeff().chkKoeff[2] = true;
  koeff().txtKoeffK[2] = "1E200";
  ASSERT_TRUE(CheckTickedCoefficients(koeff()).has_value());
  const std::vector<AppliedCoefficient> stored = {{"К(обл.)", 1e200, ""}};
  EXPECT_DOUBLE_EQ(ChainedCost(2, stored), 2e200);
}

// ---- The estimate figures ----------------------------------------------------

TEST(AmountBoundFigures, NumbersThatAreNotSoundAreRefusedNamingTheirPlace) {
  using testing::AddItem;
  using testing::ShippedGeneralData;
  struct Case {
    const char* name;
    std::function<void(Estimate&, GeneralData&)> spoil;
    const char* place;
  };
  const std::vector<Case> cases = {
      {"infinite quantity", [](Estimate& e, GeneralData&) { e.items[1].quantity = kInfinity; },
       "В пункте 2 («Объект 2») значение «количество»"},
      {"typed cost beyond the bound", [](Estimate& e, GeneralData&) { e.items[0].cost = 2e15; },
       "В пункте 1 («Объект 1») значение «стоимость»"},
      {"base amount not a number", [](Estimate& e, GeneralData&) { e.items[1].baseAmount = kNaN; },
       "В пункте 2 («Объект 2») значение «базовая стоимость»"},
      {"coefficient product", [](Estimate& e, GeneralData&) { e.items[1].applied = {{"К1", 1e15, ""}, {"К2", 1e15, ""}}; },
       "В пункте 2 («Объект 2») значение «"},
      {"stored coefficient row", [](Estimate& e, GeneralData&) { e.items[1].coefficientRows[3].value = 1e300; },
       "значение «коэффициент в строке 4»"},
      {"total", [](Estimate& e, GeneralData&) { e.items[0].cost = 9e14; e.items[1].baseAmount = 9e14; e.items[1].cost = 9e14; },
       "В итоге сметы значение «Стоимость в текущих ценах по п.п. 1- 2»"},
      {"agriculture rate of 100", [](Estimate&, GeneralData& g) { g.charges[charge_row::kAgriculture].rate = 100; },
       "В строке отчислений «Отчисления в фонд под. с/х, % - 100»"},
      {"charge rate", [](Estimate&, GeneralData& g) { g.charges[charge_row::kSpare1].rate = -kInfinity; },
       "значение «ставка»"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Estimate estimate;
    AddItem(estimate, PricingMode::TypedCost, 1234.5);
    AddItem(estimate, PricingMode::NormTable, 100, {{"К1", 1.1}});
    GeneralData general = ShippedGeneralData();
    ASSERT_NO_THROW(ComputeEstimateFigures(estimate, general, false, {}));
    c.spoil(estimate, general);
    try {
      ComputeEstimateFigures(estimate, general, false, {});
      ADD_FAILURE() << "no error";
    } catch (const EstimateFiguresError& error) {
      const std::string text = error.what();
      EXPECT_TRUE(Contains(text, c.place)) << text;
      EXPECT_TRUE(Contains(text, "больше 1E+15 по абсолютной величине или не является числом")) << text;
    }
  }
}

TEST(AmountBoundFigures, PayOutPercentagesBeyondTheBoundAreRefused) {
  Estimate estimate;
  testing::AddItem(estimate, PricingMode::TypedCost, 1234.5);
  for (const PayOutPercentages& boxes : {PayOutPercentages{"1E300", "15"}, PayOutPercentages{"70", "-2E15"}}) {
    EXPECT_THROW(ComputeEstimateFigures(estimate, testing::ShippedGeneralData(), true, boxes), EstimateFiguresError);
  }
}

// ---- The save ------------------------------------------------------------------

TEST_F(AmountBoundMainWindow, SaveOfFiguresBeyondTheBoundWritesNothingAndReportsNoSuccess) {
  struct Case {
    const char* name;
    std::function<void()> spoil;
    PayOutPercentages frmW;
    const char* place;
  };
  const std::vector<Case> cases = {
      {"total beyond the bound", [] {}, {}, "В итоге сметы"},
      {"agriculture rate of 100",
       [&] {
         obd().chkK[charge_row::kAgriculture] = true;
         obd().txtKc[charge_row::kAgriculture] = "100";
       },
       {}, "В строке отчислений"},
      {"pay-out percentage", [&] { form().chkW = true; }, {"70", "1E200"}, "В окне расчета выплаты"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Two typed costs, each within the bound, whose sum is not.
    auto ctx = Ctx();
    CmdDelZd(ctx);
    SelectTable(ctx, 1);
    SetTxtStP(ctx, c.place == std::string("В итоге сметы") ? "9E14" : "100");
    Add("Первый");
    Add("Второй");
    c.spoil();
    const fs::path workbook = folder_ / PathFromText("смета.xls");
    const fs::path inputData = folder_ / PathFromText("смета.isx");
    testing::PutBytes(workbook, "прежняя книга");
    const auto entries = testing::FolderEntries(folder_.path());
    messages_.Clear();

    ConfirmedSaveDialog dialog({workbook, PathText(inputData), "Сводка"});
    CaptionOnlyProgress progress;
    EXPECT_FALSE(CmdSave(ctx, dialog, progress, c.frmW));

    EXPECT_EQ(testing::Bytes(workbook), "прежняя книга");
    EXPECT_FALSE(fs::exists(inputData));
    EXPECT_EQ(testing::FolderEntries(folder_.path()), entries);  // no temporary file left
    const auto shown = messages_.Shown();
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].title, "Ошибка записи!!");
    EXPECT_TRUE(Contains(shown[0].text, "Смета не записана в файл")) << shown[0].text;
    EXPECT_TRUE(Contains(shown[0].text, c.place)) << shown[0].text;
    form().chkW = false;
    obd().chkK[charge_row::kAgriculture] = false;
  }
}

}  // namespace
}  // namespace verdin
