// The quantity window and the pay-out window on the offscreen platform:
// what they show, typing into their boxes, "Передать", the key filter,
// the pay-out from a filled main window, and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <cstdlib>
#include <string>

#include "ui/payout_window.h"
#include "ui/quantity_window.h"

#include "windows/window_test_support.h"

namespace verdin {
namespace {

using namespace testing::windows;

// ---- Quantity window ---------------------------------------------------

class QuantityWindowTest : public ::testing::Test {
 protected:
  QuantityWindowTest()
      : window_(model_, frm1_, messages_, [this] { ++changes_; }) {
    window_.show();
  }

  QLineEdit* Box(int index) {
    auto* edit = window_.findChild<QLineEdit*>(Indexed("txtKol", index));
    EXPECT_NE(edit, nullptr) << index;
    return edit;
  }
  void Transfer() {
    auto* button = window_.findChild<QPushButton*>(QStringLiteral("cmdKol"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), Q("Передать"));
    button->click();
  }
  QLabel* Problem() { return window_.findChild<QLabel*>(QStringLiteral("lblProblem")); }

  QuantityForm model_;
  MainForm frm1_;
  RecordingMessages messages_;
  int changes_ = 0;
  QuantityWindow window_;
};

TEST_F(QuantityWindowTest, ShowsTheBoxesSignsAndHeading) {
  ExpectWindow(window_, "frmV", "Расчет объемов");
  EXPECT_FALSE(window_.isModal());
  const QStringList labels = LabelTexts(&window_);
  EXPECT_TRUE(labels.contains(Q("Расчет объемов")));
  EXPECT_EQ(labels.count(Q("х")), 6);
  EXPECT_EQ(labels.count(Q("+")), 2);
  EXPECT_EQ(labels.count(Q("=")), 1);
  EXPECT_EQ(Box(0)->text(), Q(" "));
  EXPECT_EQ(Box(1)->text(), Q(" "));
  for (int i = 2; i < 9; ++i) EXPECT_EQ(Box(i)->text(), QString()) << i;
  EXPECT_EQ(Box(9)->text(), Q("0"));
  EXPECT_FALSE(Problem()->isVisibleTo(&window_));
}

TEST_F(QuantityWindowTest, TypingRecomputesTheSumAndTransferPassesIt) {
  TypeOver(Box(0), "2");
  EXPECT_EQ(Box(9)->text(), Q("0"));  // the first row is not complete yet
  TypeOver(Box(1), "3");
  TypeText(Box(2), "4");
  EXPECT_EQ(Box(9)->text(), Q("24"));
  TypeText(Box(3), "1");
  TypeText(Box(4), "1");
  TypeText(Box(5), "5");
  EXPECT_EQ(Box(9)->text(), Q("29"));
  EXPECT_EQ(model_.txtKol[9], "29");
  EXPECT_EQ(frm1_.txtKolic, "");
  EXPECT_EQ(changes_, 0);

  Transfer();
  EXPECT_EQ(frm1_.txtKolic, "29");
  EXPECT_EQ(changes_, 1);
  EXPECT_TRUE(window_.isVisible());  // the window stays open
  EXPECT_TRUE(messages_.entries.empty());
}

TEST_F(QuantityWindowTest, RowWithTwoBoxesIsIgnored) {
  TypeOver(Box(0), "2");
  TypeOver(Box(1), "3");
  TypeText(Box(2), "4");
  TypeText(Box(6), "7");
  TypeText(Box(8), "9");
  EXPECT_EQ(Box(9)->text(), Q("24"));
  // Clearing a factor takes its row out again.
  Box(2)->selectAll();
  Press(Box(2), Qt::Key_Backspace, QStringLiteral("\b"));
  EXPECT_EQ(Box(2)->text(), QString());
  EXPECT_EQ(Box(9)->text(), Q("0"));
}

TEST_F(QuantityWindowTest, PeriodBecomesCommaAndLettersBeep) {
  TypeOver(Box(0), "1.5");
  EXPECT_EQ(Box(0)->text(), Q("1,5"));
  TypeText(Box(0), Q("aх-"));
  EXPECT_EQ(Box(0)->text(), Q("1,5"));
  EXPECT_EQ(messages_.Beeps(), 3);
  TypeOver(Box(1), "2");
  TypeText(Box(2), "2");
  EXPECT_EQ(Box(9)->text(), Q("6"));
}

TEST_F(QuantityWindowTest, InitialBlanksAloneDoNotMakeARow) {
  TypeText(Box(2), "5");  // the two blanks of the first row stay
  EXPECT_EQ(Box(9)->text(), Q("0"));
  // A quantity of 0 is not handed to the main window, which would not price it.
  frm1_.txtKolic = "17";
  Transfer();
  EXPECT_EQ(frm1_.txtKolic, "17");
  ASSERT_EQ(messages_.Shown().size(), 1U);
  EXPECT_NE(messages_.Shown()[0].text.find("больше 0"), std::string::npos);
}

TEST_F(QuantityWindowTest, PastedTextIsNamedAndNotPassed) {
  frm1_.txtKolic = "17";
  TypeOver(Box(0), "2");
  TypeOver(Box(1), "2");
  TypeText(Box(2), "2");
  Box(3)->setText(Q("три"));  // pasted: the key filter does not see it
  TypeText(Box(4), "1");
  TypeText(Box(5), "1");
  EXPECT_EQ(Box(9)->text(), Q("8"));
  EXPECT_TRUE(Problem()->isVisibleTo(&window_));
  EXPECT_TRUE(Problem()->text().contains(Q("строке 2")));

  Transfer();
  EXPECT_EQ(frm1_.txtKolic, "17");
  EXPECT_EQ(changes_, 0);
  const auto shown = messages_.Shown();
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0].title, "Ошибка ввода!!");

  Box(3)->setText(Q("3"));
  EXPECT_FALSE(Problem()->isVisibleTo(&window_));
  Transfer();
  EXPECT_EQ(frm1_.txtKolic, "11");
  EXPECT_EQ(changes_, 1);
}

TEST_F(QuantityWindowTest, RefreshShowsTheModel) {
  model_.txtKol = {"1", "2", "3", "", "", "", "", "", "", ""};
  window_.Refresh();
  EXPECT_EQ(Box(0)->text(), Q("1"));
  EXPECT_EQ(Box(9)->text(), Q("6"));
}

// ---- Pay-out window -----------------------------------------------------

class PayOutWindowTest : public ::testing::Test {
 protected:
  PayOutWindowTest() : window_(model_, messages_, [this] { ++closings_; }) {
    frm1_.txtSym = "1234,567";
    frm1_.txtStd = "2800";
  }

  QLineEdit* Box(const char* name, int index) {
    auto* edit = window_.findChild<QLineEdit*>(Indexed(name, index));
    EXPECT_NE(edit, nullptr) << name << index;
    return edit;
  }
  QLabel* Problem() { return window_.findChild<QLabel*>(QStringLiteral("lblProblem")); }

  PayOutForm model_;
  MainForm frm1_;
  RecordingMessages messages_;
  int closings_ = 0;
  PayOutWindow window_;
};

TEST_F(PayOutWindowTest, ShowsColumnsRowLabelsAndInitialBoxes) {
  ExpectWindow(window_, "frmW", "По просьбе г-на Ш");
  const QStringList labels = LabelTexts(&window_);
  for (const char* text : {"В рублях", "В угрюмых енотах", "Цена проектных работ без НДС",
                           "Копеек с рубля на зарплату......", "Процент на твой раздел..............",
                           "К выдаче....................................."}) {
    EXPECT_TRUE(labels.contains(Q(text))) << text;
  }
  EXPECT_EQ(Box("txt1", 1)->text(), Q("70"));
  EXPECT_EQ(Box("txt1", 2)->text(), Q("15"));
  EXPECT_FALSE(Box("txt1", 1)->toolTip().isEmpty());
  EXPECT_EQ(window_.findChild<QLineEdit*>(Indexed("txt2", 1)), nullptr);
  EXPECT_EQ(window_.findChild<QLineEdit*>(Indexed("txt2", 2)), nullptr);
  for (int i : {0, 3}) EXPECT_NE(window_.findChild<QLineEdit*>(Indexed("txt2", i)), nullptr);
}

TEST_F(PayOutWindowTest, OpensOnAFilledMainFormAndThePercentChangesBothPayOuts) {
  window_.Open(frm1_);
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(Box("txt1", 0)->text(), Q("1 234 567"));
  EXPECT_EQ(Box("txt2", 0)->text(), Q("440"));
  EXPECT_EQ(Box("txt1", 3)->text(), Q("129 629"));
  EXPECT_EQ(Box("txt2", 3)->text(), Q("46"));
  EXPECT_FALSE(Problem()->isVisibleTo(&window_));

  TypeOver(Box("txt1", 2), "20");
  EXPECT_EQ(model_.txt1[2], "20");
  EXPECT_EQ(Box("txt1", 3)->text(), Q("172 839"));
  EXPECT_EQ(Box("txt2", 3)->text(), Q("61"));
  EXPECT_EQ(PayOutBoxesOf(model_).section, "20");

  TypeOver(Box("txt1", 1), "100");
  EXPECT_EQ(Box("txt1", 3)->text(), Q("246 913"));
  EXPECT_EQ(Box("txt2", 3)->text(), Q("88"));
}

TEST_F(PayOutWindowTest, ChangingThePriceRecomputesNothingUntilThePercentChanges) {
  window_.Open(frm1_);
  TypeOver(Box("txt1", 0), "2000000");
  EXPECT_EQ(model_.txt1[0], "2000000");
  EXPECT_EQ(Box("txt1", 3)->text(), Q("129 629"));
  TypeOver(Box("txt1", 2), "15,");
  EXPECT_EQ(Box("txt1", 3)->text(), Q("210 000"));
}

TEST_F(PayOutWindowTest, PercentThatIsNotANumberEmptiesThePayOutsAndSaysSo) {
  window_.Open(frm1_);
  TypeOver(Box("txt1", 2), ",");
  EXPECT_EQ(Box("txt1", 3)->text(), QString());
  EXPECT_EQ(Box("txt2", 3)->text(), QString());
  EXPECT_TRUE(Problem()->isVisibleTo(&window_));
  EXPECT_TRUE(Problem()->text().contains(Q("Процент на раздел")));
  TypeText(Box("txt1", 2), "5");
  EXPECT_EQ(Box("txt1", 3)->text(), Q("4 320"));  // 1234567 * 70 * 0,5 / 10000
  EXPECT_FALSE(Problem()->isVisibleTo(&window_));
}

TEST_F(PayOutWindowTest, KeyFilterOnTheBoxes) {
  window_.Open(frm1_);
  TypeOver(Box("txt1", 1), "72.5");
  EXPECT_EQ(Box("txt1", 1)->text(), Q("72,5"));
  TypeText(Box("txt1", 1), Q("%р"));
  EXPECT_EQ(Box("txt1", 1)->text(), Q("72,5"));
  EXPECT_EQ(messages_.Beeps(), 2);
}

TEST_F(PayOutWindowTest, BadRateIsShownInTheWindow) {
  frm1_.txtStd = "0";
  window_.Open(frm1_);
  EXPECT_EQ(Box("txt1", 3)->text(), Q("129 629"));
  EXPECT_EQ(Box("txt2", 0)->text(), QString());
  EXPECT_TRUE(Problem()->isVisibleTo(&window_));
  EXPECT_TRUE(Problem()->text().contains(Q("Курс")));
}


TEST_F(PayOutWindowTest, ClosingCallsTheOwner) {
  window_.Open(frm1_);
  EXPECT_EQ(closings_, 0);
  window_.close();
  EXPECT_FALSE(window_.isVisible());
  EXPECT_EQ(closings_, 1);
  // Opened again, it shows the main window's figures anew.
  frm1_.txtSym = "1000";
  window_.Open(frm1_);
  EXPECT_EQ(Box("txt1", 0)->text(), Q("1 000 000"));
  EXPECT_EQ(Box("txt1", 3)->text(), Q("105 000"));
}

TEST(PayOutWindowPicture, SavedWhenAFolderIsNamed) {
  const char* folder = std::getenv("VERDIN_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "set VERDIN_SCREENSHOTS to a folder to take the pictures";
  PayOutForm model;
  RecordingMessages messages;
  PayOutWindow frmW(model, messages, nullptr);
  MainForm frm1;
  frm1.txtSym = "1234,567";
  frm1.txtStd = "2800";
  frmW.Open(frm1);
  frmW.adjustSize();
  QApplication::processEvents();
  ASSERT_TRUE(frmW.grab().save(QString::fromStdString(std::string(folder) + "/payout.png")));
  model.txt1[2] = "abc";
  RecomputePayOut(model);
  frmW.Refresh();
  frmW.adjustSize();
  QApplication::processEvents();
  ASSERT_TRUE(frmW.grab().save(QString::fromStdString(std::string(folder) + "/payout-problem.png")));

  QuantityForm quantity;
  quantity.txtKol = {"2", "3", "4", "1", "1", "5", "x", "1", "1", ""};
  RecomputeQuantity(quantity);
  QuantityWindow frmV(quantity, frm1, messages, nullptr);
  frmV.show();
  frmV.adjustSize();
  QApplication::processEvents();
  ASSERT_TRUE(frmV.grab().save(QString::fromStdString(std::string(folder) + "/quantity.png")));
}

}  // namespace
}  // namespace verdin
