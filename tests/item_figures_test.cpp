// The figures of an item as the window shows, stores, writes and reports
// them: no quantity of 0, a share not indexed twice, the «№» box read as
// it stands, the cost box following the coefficients, the typed cost a
// number, the reference naming the table that priced the item, the search
// taking the row named, the rates saved as shown, and a save that says
// what it wrote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/estimate_figures.h"
#include "core/norm_loader.h"
#include "core/text_forms.h"
#include "forms/calculator_forms.h"
#include "forms/construction_cost_form.h"
#include "forms/general_data_form.h"
#include "forms/open_estimate.h"
#include "forms/table_search.h"
#include "isx/isx_file.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ItemFigureChecks : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
  }

  // Every message shown since the last Clear, one after another.
  std::string Shown() {
    std::string text;
    for (const auto& entry : messages_.Shown()) text += entry.text + "\n";
    return text;
  }

  // The estimate written and opened again in this run.
  void Reopen() {
    const auto file = folder_ / PathFromText("смета.isx");
    WriteIsx(state().estimate, state().general, file);
    messages_.Clear();
    auto ctx = Ctx();
    ASSERT_TRUE(OpenEstimate(ctx, file));
  }
};

TEST_F(ItemFigureChecks, AQuantityOfZeroIsNotPriced) {
  struct Case {
    int entry;
    const char* field;
  };
  for (const Case& c : {Case{3, "«Количество»"}, Case{0, "«Количество»"}, Case{2, "«Цсмр, млн.руб»"}}) {
    SCOPED_TRACE(c.entry);
    auto ctx = Ctx();
    SelectTable(ctx, c.entry);
    form().txtV[1] = "100";
    form().txtSt[1] = "50";
    form().txtKolic = "0";
    messages_.Clear();
    EXPECT_FALSE(CmdOk(ctx));
    EXPECT_TRUE(Holds(Shown(), c.field) && Holds(Shown(), "больше 0")) << Shown();
    EXPECT_TRUE(form().txtStP.empty());
  }

  // The calculators hand over no quantity of 0.
  QuantityForm quantities;
  form().txtKolic = "5";
  EXPECT_FALSE(QuantityCmdKol(quantities, form(), messages_));
  EXPECT_EQ(form().txtKolic, "5");
  ConstructionCostForm construction;
  construction.txt1 = "0";
  construction.txt2 = "1";
  messages_.Clear();
  EXPECT_FALSE(ConstructionCostCmdOk(construction, state().norms, messages_));
  EXPECT_TRUE(Holds(Shown(), "больше 0")) << Shown();

  // A stored quantity of 0 is priced 0 on open, and the item is named.
  Calculate(3, 0, "3000");
  Add("Пустой");
  state().estimate.items[0].quantity = 0;
  Reopen();
  EXPECT_EQ(state().estimate.items[0].cost, 0);
  EXPECT_TRUE(Holds(Shown(), "объект № 1 («Пустой»)") && Holds(Shown(), "больше 0")) << Shown();
}

TEST_F(ItemFigureChecks, AShareIsNotIndexedTwice) {
  koeff().chkKoeff[kIndexationRow] = true;
  koeff().txtKoeffK[kIndexationRow] = "1,291";
  Calculate(3, 0, "3000");
  Add("Источник");
  const double source = state().estimate.items[0].cost;

  auto ctx = Ctx();
  ClickChkProcent(ctx, true);
  EXPECT_FALSE(koeff().chkKoeff[kIndexationRow]);
  EXPECT_TRUE(koeff().shareMode);
  form().txtProcent = "1";
  ASSERT_TRUE(CmdOk(ctx));
  Add("Доля");
  EXPECT_EQ(state().estimate.items[1].cost, source);

  // Back to the tables: the tick comes back, and the lists show a table
  // and its rows rather than nothing.
  ClickChkProcent(ctx, false);
  EXPECT_TRUE(koeff().chkKoeff[kIndexationRow]);
  EXPECT_FALSE(koeff().shareMode);
  EXPECT_GE(form().cboTabIndex, 0);
  EXPECT_FALSE(form().cboP.empty());
}

TEST_F(ItemFigureChecks, TheAddReadsTheItemNumberBoxAsItStands) {
  Calculate(3, 0, "3000");
  Add("Первый");
  Calculate(3, 1, "100");
  Add("Второй");
  auto ctx = Ctx();
  ClickChkProcent(ctx, true);
  koeff().chkKoeff[10] = true;
  koeff().txtKoeffK[10] = "0,15";
  form().txtProcent = "1";
  ASSERT_TRUE(CmdOk(ctx));
  form().txtProcent = "2";
  Add("Доля");
  const EstimateItem& share = state().estimate.items[2];
  EXPECT_EQ(share.shareSource, 1);
  EXPECT_EQ(share.cost, ShownValue(state().estimate.items[1].cost * 0.15));
}

TEST_F(ItemFigureChecks, TheCostBoxFollowsTheCoefficients) {
  Calculate(3, 0, "3000");
  const std::string before = form().txtStP;
  auto ctx = Ctx();
  koeff().chkKoeff[2] = true;
  koeff().txtKoeffK[2] = "1,5";
  FollowCoefficients(ctx);
  EXPECT_EQ(form().txtStP, GeneralForm(ShownValue(*ParseTypedNumber(before) * 1.5)));
  koeff().txtKoeffK[2] = "полтора";  // cannot be priced: the box empties
  FollowCoefficients(ctx);
  EXPECT_TRUE(form().txtStP.empty());
}

TEST_F(ItemFigureChecks, ATypedCostIsANumberOnTheSheet) {
  auto ctx = Ctx();
  SelectTable(ctx, 1);
  SetTxtStP(ctx, "3750,5");
  Add("Готовая");
  const EstimateFigures figures = ComputeEstimateFigures(state().estimate, state().general, false, {});
  ASSERT_TRUE(figures.items.front().head);
  const Figure& amount = figures.items.front().head->amount;
  ASSERT_TRUE(std::holds_alternative<double>(amount));
  EXPECT_EQ(std::get<double>(amount), 3750.5);
}

TEST_F(ItemFigureChecks, TheReferenceNamesTheTableThatPricedTheItem) {
  Calculate(3, 0, "3000");
  Add("Здание");
  const double cost = state().estimate.items[0].cost;
  state().estimate.items[0].tableTitle = "5.55. Таблица, которой нет";
  Reopen();
  const EstimateItem& item = state().estimate.items[0];
  EXPECT_EQ(item.cost, cost);
  EXPECT_EQ(item.reference, "Табл. 2.1, п. 3");
  EXPECT_TRUE(Holds(Shown(), "объект № 1 («Здание»): таблица «5.55. Таблица, которой нет» не найдена, "
                                   "объект рассчитан по таблице «2.1. Здания»"))
      << Shown();
}

TEST_F(ItemFigureChecks, ASaveWithoutInputDataSaysSo) {
  Calculate(3, 0, "3000");
  Add("Здание");
  auto ctx = Ctx();
  CaptionOnlyProgress progress;
  ConfirmedSaveDialog dialog({folder_ / PathFromText("смета.xls"), kInputDataNotSaved, ""});
  messages_.Clear();
  ASSERT_TRUE(CmdSave(ctx, dialog, progress, PayOutPercentages{}));
  EXPECT_TRUE(Holds(Shown(), "Исходные данные не записаны")) << Shown();
  EXPECT_TRUE(Holds(Shown(), "смета.xls")) << Shown();
}

TEST_F(ItemFigureChecks, EveryRateIsCheckedAndSavedAsShown) {
  struct Case {
    const char* typed;
    bool refused;
  };
  for (const Case& c : {Case{"150", true}, Case{"много", true}, Case{"3", false}}) {
    SCOPED_TRACE(c.typed);
    obd().chkK[charge_row::kInnovationFund] = false;
    obd().txtKc[charge_row::kInnovationFund] = c.typed;
    const auto problem = CheckChargeRates(obd());
    EXPECT_EQ(problem.has_value(), c.refused);
    if (problem) {
      EXPECT_TRUE(Holds(*problem, "Отчисления в инновационный фонд")) << *problem;
    } else {
      EXPECT_EQ(GeneralDataOf(obd(), state().general).charges[charge_row::kInnovationFund].rate, 3);
    }
  }
}

// On the demo database, the words of a row's title take that row, before
// a table whose title holds them too.
TEST(DemoTableSearch, EnterTakesTheRowNamed) {
  NormStore store;
  ZagrBaz(VERDIN_DEMO_DATA_DIR, store);
  struct Case {
    const char* typed;
    const char* table;
    const char* row;
  };
  const Case cases[] = {
      {"трансформаторные подстанции", "4.2. Электрические сети и трансформаторные подстанции",
       "3. Трансформаторные подстанции 10/0,4 кВ"},
      {"тепловые сети", "5.3. Котельные и тепловые сети", "2. Тепловые сети подземной канальной прокладки"},
      {"школ", "2.5. Здания учреждений образования", "2. Общеобразовательные школы"},
      {"2.5 школ", "2.5. Здания учреждений образования", "2. Общеобразовательные школы"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const TableSearchResult found = SearchTables(store.tables, c.typed, 3, -1);
    ASSERT_GE(found.firstTable, 0);
    ASSERT_GE(found.firstRow, 0);
    const NormTable& table = store.tables[static_cast<std::size_t>(found.firstTable)];
    EXPECT_EQ(table.title, c.table);
    EXPECT_EQ(table.rows[static_cast<std::size_t>(found.firstRow)].title, c.row);
    EXPECT_EQ(FoundText(store.tables, found), std::string("Enter: «") + c.table + "», «" + c.row + "»");
  }
}

}  // namespace
}  // namespace verdin
