// The coefficient window and the general-data window on the offscreen
// platform: what they show, what typing, clicking and choosing do to
// their models, the key filters, saving and hiding.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <memory>
#include <string>

#include "core/line_file.h"
#include "ui/coefficient_window.h"
#include "ui/general_data_window.h"
#include "ui/qt_support.h"
#include "test_support.h"
#include "windows/window_test_support.h"

namespace verdin {
namespace {

using namespace testing::windows;

using testing::TempFolder;

template <typename Widget>
Widget* Find(QWidget* window, const QString& name) {
  auto* widget = window->findChild<Widget*>(name);
  EXPECT_NE(widget, nullptr) << name.toStdString();
  return widget;
}

// ---- Coefficient window ----------------------------------------------

class CoefficientWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    norms_.Kotr = {{"Жилищно-гражданское строительство", "1"},
                   {"Промышленность строительных материалов", "1,05"},
                   {"Пищевая промышленность", "1,08"}};
    model_ = LoadCoefficientForm(folder_ / kCoefficientFileName, norms_, messages_);
    window_ = std::make_unique<CoefficientWindow>(model_, norms_, messages_, folder_ / kCoefficientFileName,
                                                  [this] {
                                                    ++changes_;
                                                    window_->Refresh();
                                                  });
  }

  QLineEdit* Edit(const char* name, int index) { return Find<QLineEdit>(window_.get(), Indexed(name, index)); }
  QString Text(const char* name, int index) { return Edit(name, index)->text(); }
  QCheckBox* Check(int index) { return Find<QCheckBox>(window_.get(), Indexed("chkKoeff", index)); }
  QRadioButton* Option(int index) { return Find<QRadioButton>(window_.get(), Indexed("optGil", index)); }
  QComboBox* Combo() { return Find<QComboBox>(window_.get(), QStringLiteral("cboKotr")); }

  TempFolder folder_;
  NormStore norms_;
  RecordingMessages messages_;
  CoefficientForm model_;
  int changes_ = 0;
  std::unique_ptr<CoefficientWindow> window_;
};

// The widths measured once per window are those measured each time, for
// boxes of different fonts and numbers of letters in any order.
TEST(EditWidthsTest, SameAsMeasuringEachBox) {
  QLineEdit plain;
  QLineEdit bold;
  QFont font = bold.font();
  font.setBold(true);
  font.setPointSize(font.pointSize() + 4);
  bold.setFont(font);
  EditWidths widths;
  for (int round = 0; round < 2; ++round) {
    for (const int chars : {7, 34, 7, 45, 0}) {
      for (const QLineEdit* edit : {&plain, &bold}) {
        EXPECT_EQ(widths(edit, chars), EditWidth(edit, chars)) << chars << (edit == &bold ? " bold" : "");
      }
    }
  }
  EXPECT_GT(widths(&bold, 34), widths(&plain, 34));
}

TEST_F(CoefficientWindowTest, ShowsEveryRowOfTheModelUnderItsControlName) {
  ExpectWindow(*window_, "frmKoeff", "Коэффициенты к стоимости");
  for (int i = 0; i < kCoefficientRows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    ASSERT_NE(Check(i), nullptr);
    EXPECT_EQ(Check(i)->isChecked(), model_.chkKoeff[at]) << i;
    EXPECT_EQ(Text("txtKoeffIm", i), QString::fromStdString(model_.txtKoeffIm[at])) << i;
    EXPECT_EQ(Text("txtKoeffI", i), QString::fromStdString(model_.txtKoeffI[at])) << i;
    EXPECT_EQ(Text("txtKoeffK", i), QString::fromStdString(model_.txtKoeffK[at])) << i;
    EXPECT_EQ(Text("txtKoeffP", i), QString::fromStdString(model_.txtKoeffP[at])) << i;
  }
  EXPECT_TRUE(Check(0)->isChecked());
  EXPECT_EQ(Text("txtKi", 0), Q("1,312"));
  EXPECT_EQ(Text("txtKi", 1), Q("1,291"));
  EXPECT_EQ(Option(0)->text(), Q("Жилье"));
  EXPECT_EQ(Option(1)->text(), Q("Не жилье"));
  EXPECT_TRUE(Option(1)->isChecked());
  auto* save = Find<QPushButton>(window_.get(), QStringLiteral("cmdSave"));
  EXPECT_EQ(save->text(), Q("С"));
  EXPECT_FALSE(save->toolTip().isEmpty());

  const QStringList labels = LabelTexts(window_.get());
  for (const char* expected : {"Наименование", "Обозн.", "Значение", "Обоснование",
                               "Коэффициент индексации проектных работ:"}) {
    EXPECT_TRUE(labels.contains(Q(expected))) << expected;
  }
  EXPECT_EQ(labels.filter(Q("учесть помеченные коэффициенты")).size(), 1);
  EXPECT_EQ(changes_, 0) << "showing the model must not echo changes back";
}

TEST_F(CoefficientWindowTest, ChoosingTheThirdIndustryEntryFillsRowFour) {
  QComboBox* combo = Combo();
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(1), Q("Промышленность строительных материалов"));
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(Text("txtKoeffP", 4), Q(" табл. 2.66, п. 1"));

  combo->setCurrentIndex(2);
  emit combo->activated(2);
  EXPECT_EQ(model_.cboKotrIndex, 2);
  EXPECT_EQ(model_.txtKoeffK[4], "1,08");
  EXPECT_EQ(Text("txtKoeffK", 4), Q("1,08"));
  EXPECT_EQ(Text("txtKoeffP", 4), Q(" табл. 2.66, п. 3"));
  EXPECT_EQ(changes_, 1);

  // A click on the entry already chosen puts the list's value back.
  TypeOver(Edit("txtKoeffK", 4), "2");
  EXPECT_EQ(model_.txtKoeffK[4], "2");
  emit combo->activated(2);
  EXPECT_EQ(Text("txtKoeffK", 4), Q("1,08"));
}

TEST_F(CoefficientWindowTest, ArrowKeyOnTheIndustryListSelectsTheNextEntry) {
  Press(Combo(), Qt::Key_Down, QString());
  EXPECT_EQ(Combo()->currentIndex(), 1);
  EXPECT_EQ(model_.cboKotrIndex, 1);
  EXPECT_EQ(Text("txtKoeffK", 4), Q("1,05"));
  EXPECT_EQ(Text("txtKoeffP", 4), Q(" табл. 2.66, п. 2"));
}

TEST_F(CoefficientWindowTest, AnEmptyIndustryTableLeavesTheListDisabled) {
  norms_.Kotr.clear();
  model_ = LoadCoefficientForm(folder_ / kCoefficientFileName, norms_, messages_);
  window_->Refresh();
  EXPECT_EQ(Combo()->count(), 0);
  EXPECT_FALSE(Combo()->isEnabled());
  EXPECT_EQ(Text("txtKoeffP", 4), Q("табл. 2.66, п."));
}

TEST_F(CoefficientWindowTest, ValueBoxesTurnAPeriodIntoACommaAndRefuseOtherCharacters) {
  QLineEdit* value = Edit("txtKoeffK", 3);
  TypeOver(value, "2.5");
  EXPECT_EQ(value->text(), Q("2,5"));
  EXPECT_EQ(model_.txtKoeffK[3], "2,5");
  EXPECT_EQ(messages_.Beeps(), 0);

  TypeText(value, Q("aб-"));
  EXPECT_EQ(value->text(), Q("2,5"));
  EXPECT_EQ(messages_.Beeps(), 3);
  Press(value, Qt::Key_Backspace, QStringLiteral("\b"));
  EXPECT_EQ(model_.txtKoeffK[3], "2,");
  EXPECT_EQ(messages_.Beeps(), 3);

  QLineEdit* other = Edit("txtKi", 1);
  TypeOver(other, "1.4x");
  EXPECT_EQ(other->text(), Q("1,4"));
  EXPECT_EQ(model_.txtKi[1], "1,4");
  EXPECT_EQ(messages_.Beeps(), 4);
}

TEST_F(CoefficientWindowTest, CheckBoxesAndTextsWriteTheModel) {
  Check(5)->click();
  Check(0)->click();
  EXPECT_TRUE(model_.chkKoeff[5]);
  EXPECT_FALSE(model_.chkKoeff[0]);
  EXPECT_EQ(changes_, 2);
  TypeOver(Edit("txtKoeffIm", 11), Q("Сейсмика 7-8"));
  TypeOver(Edit("txtKoeffI", 11), Q("К(с.)"));
  TypeOver(Edit("txtKoeffP", 11), Q("п. 1.9"));
  EXPECT_EQ(model_.txtKoeffIm[11], "Сейсмика 7-8");
  EXPECT_EQ(model_.txtKoeffI[11], "К(с.)");
  EXPECT_EQ(model_.txtKoeffP[11], "п. 1.9");
  EXPECT_EQ(messages_.Beeps(), 0);
}

TEST_F(CoefficientWindowTest, OptionsPutTheirCoefficientIntoTheIndexationRow) {
  Option(0)->click();
  EXPECT_EQ(model_.optGil, CoefficientForm::kHousing);
  EXPECT_EQ(model_.txtKoeffK[kIndexationRow], "1,312");
  EXPECT_EQ(Text("txtKoeffK", kIndexationRow), Q("1,312"));
  EXPECT_FALSE(Option(1)->isChecked());

  Option(1)->click();
  EXPECT_EQ(model_.optGil, CoefficientForm::kOther);
  EXPECT_EQ(Text("txtKoeffK", kIndexationRow), Q("1,291"));
  EXPECT_FALSE(Option(0)->isChecked());
}

TEST_F(CoefficientWindowTest, TypingAnIndexationCoefficientUpdatesTheRowOfTheSelectedOption) {
  ASSERT_TRUE(Option(1)->isChecked());
  TypeOver(Edit("txtKi", 1), "1,5");
  EXPECT_EQ(model_.txtKi[1], "1,5");
  EXPECT_EQ(Text("txtKoeffK", kIndexationRow), Q("1,5"));

  // The housing box is not the selected one: the row keeps its value.
  TypeOver(Edit("txtKi", 0), "1,7");
  EXPECT_EQ(model_.txtKi[0], "1,7");
  EXPECT_EQ(Text("txtKoeffK", kIndexationRow), Q("1,5"));

  Option(0)->click();
  EXPECT_EQ(Text("txtKoeffK", kIndexationRow), Q("1,7"));
}

TEST_F(CoefficientWindowTest, RefreshShowsChangesMadeByCommandsWithoutEchoingThem) {
  model_.txtKoeffK[2] = "2,25";
  model_.chkKoeff[9] = true;
  model_.optGil = CoefficientForm::kHousing;
  model_.cboKotrIndex = 1;
  window_->Refresh();
  EXPECT_EQ(Text("txtKoeffK", 2), Q("2,25"));
  EXPECT_TRUE(Check(9)->isChecked());
  EXPECT_TRUE(Option(0)->isChecked());
  EXPECT_FALSE(Option(1)->isChecked());
  EXPECT_EQ(Combo()->currentIndex(), 1);
  EXPECT_EQ(changes_, 0);
  EXPECT_EQ(model_.txtKoeffK[4], "1") << "a selection shown by the program runs no update";

  // Typing in the middle of a box: the refresh after it keeps the cursor.
  QLineEdit* value = Edit("txtKoeffK", 2);
  value->setCursorPosition(1);
  TypeText(value, "5");
  EXPECT_EQ(value->text(), Q("25,25"));
  EXPECT_EQ(value->cursorPosition(), 2);
}

TEST_F(CoefficientWindowTest, SaveButtonWritesTheStateFileThatLoadsBack) {
  TypeOver(Edit("txtKoeffIm", 12), Q("  Особые условия"));
  Check(12)->click();
  TypeOver(Edit("txtKi", 0), "1,4");
  Find<QPushButton>(window_.get(), "cmdSave")->click();

  const auto lines = ReadLineFile(folder_ / kCoefficientFileName);
  ASSERT_EQ(lines.size(), 77u);
  EXPECT_EQ(lines[60], " 1 ");
  EXPECT_EQ(lines[61], "  Особые условия");
  EXPECT_EQ(lines[75], "1,4");
  EXPECT_EQ(lines[76], "1,291");
  EXPECT_TRUE(messages_.Shown().empty());

  const CoefficientForm loaded = LoadCoefficientForm(folder_ / kCoefficientFileName, norms_, messages_);
  EXPECT_TRUE(loaded.chkKoeff[12]);
  EXPECT_EQ(loaded.txtKoeffIm[12], "  Особые условия");
  EXPECT_EQ(loaded.txtKi[0], "1,4");
}

TEST_F(CoefficientWindowTest, WithoutAnOwnerItRefreshesItselfAndReportsAFailedSave) {
  window_ = std::make_unique<CoefficientWindow>(model_, norms_, messages_,
                                                folder_ / "нет такой папки" / kCoefficientFileName, nullptr);
  Option(0)->click();
  EXPECT_EQ(Text("txtKoeffK", kIndexationRow), Q("1,312"));
  Find<QPushButton>(window_.get(), "cmdSave")->click();
  ASSERT_EQ(messages_.Shown().size(), 1u);
  EXPECT_NE(messages_.Shown()[0].text.find("нет такой папки"), std::string::npos);
}

TEST_F(CoefficientWindowTest, ClosingOnlyHidesTheWindow) {
  window_->show();
  TypeOver(Edit("txtKoeffK", 2), "3");
  EXPECT_TRUE(window_->close());
  EXPECT_FALSE(window_->isVisible());
  window_->show();
  EXPECT_EQ(Text("txtKoeffK", 2), Q("3"));
}

// ---- General-data window ---------------------------------------------

class GeneralDataWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_ = InitialGeneralDataForm(CalendarDate{2026, 12, 6});
    window_ = std::make_unique<GeneralDataWindow>(model_, messages_, folder_ / kGeneralDataFileName, [this] {
      ++changes_;
      window_->Refresh();
    });
  }

  QLineEdit* Edit(const QString& name) { return Find<QLineEdit>(window_.get(), name); }
  QLineEdit* Edit(const char* name, int index) { return Edit(Indexed(name, index)); }
  QCheckBox* Check(const char* name, int index) { return Find<QCheckBox>(window_.get(), Indexed(name, index)); }
  QPlainTextEdit* ObjectBox() { return Find<QPlainTextEdit>(window_.get(), QStringLiteral("txtShapka(0)")); }

  TempFolder folder_;
  RecordingMessages messages_;
  GeneralDataForm model_;
  int changes_ = 0;
  std::unique_ptr<GeneralDataWindow> window_;
};

TEST_F(GeneralDataWindowTest, ShowsTheInitialContentsAndLabels) {
  ExpectWindow(*window_, "frmObD", "Общие данные по смете");
  EXPECT_EQ(Edit("txtNdog")->text(), Q("2008/11"));
  EXPECT_EQ(Edit("txtDataDog")->text(), Q("06.12.2026"));
  EXPECT_EQ(ObjectBox()->toPlainText(), Q("Строительный проект\n"));
  EXPECT_EQ(Edit("txtShapka", 1)->text(), Q("ООО \"Кварцтехлит\""));
  EXPECT_EQ(Edit("txtKc", 1)->text(), Q(" Расчет"));
  EXPECT_EQ(Edit("txt2", 0)->text(), Q("Р.Т Бельчар"));
  EXPECT_FALSE(Check("chk1", 2)->isChecked());
  for (int i = 0; i < kChargeRows; ++i) EXPECT_EQ(Check("chkK", i)->isChecked(), i <= 4 || i == 7) << i;
  EXPECT_EQ(Find<QPushButton>(window_.get(), "cmdSave")->text(), Q("С"));
  EXPECT_EQ(Find<QPushButton>(window_.get(), "cmdHide")->text(), Q("Скрыть форму"));

  const QStringList labels = LabelTexts(window_.get());
  for (const char* expected :
       {"Номер договора", "от", "Наименование проектной организации", "Наименование организации заказчика",
        "Включить в смету следующие расходы:", "Смету подписывают:",
        "Наименование предприятия, здания, сооружения, стадии проектирования, этапа, вида проектных работ"}) {
    EXPECT_TRUE(labels.contains(Q(expected))) << expected;
  }
  EXPECT_EQ(changes_, 0);
}

TEST_F(GeneralDataWindowTest, FixedChargeRowsCannotBeSwitchedOffAndRatesShowFormulas) {
  for (int i = 0; i < kChargeRows; ++i) {
    EXPECT_EQ(Check("chkK", i)->isEnabled(), i != 0 && i != 1 && i != 7) << i;
  }
  EXPECT_TRUE(Edit("txtKc", 1)->isReadOnly());
  EXPECT_FALSE(Edit("txtKc", 5)->isReadOnly());
  EXPECT_EQ(Edit("txtKc", 1)->toolTip(), Q("=Общ.стоим.-(Общ.стоим*Рент/(100+Рент))"));
  EXPECT_EQ(Edit("txtKc", 3)->toolTip(), Q("=БазаДряРасч. х %Отчисл./100"));
  EXPECT_TRUE(Edit("txtKc", 0)->toolTip().isEmpty());

  Edit("txtKc", 1)->end(false);
  TypeText(Edit("txtKc", 1), "5");
  EXPECT_EQ(model_.txtKc[1], " Расчет");
}

TEST_F(GeneralDataWindowTest, ObjectNameBoxIsThreeLinesHighAndStoresLineBreaksAsCrLf) {
  window_->show();
  QPlainTextEdit* box = ObjectBox();
  const int line = box->fontMetrics().lineSpacing();
  const int margins = 2 * static_cast<int>(box->document()->documentMargin());
  EXPECT_GE(box->viewport()->height(), 3 * line + margins);
  EXPECT_LT(box->viewport()->height(), 4 * line + margins);

  box->selectAll();
  TypeText(box, Q("Жилой дом"));
  Press(box, Qt::Key_Return, QStringLiteral("\r"));
  TypeText(box, Q("Стадия А"));
  EXPECT_EQ(box->toPlainText(), Q("Жилой дом\nСтадия А"));
  EXPECT_EQ(model_.txtShapka[0], "Жилой дом\r\nСтадия А");
  EXPECT_GT(changes_, 0);
}

TEST_F(GeneralDataWindowTest, TypingAndTickingWriteTheModelWithoutAnyKeyFilter) {
  TypeOver(Edit("txtNdog"), Q("2026/7-Б"));
  TypeOver(Edit("txtDataDog"), "01-02-2026");
  TypeOver(Edit("txtShapka", 2), Q("ОАО \"Заказ\""));
  TypeOver(Edit("txtK", 5), Q("Прочие, %"));
  TypeOver(Edit("txtKc", 5), Q("3.5 р"));
  TypeOver(Edit("txt2", 2), Q("А.Б. Иванова"));
  EXPECT_EQ(model_.txtNdog, "2026/7-Б");
  EXPECT_EQ(model_.txtDataDog, "01-02-2026");
  EXPECT_EQ(model_.txtShapka[2], "ОАО \"Заказ\"");
  EXPECT_EQ(model_.txtK[5], "Прочие, %");
  EXPECT_EQ(model_.txtKc[5], "3.5 р");
  EXPECT_EQ(model_.txt2[2], "А.Б. Иванова");
  EXPECT_EQ(messages_.Beeps(), 0);

  Check("chkK", 2)->click();
  Check("chkK", 5)->click();
  Check("chk1", 0)->click();
  Check("chk1", 2)->click();
  EXPECT_FALSE(model_.chkK[2]);
  EXPECT_TRUE(model_.chkK[5]);
  EXPECT_FALSE(model_.chk1[0]);
  EXPECT_TRUE(model_.chk1[2]);
}

TEST_F(GeneralDataWindowTest, RefreshShowsANewModelWithoutEchoingIt) {
  model_.txtNdog = "15/3";
  model_.txtShapka[0] = "Школа\r\nСтадия С";
  model_.chkK[3] = false;
  model_.chkKEnabled[3] = false;
  model_.txtKcToolTip[3] = "формула";
  model_.chk1[2] = true;
  window_->Refresh();
  EXPECT_EQ(Edit("txtNdog")->text(), Q("15/3"));
  EXPECT_EQ(ObjectBox()->toPlainText(), Q("Школа\nСтадия С"));
  EXPECT_FALSE(Check("chkK", 3)->isChecked());
  EXPECT_FALSE(Check("chkK", 3)->isEnabled());
  EXPECT_EQ(Edit("txtKc", 3)->toolTip(), Q("формула"));
  EXPECT_TRUE(Check("chk1", 2)->isChecked());
  EXPECT_EQ(changes_, 0);
  EXPECT_EQ(model_.txtShapka[0], "Школа\r\nСтадия С");
}

TEST_F(GeneralDataWindowTest, SaveButtonWritesThirtySevenLines) {
  TypeOver(Edit("txtKc", 3), "  0,5");
  Find<QPushButton>(window_.get(), "cmdSave")->click();
  const auto lines = ReadLineFile(folder_ / kGeneralDataFileName);
  ASSERT_EQ(lines.size(), 37u);
  EXPECT_EQ(lines[0], " 1 ");
  EXPECT_EQ(lines[11], "  0,5");
  EXPECT_EQ(lines[36], "2008/11");
  EXPECT_TRUE(messages_.Shown().empty());

  const GeneralDataForm loaded =
      LoadGeneralDataForm(folder_ / kGeneralDataFileName, CalendarDate{2026, 12, 6}, messages_);
  EXPECT_EQ(loaded.txtKc[3], "  0,5");
  EXPECT_EQ(loaded.txtShapka[0], "Строительный проект\r\n");
  EXPECT_TRUE(messages_.Shown().empty());
}

TEST_F(GeneralDataWindowTest, HideButtonAndClosingHideTheWindowAndKeepItsContents) {
  window_->show();
  EXPECT_TRUE(model_.visible);
  TypeOver(Edit("txt1", 2), Q("Инженер"));
  Find<QPushButton>(window_.get(), "cmdHide")->click();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(model_.visible);
  window_->show();
  EXPECT_TRUE(model_.visible);
  EXPECT_EQ(Edit("txt1", 2)->text(), Q("Инженер"));
  EXPECT_EQ(model_.txt1[2], "Инженер");
  EXPECT_TRUE(window_->close());  // the title bar's close button
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(model_.visible);
}

}  // namespace
}  // namespace verdin
