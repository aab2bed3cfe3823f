// The "Печать…" button of the main window: where it stands, that it is
// reached from the keyboard and enabled as the save button is, and that it
// hands the preview the sheet the save would build, in the pay-out variant
// while "Для г-на Ш" is on. The preview window itself is replaced by a
// recorder: the modal Qt dialog is not driven here.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <optional>
#include <vector>

#include "forms/calculator_forms.h"
#include "forms/general_data_form.h"
#include "forms/save_estimate.h"
#include "sheet_compare.h"
#include "ui/main_window.h"
#include "windows/window_fixtures.h"

namespace verdin {
namespace {

class PrintButton : public testing::windows::MainWindowWidgetTest {
 protected:
  void SetUp() override {
    MainWindowWidgetTest::SetUp();
    window_->printPreview = [this](const Sheet& sheet) { previews_.push_back(sheet); };
  }

  QPushButton* Button(const char* name) {
    auto* button = window_->findChild<QPushButton*>(name);
    EXPECT_NE(button, nullptr) << name;
    return button;
  }

  // Two typed costs in the estimate.
  void FillEstimate() {
    auto ctx = Ctx();
    SelectTable(ctx, 1);
    SetTxtStP(ctx, "1250");
    Add("Первый");
    SetTxtStP(ctx, "2500,5");
    Add("Второй");
    window_->Refresh();
    messages_.Clear();
  }

  std::vector<Sheet> previews_;
};

TEST_F(PrintButton, StandsBesideTheSaveButtonAndIsReachedByTab) {
  QPushButton* print = Button("cmdPrint");
  QPushButton* save = Button("cmdSave");
  ASSERT_TRUE(print && save);
  EXPECT_EQ(print->text(), QString::fromUtf8("&Печать…"));  // Alt+П
  EXPECT_EQ(print->parentWidget(), save->parentWidget());
  EXPECT_TRUE(print->focusPolicy() & Qt::TabFocus);
  // Tab from the save button comes to the print button next.
  QWidget* next = save->nextInFocusChain();
  while (next != print && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  EXPECT_EQ(next, print);
  // Its shortcut, Ctrl+P, is named in the tool tip.
  EXPECT_TRUE(print->toolTip().contains(QStringLiteral("Ctrl+P")));
}

TEST_F(PrintButton, IsEnabledAsTheSaveButtonIs) {
  QPushButton* print = Button("cmdPrint");
  QPushButton* save = Button("cmdSave");
  ASSERT_TRUE(print && save);
  EXPECT_EQ(print->isEnabled(), save->isEnabled());
  FillEstimate();
  EXPECT_EQ(print->isEnabled(), save->isEnabled());
  auto ctx = Ctx();
  ClickChkProcent(ctx, true);
  window_->Refresh();
  EXPECT_EQ(print->isEnabled(), save->isEnabled());
}

TEST_F(PrintButton, AnEmptyEstimateGivesTheSaveMessageAndNoPreview) {
  Button("cmdPrint")->click();
  EXPECT_TRUE(previews_.empty());
  ASSERT_EQ(messages_.Shown().size(), 1u);
  EXPECT_EQ(messages_.Shown()[0].text, "Ни одного пункта в списке нет!!!");
}

TEST_F(PrintButton, HandsThePreviewTheSheetTheSaveWouldBuild) {
  struct Case {
    const char* what;
    bool chkW;
    bool withoutCharges;  // the answer to the question while chkW is on
  };
  const Case cases[] = {
      {"charges and VAT", false, false},
      {"pay-out switch on, charges kept", true, false},
      {"pay-out variant", true, true},
  };
  FillEstimate();
  program_->frmW.txt1[PayOutForm::kKopecks] = "60";
  program_->frmW.txt1[PayOutForm::kPercent] = "20";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form().chkW = c.chkW;
    window_->Refresh();
    previews_.clear();
    messages_.Clear();
    if (c.chkW) messages_.Answer(c.withoutCharges);
    Button("cmdPrint")->click();
    ASSERT_EQ(previews_.size(), 1u);
    EXPECT_EQ(messages_.Questions().size(), c.chkW ? 1u : 0u);
    EXPECT_TRUE(messages_.Shown().empty());

    CaptionOnlyProgress progress;
    const BuiltEstimate expected = BuildEstimate(state().estimate, GeneralDataOf(obd(), state().general),
                                                 c.withoutCharges, PayOutBoxesOf(program_->frmW), progress);
    testing::ExpectSameSheet(previews_[0], expected.sheet.sheet);
    EXPECT_EQ(testing::SheetHolds(previews_[0], "0,6 x"), c.withoutCharges);
    EXPECT_FALSE(state().BezOtchisl);
  }
}

}  // namespace
}  // namespace verdin
