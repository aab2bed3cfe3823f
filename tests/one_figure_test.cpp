// One figure per item from the window to the sheet: over random estimates
// built through the window's commands (every item kind, shares, one to six
// coefficients, moves, deletes and write-backs), every cost of the list is
// the item's «ИТОГО» in the built sheet, the window's total is the sheet's
// «Стоимость в текущих ценах», and a share's printed base is its source's
// cost as the list shows it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/text_forms.h"
#include "forms/main_commands.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

constexpr int kColumnB = 2;
constexpr int kColumnD = 4;
constexpr int kColumnE = 5;

std::string TextAt(const Sheet& sheet, int row, int column) {
  const Cell* cell = sheet.CellAt(row, column);
  const std::string* text = cell != nullptr ? std::get_if<std::string>(&cell->value) : nullptr;
  return text != nullptr ? *text : std::string();
}

std::optional<double> NumberAt(const Sheet& sheet, int row, int column) {
  const Cell* cell = sheet.CellAt(row, column);
  const double* number = cell != nullptr ? std::get_if<double>(&cell->value) : nullptr;
  return number != nullptr ? std::optional<double>(*number) : std::nullopt;
}

class OneFigure : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    form().chkAsave = false;  // a thousand estimates need no copy on disk
  }

  int Pick(int below) { return static_cast<int>(random_() % static_cast<unsigned>(below)); }

  std::string Quantity() { return std::to_string(1 + Pick(9000)) + "," + std::to_string(Pick(1000)); }

  // Coefficients as the collection gives them and odd ones with three decimals.
  std::string CoefficientValue() {
    static const std::vector<std::string> usual = {"1,291", "1,1", "1,3", "1,05", "0,15", "1,312", "0,85", "1,2"};
    if (Pick(2) == 0) return usual[static_cast<std::size_t>(Pick(static_cast<int>(usual.size())))];
    return std::to_string(Pick(2)) + "," + std::to_string(100 + Pick(900));
  }

  // One to six rows ticked with random values; the indexation row stays
  // as the share mode holds it.
  void TickCoefficients() {
    UntickAll();
    for (int n = 1 + Pick(6); n > 0; --n) {
      const int row = Pick(kCoefficientRows);
      if (row == kIndexationRow && koeff().shareMode) continue;
      koeff().chkKoeff[static_cast<std::size_t>(row)] = true;
      koeff().txtKoeffK[static_cast<std::size_t>(row)] = CoefficientValue();
    }
  }

  // Prices the current item and adds it; an item the window refuses is
  // simply not added.
  void CalculateAndAdd(const std::string& name) {
    auto ctx = Ctx();
    form().txtZd = name;
    if (CmdOk(ctx)) CmdDob(ctx);
  }

  // A random quantity and random coefficients for the selected table entry,
  // then priced and added.
  void AddWithRandomQuantity(const std::string& name) {
    form().txtKolic = Quantity();
    TickCoefficients();
    CalculateAndAdd(name);
  }

  void AddFromTable(int entry, int row) {
    auto ctx = Ctx();
    SelectTable(ctx, entry);
    SelectRow(ctx, row, false);
    AddWithRandomQuantity("Норма");
  }

  void AddUserTable() {
    auto ctx = Ctx();
    SelectTable(ctx, 0);
    form().txtV[1] = "100";
    form().txtSt[1] = "50,5";
    form().txtV[2] = "1000";
    form().txtSt[2] = "401,37";
    AddWithRandomQuantity("Своя таблица");
  }

  void AddTypedCost() {
    auto ctx = Ctx();
    SelectTable(ctx, 1);
    SetTxtStP(ctx, std::to_string(Pick(5000)) + "," + std::to_string(Pick(100000)));
    form().txtZd = "Готовая";
    CmdDob(ctx);
  }

  void AddConstructionCost() {
    auto ctx = Ctx();
    SelectTable(ctx, 2);
    form().txtKolic = std::to_string(1 + Pick(12));
    TickCoefficients();
    CalculateAndAdd("От СМР");
  }

  void AddShare(int count) {
    auto ctx = Ctx();
    ClickChkProcent(ctx, true);
    form().txtProcent = std::to_string(1 + Pick(count));
    TickCoefficients();
    CalculateAndAdd("Доля");
    ClickChkProcent(ctx, false);
  }

  void WriteBack(int count) {
    auto ctx = Ctx();
    ClickLstZd(ctx, 0, Pick(count));
    CmdRed(ctx);
    if (!form().chkProcent && form().cboTabIndex != 1) form().txtKolic = Quantity();
    TickCoefficients();
    messages_.Answer(true);
    CalculateAndAdd("Переписанный");
    ClickChkProcent(ctx, false);
  }

  void RandomStep() {
    auto ctx = Ctx();
    const int count = state().KolZd();
    switch (count == 0 ? 0 : Pick(9)) {
      case 0: AddFromTable(3, Pick(2)); break;
      case 1: AddFromTable(4, 0); break;
      case 2: AddUserTable(); break;
      case 3: AddTypedCost(); break;
      case 4: AddConstructionCost(); break;
      case 5: AddShare(count); break;
      case 6: ClickLstZd(ctx, 0, Pick(count)); CmdVerx(ctx, Pick(2)); break;
      case 7: ClickLstZd(ctx, 0, Pick(count)); messages_.Answer(true); CmdDel(ctx); break;
      default: WriteBack(count); break;
    }
    state().NomRed = -1;
    messages_.Clear();
  }

  void NewEstimate() {
    auto ctx = Ctx();
    state().estimate.items.clear();
    state().NomRed = -1;
    ShowEstimateList(ctx);
  }

  // The figures of the window against the sheet the save would write.
  void ExpectTheSheetShowsTheWindowsFigures() {
    CaptionOnlyProgress progress;
    const BuiltEstimate built = BuildEstimate(state().estimate, state().general, false, {}, progress);
    const Sheet& sheet = built.sheet.sheet;
    const std::vector<std::string>& listed = form().lstZd[1];
    int totals = 0;
    bool estimateTotal = false;
    for (int row = 1; row <= sheet.LastRow(); ++row) {
      // The caption is written to D and moves to B when B:D are merged.
      const std::string caption = TextAt(sheet, row, kColumnB) + TextAt(sheet, row, kColumnD);
      if (caption.starts_with("ИТОГО по п.")) {
        const std::size_t item = std::stoul(caption.substr(std::string("ИТОГО по п.").size())) - 1;
        ASSERT_LT(item, listed.size());
        ASSERT_TRUE(NumberAt(sheet, row, kColumnE));
        EXPECT_EQ(listed[item], GeneralForm(*NumberAt(sheet, row, kColumnE))) << caption;
        ++totals;
      }
      if (!listed.empty() && TextAt(sheet, row, kColumnB).starts_with("Стоимость в текущих ценах")) {
        ASSERT_TRUE(NumberAt(sheet, row, kColumnE));
        EXPECT_EQ(form().txtSym, GeneralForm(*NumberAt(sheet, row, kColumnE)));
        estimateTotal = true;
      }
    }
    int chained = 0;
    for (std::size_t i = 0; i < state().estimate.items.size(); ++i) {
      const EstimateItem& item = state().estimate.items[i];
      const ItemFigures& figures = built.figures.items[i];
      if (!item.applied.empty() && item.mode != PricingMode::TypedCost) ++chained;
      if (item.mode == PricingMode::ShareOfItem && !figures.coefficients.empty() && item.shareSource >= 0) {
        const std::string base = listed[static_cast<std::size_t>(item.shareSource)] + " x ";
        EXPECT_TRUE(figures.coefficients.front().calculation.starts_with(base))
            << figures.coefficients.front().calculation << " / " << base;
      }
      if (!figures.total && figures.head) {
        ASSERT_TRUE(std::holds_alternative<double>(figures.head->amount)) << item.name;
        EXPECT_EQ(listed[i], GeneralForm(std::get<double>(figures.head->amount))) << item.name;
      }
    }
    EXPECT_EQ(totals, chained);
    EXPECT_EQ(estimateTotal, !listed.empty());
  }

  std::mt19937 random_{20261209};
};

TEST_F(OneFigure, TheListTheTotalAndTheSheetShowOneFigurePerItem) {
  for (int estimate = 0; estimate < 1000; ++estimate) {
    SCOPED_TRACE("estimate " + std::to_string(estimate));
    NewEstimate();
    for (int step = 3 + Pick(8); step > 0; --step) RandomStep();
    ExpectTheSheetShowsTheWindowsFigures();
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace verdin
