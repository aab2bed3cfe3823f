// One truth for every figure: what the windows add is priced from what they
// store, shares follow their source through write-backs, moves and
// deletes, typed values are refused as the file reader refuses them, and
// every estimate the commands can build reopens to the same costs.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/estimate_figures.h"
#include "core/index.h"
#include "core/line_file.h"
#include "core/item_input.h"
#include "core/text_forms.h"
#include "forms/estimate_list.h"
#include "forms/open_estimate.h"
#include "forms/unsaved_work.h"
#include "isx/isx_file.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

class EstimateConsistency : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
  }

  // Adds row `row` of the first norm table at `quantity` under `name`.
  void AddNorm(const std::string& name, int row, const std::string& quantity) {
    Calculate(3, row, quantity);
    Add(name);
  }

  // Adds a share of item `source` (from 1) with К(т.р.) 0,15.
  void AddShare(const std::string& name, int source) {
    auto ctx = Ctx();
    UntickAll();
    koeff().chkKoeff[10] = true;
    ClickChkProcent(ctx, true);
    form().txtProcent = std::to_string(source);
    ASSERT_TRUE(CmdOk(ctx));
    Add(name);
    ClickChkProcent(ctx, false);
    UntickAll();
  }

  // The cost of item `item`, counted from 0.
  double Cost(int item) { return state().estimate.items.at(At(item)).cost; }

  // The estimate saved and opened in a second run of the program.
  Estimate Reopened() {
    const auto file = folder_ / PathFromText("смета.isx");
    WriteIsx(state().estimate, state().general, file);
    auto other = NewProgram();
    SettingsLocation location;
    location.iniOverride = folder_ / "vb_prog.ini";
    RecordingMessages messages;
    Main(*other, location, messages);
    auto ctx = other->Context(messages);
    EXPECT_TRUE(OpenEstimate(ctx, file));
    return other->state.estimate;
  }

  void ExpectReopensToTheSameCosts() {
    const Estimate reopened = Reopened();
    ASSERT_EQ(reopened.Count(), state().KolZd());
    for (int k = 0; k < reopened.Count(); ++k) EXPECT_EQ(reopened.items[At(k)].cost, Cost(k)) << "item " << k;
    const auto figures = [&](const Estimate& estimate) {
      return ComputeEstimateFigures(estimate, state().general, false, {}).SumAll;
    };
    EXPECT_EQ(figures(reopened), figures(state().estimate));
  }
};

TEST_F(EstimateConsistency, AShareFollowsItsSourceThroughWriteBackMoveAndDelete) {
  AddNorm("Первый", 0, "3000");
  AddNorm("Второй", 1, "100");
  AddShare("Доля первого", 1);
  auto ctx = Ctx();
  // Item 1 taken back, its quantity changed, written back.
  ClickLstZd(ctx, 0, 0);
  CmdRed(ctx);
  form().txtKolic = "3600";
  ASSERT_TRUE(CmdOk(ctx));
  messages_.Answer(true);
  ASSERT_TRUE(CmdDob(ctx));
  EXPECT_EQ(Cost(2), ShownValue(Cost(0) * 0.15));
  EXPECT_EQ(form().lstZd[1][2], GeneralForm(Cost(2)));
  EXPECT_EQ(*ParseTypedNumber(form().txtSym), *ParseTypedNumber(ShownTotal(Cost(0) + Cost(1) + Cost(2))));
  ExpectReopensToTheSameCosts();

  // The source moved down: the share keeps it.
  ClickLstZd(ctx, 0, 0);
  CmdVerx(ctx, 1);
  EXPECT_EQ(state().estimate.items[2].shareSource, 1);
  ExpectReopensToTheSameCosts();

  // Deleting the source asks first and names the share, which is then 0.
  ClickLstZd(ctx, 0, 1);
  messages_.Clear();
  messages_.Answer(true);
  CmdDel(ctx);
  ASSERT_EQ(messages_.Questions().size(), 1U);
  EXPECT_NE(messages_.Questions()[0].text.find("№ 3 («Доля первого»)"), std::string::npos)
      << messages_.Questions()[0].text;
  EXPECT_EQ(Cost(1), 0);
  EXPECT_EQ(state().estimate.items[1].shareSource, -1);
  ExpectReopensToTheSameCosts();
}

TEST_F(EstimateConsistency, TheAddPricesTheInputsItStores) {
  auto ctx = Ctx();
  Calculate(3, 0, "3000");
  const std::string shownFor3000 = form().txtStP;
  form().txtKolic = "4000";  // typed after the calculation
  Add("Без перерасчета");
  const EstimateItem& item = state().estimate.items[0];
  EXPECT_EQ(item.quantity, 4000);
  EXPECT_EQ(item.quantityText, "4000");
  EXPECT_NE(form().txtStP, shownFor3000);
  EXPECT_EQ(GeneralForm(item.cost), form().txtStP);
  ExpectReopensToTheSameCosts();

  // A refused calculation leaves nothing to add.
  form().txtKolic = "abc";
  EXPECT_FALSE(CmdOk(ctx));
  EXPECT_TRUE(form().txtStP.empty());
  EXPECT_FALSE(CmdDob(ctx));
  EXPECT_EQ(state().KolZd(), 1);
}

TEST_F(EstimateConsistency, TypedValuesAreRefusedAsTheFileReaderRefusesThem) {
  struct Case {
    const char* name;
    std::function<void(MainContext&)> type;
    const char* message;  // a part of the refusal; empty when the add goes through
  };
  const std::vector<Case> cases = {
      {"negative typed cost", [](MainContext& ctx) { SelectTable(ctx, 1); SetTxtStP(ctx, "-500"); },
       "не может быть отрицательным"},
      {"typed cost that is no number", [](MainContext& ctx) { SelectTable(ctx, 1); SetTxtStP(ctx, "abc"); },
       "«abc» в поле «Цена с учетом коэффициентов» не является числом"},
      {"empty typed cost", [](MainContext& ctx) { SelectTable(ctx, 1); SetTxtStP(ctx, ""); },
       "Поле «Цена с учетом коэффициентов» не заполнено"},
      {"pasted negative quantity", [this](MainContext&) { Calculate(3, 0, "100"); form().txtKolic = "-5"; },
       "«-5» в поле «Количество» не может быть отрицательным"},
      {"pasted negative coefficient",
       [this](MainContext&) { Calculate(3, 0, "100"); koeff().txtKoeffK[12] = "-1"; },
       "«Значение коэффициента 13» не может быть отрицательным"},
      {"pasted negative grid price",
       [this](MainContext& ctx) {
         SelectTable(ctx, 0);
         form().txtV[1] = "1";
         form().txtSt[1] = "-5";
         form().txtKolic = "1";
         form().txtStP = "1";
       },
       "в графе «Стоимость» отрицательно"},
      {"typed cost with a point", [](MainContext& ctx) { SelectTable(ctx, 1); SetTxtStP(ctx, "1850.5"); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto ctx = Ctx();
    c.type(ctx);
    messages_.Clear();
    const bool added = CmdDob(ctx);
    koeff().txtKoeffK[12].clear();
    if (std::string(c.message).empty()) {
      ASSERT_TRUE(added);
      EXPECT_EQ(state().estimate.items.back().cost, 1850.5);
      EXPECT_EQ(form().lstZd[1].back(), "1850,5");
      continue;
    }
    EXPECT_FALSE(added);
    ASSERT_EQ(messages_.Shown().size(), 1U);
    EXPECT_NE(messages_.Shown()[0].text.find(c.message), std::string::npos) << messages_.Shown()[0].text;
    EXPECT_EQ(state().KolZd(), 0);
  }
  ExpectReopensToTheSameCosts();
}

TEST_F(EstimateConsistency, ACostBelowOneIsAdded) {
  auto ctx = Ctx();
  SelectTable(ctx, 0);
  form().txtV[1] = "1";
  form().txtSt[1] = "0,5";
  form().txtKolic = "1,35";
  ASSERT_TRUE(CmdOk(ctx));
  EXPECT_EQ(form().txtStP, "0,675");
  Add("Мелочь");
  EXPECT_EQ(Cost(0), 0.675);
}

TEST_F(EstimateConsistency, EveryTableSelectionSetsTheIndexationRow) {
  auto ctx = Ctx();
  SelectTable(ctx, 4);
  koeff().txtKoeffK[0] = "1,35";  // edited by hand
  SelectTable(ctx, 3);            // the option stays «Не жилье»
  EXPECT_EQ(koeff().txtKoeffK[0], koeff().txtKi[1]);
}

TEST_F(EstimateConsistency, AnItemWhoseTableIsMissingKeepsItsTable) {
  AddNorm("Первый", 0, "3000");
  EstimateItem& item = state().estimate.items[0];
  item.SetTableListEntry(150);
  item.tableTitle = "9.9. Таблица, которой нет";
  const Estimate reopened = Reopened();
  const EstimateItem& kept = reopened.items[0];
  EXPECT_EQ(kept.mode, PricingMode::NormTable);
  EXPECT_EQ(kept.TableListEntry(), 150);
  EXPECT_EQ(kept.tableTitle, "9.9. Таблица, которой нет");
  EXPECT_EQ(kept.cost, 0);
}

// Items within the bound whose sum lies beyond it are no estimate to open.
TEST_F(EstimateConsistency, AFileWhoseTotalIsBeyondTheBoundIsNotOpened) {
  auto ctx = Ctx();
  for (int item = 0; item < 2; ++item) {
    SelectTable(ctx, 1);
    SetTxtStP(ctx, "9E14");
    Add("Крупный");
  }
  const auto file = folder_ / "крупная.isx";
  WriteIsx(state().estimate, state().general, file);
  AddNorm("Первый", 0, "3000");
  messages_.Clear();
  EXPECT_FALSE(OpenEstimate(ctx, file));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("больше 1E+15"), std::string::npos) << messages_.Shown()[0].text;
  EXPECT_EQ(state().KolZd(), 3);  // the estimate open before stays
}

TEST_F(EstimateConsistency, UnsavedWorkIsAskedAboutAndOfferedBack) {
  state().folders.PathTemp = folder_ / "Temp";
  auto ctx = Ctx();
  int saves = 0;
  const auto save = [&] { ++saves; };
  EXPECT_TRUE(ConfirmExit(ctx, save));  // nothing changed: no question
  EXPECT_TRUE(messages_.Questions().empty());

  AddNorm("Первый", 0, "3000");  // autosave is on from the start
  ASSERT_TRUE(state().unsavedChanges);
  const auto copy = UnsettledAutosave(state());
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(ReadIsx(*copy).items.size(), 1U);

  struct Case {
    Answer answer;
    bool saveSucceeds;
    bool mayEnd;
  };
  for (const Case& c : std::vector<Case>{{Answer::Cancel, false, false},
                                         {Answer::Yes, false, false},
                                         {Answer::Yes, true, true},
                                         {Answer::No, false, true}}) {
    state().unsavedChanges = true;
    messages_.AnswerThreeWays(c.answer);
    EXPECT_EQ(ConfirmExit(ctx, [&] { state().unsavedChanges = !c.saveSucceeds; }), c.mayEnd);
  }
  EXPECT_FALSE(UnsettledAutosave(state()).has_value());  // settled by the exit

  // A move after the last add is in the copy too; a killed program's copy
  // is offered back at the next start.
  AddNorm("Второй", 1, "100");
  ClickLstZd(ctx, 0, 1);
  CmdVerx(ctx, 0);
  auto next = NewProgram();
  SettingsLocation location;
  location.iniOverride = folder_ / "vb_prog.ini";
  RecordingMessages messages;
  Main(*next, location, messages);
  next->state.folders.PathTemp = state().folders.PathTemp;
  auto nextCtx = next->Context(messages);
  ASSERT_TRUE(OfferAutosaveRecovery(nextCtx));
  EXPECT_EQ(next->state.estimate.items[0].name, "Второй");
  EXPECT_TRUE(next->state.unsavedChanges);
}

// Random estimates built through the commands (every item kind, shares,
// moves, deletes and write-backs) reopen to the same costs and total.
TEST_F(EstimateConsistency, RandomEstimatesReopenToTheSameCosts) {
  std::mt19937 random(20261208);
  const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
  auto ctx = Ctx();
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (int step = 0; step < 12; ++step) {
      const int count = state().KolZd();
      messages_.Answer(pick(2) == 0);  // write back or append, when asked
      // An estimate holds at most 50 items: a long one loses one instead.
      switch (count == 0 ? 0 : count >= 40 ? 5 : pick(7)) {
        case 0: AddNorm("Норма", pick(2), std::to_string(50 + pick(9000)) + "," + std::to_string(pick(10))); break;
        case 1: AddShare("Доля", 1 + pick(count)); break;
        case 2: {
          SelectTable(ctx, 1);
          SetTxtStP(ctx, std::to_string(pick(5000)) + "." + std::to_string(pick(1000)));
          Add("Готовая");
          break;
        }
        case 3: Calculate(2, -1, std::to_string(1 + pick(12))); Add("От СМР"); break;
        case 4: ClickLstZd(ctx, 0, pick(count)); CmdVerx(ctx, pick(2)); break;
        case 5: ClickLstZd(ctx, 0, pick(count)); messages_.Answer(true); CmdDel(ctx); break;
        default: {
          ClickLstZd(ctx, 0, pick(count));
          CmdRed(ctx);
          if (!form().chkProcent) form().txtKolic = std::to_string(100 + pick(5000));
          if (CmdOk(ctx)) {
            messages_.Answer(true);
            CmdDob(ctx);
          }
          ClickChkProcent(ctx, false);
          break;
        }
      }
      messages_.Clear();
    }
    for (const EstimateItem& item : state().estimate.items) {
      if (item.mode != PricingMode::ShareOfItem || item.shareSource < 0) continue;
      EXPECT_EQ(item.cost, ShownValue(state().estimate.items[static_cast<std::size_t>(item.shareSource)].cost * 0.15));
    }
    ExpectReopensToTheSameCosts();
  }
}

}  // namespace
}  // namespace verdin
