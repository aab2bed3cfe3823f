// The whole typical road through the real windows: start, price three
// items, save through the save chooser, delete all, open through the open
// chooser, and compare the rebuilt list and total with what was saved; the
// written workbook is read back with an independent reader.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include "app/desktop_session.h"
#include "core/text_forms.h"
#include "demo_settings.h"
#include "windows/window_test_support.h"
#include "xls_readback.h"

namespace verdin {
namespace {

using namespace testing::windows;

class TypicalRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder_ / "Isx");
    session_ = std::make_unique<DesktopSession>(testing::WriteDemoSettings(folder_.path(), folder_ / "Isx"),
                                                messages_);
    session_->Show();
    session_->program().frmKoeff.chkKoeff.fill(false);
    session_->program().frmKoeff.chkKoeff[1] = true;  // К(обл.) 1,1
    session_->RefreshAll();
  }

  QWidget* Main() { return &session_->frm1(); }
  void Choose(const char* combo, int index) {
    auto* box = Find<QComboBox>(Main(), combo);
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
  void Type(const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(Main(), name);
    edit->setText(text);
    emit edit->textEdited(text);
  }

  testing::TempFolder folder_;
  RecordingMessages messages_;
  std::unique_ptr<DesktopSession> session_;
};

TEST_F(TypicalRoad, PriceSaveDeleteAllOpen) {
  // A norm table, the percentage of the construction cost, a share of item 1.
  Choose("cboTab", 3);
  Type("txtKolic", "4200");
  Type("txtZd", "Административное здание");
  Click(Main(), "cmdOk");
  Click(Main(), "cmdDob");
  Choose("cboTab", 2);
  Type("txtKolic", "12,5");
  Type("txtZd", "Наружные сети");
  Click(Main(), "cmdOk");
  Click(Main(), "cmdDob");
  Find<QCheckBox>(Main(), "chkProcent")->click();
  Type("txtProcent", "1");
  Type("txtZd", "Доля от первого объекта");
  Click(Main(), "cmdOk");
  Click(Main(), "cmdDob");
  ASSERT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
  auto* names = Find<QListWidget>(Main(), "lstZd(0)");
  auto* costs = Find<QListWidget>(Main(), "lstZd(1)");
  ASSERT_EQ(names->count(), 3);
  const QString total = Find<QLineEdit>(Main(), "txtSym")->text();
  QStringList savedCosts;
  for (int row = 0; row < costs->count(); ++row) savedCosts << costs->item(row)->text();

  // Save through the save chooser into the input-data folder.
  WhenModal([](QDialog* dialog) {
    TypeInto(Find<QLineEdit>(dialog, "NameFile"), Q("смета"));
    Click(dialog, "cmdOk");
  });
  Click(Main(), "cmdSave");
  const auto isx = folder_ / "Isx" / "смета.isx";
  const auto xls = folder_ / "Isx" / "смета.xls";
  ASSERT_TRUE(std::filesystem::exists(isx));
  ASSERT_TRUE(std::filesystem::exists(xls));
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_EQ(messages_.Shown()[0].title, "Подтверждение записи");
  EXPECT_EQ(messages_.Shown()[0].text, "Исходные данные и результаты записаны .");

  // The workbook read back: its total cost equals what the program computed.
  const testing::Json dump = testing::Dump(xls);
  double totalRow = 0;
  for (const auto& cell : dump["cells"].items) {
    if (cell["type"].text == "s" && cell["value"].text == "Стоимость в текущих ценах по п.п. 1- 3") totalRow = cell["row"].number;
  }
  ASSERT_GT(totalRow, 0);
  for (const auto& cell : dump["cells"].items) {
    if (cell["row"].number == totalRow && cell["column"].number == 5) {
      EXPECT_NEAR(cell["value"].number, *ParseTypedNumber(total.toStdString()), 0.0015);
    }
  }

  // Delete all, then open through the open chooser.
  messages_.Clear();
  messages_.Answer(true);
  Click(Main(), "cmdDelZd");
  ASSERT_EQ(names->count(), 0);
  WhenModal([](QDialog* dialog) {
    ClickFile(dialog, "смета.isx");
    Click(dialog, "CmdOk");
  });
  Click(Main(), "cmdOpen");
  ASSERT_EQ(names->count(), 3);
  EXPECT_EQ(names->item(2)->text(), "3. Доля от первого объекта");
  QStringList openedCosts;
  for (int row = 0; row < costs->count(); ++row) openedCosts << costs->item(row)->text();
  EXPECT_EQ(openedCosts, savedCosts);
  EXPECT_EQ(Find<QLineEdit>(Main(), "txtSym")->text(), total);
  EXPECT_TRUE(messages_.Shown().empty());
}

TEST_F(TypicalRoad, PayOutSwitchNeedsSomethingPriced) {
  auto* chkW = Find<QCheckBox>(Main(), "chkW");
  chkW->click();
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_EQ(messages_.Shown()[0].text, "Ничего не рассчитано!!!");
  EXPECT_EQ(messages_.Shown()[0].title, "Ошибка ввода!!");
  EXPECT_FALSE(chkW->isChecked());
  Type("txtKolic", "4200");
  Click(Main(), "cmdOk");
  chkW->click();
  EXPECT_TRUE(session_->frmW().isVisible());
  EXPECT_TRUE(chkW->isChecked());
  session_->frmW().close();
  EXPECT_FALSE(chkW->isChecked());
}

TEST_F(TypicalRoad, ConstructionCostWindowIsReachableAndHandsItsCost) {
  Click(Main(), "cmdSMR");
  QWidget* smr = &session_->frmSMR();
  ASSERT_TRUE(smr->isVisible());
  TypeInto(Find<QLineEdit>(smr, "txt1"), Q("12,5"));
  TypeInto(Find<QLineEdit>(smr, "txt2"), Q("3"));
  Click(smr, "cmdOk");
  EXPECT_FALSE(Find<QLineEdit>(smr, "txtS")->text().isEmpty());
  Choose("cboTab", 5);  // another table selected: the hand-over selects the user table itself
  Click(smr, "cmdGl");
  EXPECT_EQ(Find<QComboBox>(Main(), "cboTab")->currentIndex(), 0);
  EXPECT_EQ(Find<QLineEdit>(Main(), "txtNp")->text(), "Объект");
  EXPECT_EQ(Find<QLineEdit>(Main(), "txtKolic")->text(), "1");
  EXPECT_EQ(Find<QLineEdit>(Main(), "txtV(1)")->text(), "1");
  EXPECT_EQ(Find<QLineEdit>(Main(), "txtSt(1)")->text().toStdString(), GeneralForm(session_->program().frmSMR.StProekt));
  // "Рассчитать" prices the handed cost, not the table chosen before.
  Click(Main(), "cmdOk");
  EXPECT_EQ(Find<QLineEdit>(Main(), "txtStBaz")->text().toStdString(),
            GeneralForm(TruncateToThousandths(session_->program().frmSMR.StProekt)));
}

// The calculator windows hidden at start-up are built on first use and
// then show the model as it stands; switching the pay-out off before its
// window was ever built leaves the box off and builds nothing.
TEST_F(TypicalRoad, HiddenWindowsAreBuiltOnFirstUse) {
  const auto topLevel = [](const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == name) return true;
    }
    return false;
  };
  for (const char* name : {"frmV", "frmW", "frmSMR"}) EXPECT_FALSE(topLevel(name)) << name;
  for (const char* name : {"frm1", "frmKoeff", "frmObD"}) EXPECT_TRUE(topLevel(name)) << name;

  auto* chkW = Find<QCheckBox>(Main(), "chkW");
  chkW->click();  // nothing priced: refused with a message, no window
  EXPECT_FALSE(chkW->isChecked());
  EXPECT_FALSE(topLevel("frmW"));

  session_->program().frmV.txtKol[2] = "7";
  QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Find<QLineEdit>(Main(), "txtKolic"), &doubleClick);
  ASSERT_TRUE(topLevel("frmV"));
  EXPECT_TRUE(session_->frmV().isVisible());
  EXPECT_EQ(Find<QLineEdit>(&session_->frmV(), "txtKol(2)")->text(), "7");
}

// After an add the box, the model and the pay-out window agree, and the
// window shows the new total.
TEST_F(TypicalRoad, PayOutStaysOnAndFollowsTheAdd) {
  auto* chkW = Find<QCheckBox>(Main(), "chkW");
  Type("txtKolic", "4200");
  Click(Main(), "cmdOk");
  Click(Main(), "cmdDob");
  chkW->click();
  ASSERT_TRUE(session_->frmW().isVisible());
  const QString before = Find<QLineEdit>(&session_->frmW(), "txt1(0)")->text();
  Type("txtKolic", "5000");
  Click(Main(), "cmdOk");
  Click(Main(), "cmdDob");
  EXPECT_TRUE(chkW->isChecked());
  EXPECT_TRUE(session_->program().frm1.chkW);
  EXPECT_TRUE(session_->frmW().isVisible());
  EXPECT_NE(Find<QLineEdit>(&session_->frmW(), "txt1(0)")->text(), before);
}

}  // namespace
}  // namespace verdin
