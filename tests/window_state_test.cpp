// What the windows show after each action: the pay-out switch and its
// window across adds, deletes and an open; the cost handed over by the
// construction-cost window; a table or row change; the notes frame; the
// coefficient rows and the total after an item is taken back; the texts of
// the About box and of the save question.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/progress.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "forms/calculator_forms.h"
#include "forms/construction_cost_form.h"
#include "forms/estimate_list.h"
#include "forms/open_estimate.h"
#include "forms/save_estimate.h"
#include "main_window_fixture.h"

namespace verdin {
namespace {

class WindowStateTest : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UntickAll();
  }

  PayOutForm& payOut() { return program_->frmW; }

  bool SwitchPayOut(bool on) { return ClickChkW(form(), payOut(), on, messages_); }

  // Row `row` of table entry 3 ("2.1. Здания") at `quantity`, added.
  void AddItem(const std::string& name, int row, const std::string& quantity) {
    Calculate(3, row, quantity);
    Add(name);
  }

  // An item of the entry without calculation at the typed cost, added.
  void AddTypedCost(const std::string& name, const std::string& cost) {
    auto ctx = Ctx();
    SelectTable(ctx, 1);
    SetTxtStP(ctx, cost);
    Add(name);
  }

  std::string PayOutPrice() { return payOut().txt1[PayOutForm::kPrice]; }
};

// ---- The pay-out switch -------------------------------------------------

TEST_F(WindowStateTest, PayOutSwitchOnlyStaysOnWithSomethingCalculated) {
  EXPECT_FALSE(SwitchPayOut(true));
  EXPECT_FALSE(form().chkW);
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_EQ(messages_.Shown()[0].text, "Ничего не рассчитано!!!");
  messages_.Clear();

  AddItem("Дом", 1, "100");  // 83,29
  EXPECT_TRUE(SwitchPayOut(true));
  EXPECT_TRUE(form().chkW);
  EXPECT_EQ(PayOutPrice(), "83 290");
  EXPECT_TRUE(messages_.Shown().empty());

  EXPECT_FALSE(SwitchPayOut(false));
  EXPECT_FALSE(form().chkW);
}

// The switch stays on through every change of the list, and the window's
// price follows the total, so the save's question matches what is on
// screen.
TEST_F(WindowStateTest, PayOutFollowsTheTotalWhileTheSwitchStaysOn) {
  AddItem("Дом", 1, "100");
  ASSERT_TRUE(SwitchPayOut(true));

  AddItem("Второй дом", 1, "200");  // 83,29 + 166,58
  EXPECT_TRUE(form().chkW);
  EXPECT_EQ(form().txtSym, "249,87");
  EXPECT_EQ(PayOutPrice(), "249 870");
  EXPECT_EQ(payOut().txt1[PayOutForm::kPayOut], "26 236");  // 10,5 %

  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 0);
  messages_.Answer(true);
  CmdDel(ctx);
  EXPECT_TRUE(form().chkW);
  EXPECT_EQ(PayOutPrice(), "166 580");

  messages_.Answer(true);
  CmdDelZd(ctx);
  EXPECT_TRUE(form().chkW);
  // No total now: the window falls back to the current item's cost.
  EXPECT_EQ(PayOutPrice(), "166 580");
}

TEST_F(WindowStateTest, PayOutShowsTheOpenedEstimate) {
  AddItem("Дом", 1, "100");
  form().chkAsave = true;
  AddItem("Второй дом", 1, "200");
  const auto file = state().FileIsx;
  ASSERT_TRUE(std::filesystem::exists(file));

  form().chkAsave = false;  // the autosave file is what gets opened
  auto ctx = Ctx();
  messages_.Answer(true);
  CmdDelZd(ctx);
  AddItem("Другая смета", 0, "3000");  // 50920,635
  ASSERT_TRUE(SwitchPayOut(true));
  EXPECT_EQ(PayOutPrice(), "50 920 635");

  ASSERT_TRUE(OpenEstimate(ctx, file));
  EXPECT_EQ(form().txtSym, "249,87");
  EXPECT_TRUE(form().chkW);
  EXPECT_EQ(PayOutPrice(), "249 870");
}

// ---- The construction-cost window -----------------------------------------

TEST_F(WindowStateTest, HandedConstructionCostIsWhatGetsPriced) {
  auto ctx = Ctx();
  for (const bool shareMode : {false, true}) {
    SCOPED_TRACE(shareMode ? "share mode on" : "share mode off");
    SelectTable(ctx, 5);  // 2.18, a norm table with its own points
    ASSERT_FALSE(form().txtV[1].empty());
    if (shareMode) ClickChkProcent(ctx, true);
    ConstructionCostForm smr;
    smr.txt1 = "3";
    smr.txt2 = "1";
    // Between 1 and 5 million: 3,9 + (3,1 - 3,9) * (3 - 1) / 4 = 3,5 %.
    ASSERT_TRUE(ConstructionCostCmdOk(smr, state().norms, messages_));

    ConstructionCostCmdGl(smr, ctx);
    EXPECT_EQ(form().cboTabIndex, 0);
    EXPECT_EQ(state().NomTab, 0);
    EXPECT_FALSE(form().chkProcent);
    EXPECT_EQ(form().txtV[1], "1");
    EXPECT_EQ(form().txtSt[1], "105");
    EXPECT_EQ(form().txtV[2], "");
    EXPECT_EQ(form().txtSt[2], "");
    EXPECT_EQ(form().txtKolic, "1");

    ASSERT_TRUE(CmdOk(ctx));
    EXPECT_EQ(form().txtStBaz, "105");
    EXPECT_EQ(form().txtStP, "105");
  }
}

// ---- Table and row changes --------------------------------------------------

TEST_F(WindowStateTest, ATableOrRowChangeClearsThePreviousCalculation) {
  struct Case {
    const char* what;
    void (*change)(MainContext&);
  };
  const std::vector<Case> cases{
      {"another table", [](MainContext& ctx) { SelectTable(ctx, 4); }},
      {"the same table again", [](MainContext& ctx) { SelectTable(ctx, 3); }},
      {"another row", [](MainContext& ctx) { SelectRow(ctx, 0, false); }},
      {"the same row clicked", [](MainContext& ctx) { SelectRow(ctx, 1, false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Calculate(3, 1, "100");
    ASSERT_FALSE(form().txtStB.empty());
    ASSERT_EQ(form().txtStP, "83,29");
    auto ctx = Ctx();
    c.change(ctx);
    EXPECT_EQ(form().txtStB, "");
    EXPECT_EQ(form().txtStBaz, "");
    EXPECT_EQ(form().txtStP, "");
    EXPECT_EQ(form().txtStPd, "");
  }
}

TEST_F(WindowStateTest, AnEmptyUserTableIsNamedNotPricedAtZero) {
  auto ctx = Ctx();
  SelectTable(ctx, 0);
  form().txtKolic = "5";
  form().txtV[2] = "100";  // a row with one cell only does not count
  EXPECT_FALSE(CmdOk(ctx));
  ExpectInputError(
      "Таблица не заполнена: введите в графы «Кол.» и «Стоимость» хотя бы одну строку "
      "(натуральный показатель и его стоимость), затем нажмите «Рассчитать текущий объект».");
  EXPECT_EQ(form().txtStP, "");
  EXPECT_EQ(form().txtStBaz, "");

  form().txtSt[2] = "10";
  EXPECT_TRUE(CmdOk(ctx));
  EXPECT_EQ(form().txtStBaz, "0,5");
}

// ---- Notes ------------------------------------------------------------------

TEST_F(WindowStateTest, NotesShowWithoutTheirFileMarker) {
  struct Case {
    int entry;
    std::string note;
  };
  // The first note of the file carries one extra line of a blank.
  const std::vector<Case> cases{{0, "Примечание 1\r \rтекст 1"}, {3, "Примечание 4\rтекст 4"}, {-1, ""}};
  auto ctx = Ctx();
  for (const Case& c : cases) {
    SelectTable(ctx, c.entry);
    EXPECT_EQ(form().lblPrim, c.note) << c.entry;
  }
}

// ---- An item taken back -------------------------------------------------------

TEST_F(WindowStateTest, EmptyCoefficientRowsShowEmptyAfterTakingBack) {
  koeff().txtKoeffIm[13] = "Особый";
  koeff().txtKoeffK[13] = "0";
  koeff().chkKoeff[14] = false;
  koeff().txtKoeffK[14] = "";
  koeff().txtKoeffIm[14] = "";
  koeff().txtKoeffI[14] = "";
  koeff().txtKoeffP[14] = "";
  AddItem("Дом", 1, "100");
  for (auto& value : koeff().txtKoeffK) value = "9";

  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 0);
  CmdRed(ctx);
  EXPECT_EQ(koeff().txtKoeffK[14], "");      // nothing typed, nothing shown
  EXPECT_EQ(koeff().txtKoeffK[13], "0");     // a named row keeps its 0
  EXPECT_EQ(koeff().txtKoeffK[1], "1,1");    // a value shows as before
}

TEST_F(WindowStateTest, TotalKeepsTheFormOfTheItemsAfterAWriteBack) {
  AddTypedCost("Первый", "1,001");
  AddTypedCost("Второй", "2,002");
  EXPECT_EQ(form().txtSym, "3,003");

  // A save leaves the item costs as the sheet computed them, with more
  // decimals than the list shows.
  state().estimate.items[0].cost = 3546180.236866;
  auto ctx = Ctx();
  ClickLstZd(ctx, 0, 1);
  CmdRed(ctx);
  SetTxtStP(ctx, "2,003");
  messages_.Answer(true);  // write back over item 2
  ASSERT_TRUE(CmdDob(ctx));
  EXPECT_EQ(form().lstZd[1][1], "2,003");
  EXPECT_EQ(form().txtSym, "3546182,239");

  ClickLstZd(ctx, 0, 1);
  messages_.Answer(true);
  CmdDel(ctx);
  EXPECT_EQ(form().txtSym, "3546180,236");
}

TEST(ShownTotal, TruncatesToThousandthsButIgnoresBinaryNoise) {
  struct Case {
    double sum;
    std::string shown;
  };
  const std::vector<Case> cases{
      {1.001 + 2.002, "3,003"},  // 3.0029999999999997 in binary
      {0.1 + 0.2, "0,3"},
      {3546183.238866, "3546183,238"},
      {50920.634 + 83.29 + 166.58, "51170,504"},
      {0.0009, "0"},
      {-1.0005, "-1,001"},  // towards minus infinity, as the items
      {0, "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShownTotal(c.sum), c.shown) << c.sum;
}

// ---- Texts ------------------------------------------------------------------

TEST(AboutBox, NamesAuthorAndVersionAndNoPlaceholderAddress) {
  RecordingMessages messages;
  CmdAb(messages);
  ASSERT_EQ(messages.Shown().size(), 1U);
  const RecordingMessages::Entry box = messages.Shown()[0];
  EXPECT_EQ(box.title, "О программе.");
  EXPECT_EQ(box.icon, MessageIcon::None);
  EXPECT_EQ(box.text, AboutText());
  EXPECT_NE(box.text.find("Программу разработал Нилов К.Т.\rВерсия  1.9\r"), std::string::npos);
  EXPECT_EQ(box.text.find("example"), std::string::npos);
  EXPECT_EQ(std::count(box.text.begin(), box.text.end(), '\r'), 6);
}

TEST_F(WindowStateTest, SaveQuestionOfThePayOutModeIsSpelledRight) {
  AddItem("Дом", 1, "100");
  ASSERT_TRUE(SwitchPayOut(true));
  ConfirmedSaveDialog dialog({folder_ / PathFromText("смета.xls"), kInputDataNotSaved, ""});
  CaptionOnlyProgress progress;
  auto ctx = Ctx();
  messages_.Answer(false);
  CmdSave(ctx, dialog, progress, PayOutBoxesOf(payOut()));
  ASSERT_FALSE(messages_.Questions().empty());
  EXPECT_EQ(messages_.Questions()[0].text,
            "Включен переключатель Для г-на Ш. \rПри этом смета рассчитывается без учета\rотчислений и НДС\r"
            "Нажмите кнопку Да для подтверждения\rНажмите кнопку Нет для расчета с учетом \rотчислений и НДС\r"
            "Нажмите кнопку Отмена, чтобы ничего не делать");
}

// Cancel (and so Esc) on the pay-out question saves nothing and prints
// nothing; before, it went on with the charges.
TEST_F(WindowStateTest, CancelOnThePayOutQuestionSavesAndPrintsNothing) {
  AddItem("Дом", 1, "100");
  ASSERT_TRUE(SwitchPayOut(true));
  const std::filesystem::path workbook = folder_ / PathFromText("смета.xls");
  ConfirmedSaveDialog dialog({workbook, kInputDataNotSaved, ""});
  CaptionOnlyProgress progress;
  auto ctx = Ctx();
  messages_.Clear();
  messages_.AnswerThreeWays(verdin::Answer::Cancel);
  EXPECT_FALSE(CmdSave(ctx, dialog, progress, PayOutBoxesOf(payOut())));
  EXPECT_FALSE(std::filesystem::exists(workbook));
  messages_.AnswerThreeWays(verdin::Answer::Cancel);
  EXPECT_FALSE(CmdPrintEstimate(ctx, progress, PayOutBoxesOf(payOut())));
  EXPECT_EQ(messages_.Questions().size(), 2U);
  EXPECT_TRUE(messages_.Shown().empty());
}

}  // namespace
}  // namespace verdin
