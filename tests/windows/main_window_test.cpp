// The main window's real widgets on the offscreen platform: start-up state,
// table selection effects, calculation with its messages, the estimate
// list through its buttons and list clicks, key filters.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "window_fixtures.h"
#include "window_test_support.h"

namespace verdin {
namespace {

class MainWindowWidgets : public testing::windows::MainWindowWidgetTest {
 protected:
  template <typename Widget = QLineEdit>
  Widget* Find(const char* name) {
    auto* widget = window_->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }
  void Click(const char* name) { Find<QPushButton>(name)->click(); }
  void Type(const char* name, const QString& text) {
    QLineEdit* edit = Find<QLineEdit>(name);
    edit->setText(text);
    emit edit->textEdited(text);
  }
  void Choose(const char* combo, int index) {
    QComboBox* box = Find<QComboBox>(combo);
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
  void Key(const char* name, QChar character) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
    QApplication::sendEvent(Find<QLineEdit>(name), &press);
  }
  void PriceAndAdd(const char* name, int table, int row, const char* quantity) {
    Choose("cboTab", table);
    if (row >= 0) Choose("cboP", row);
    Type("txtKolic", quantity);
    Type("txtZd", name);
    Click("cmdOk");
    Click("cmdDob");
  }
};

TEST_F(MainWindowWidgets, StartShowsTheFirstNormTable) {
  EXPECT_EQ(window_->windowTitle(), "Новая смета — Расчет стоимости проектных работ по СБЦ (Беларусь). Версия  1.9");
  EXPECT_EQ(Find<QComboBox>("cboTab")->currentIndex(), 3);
  EXPECT_EQ(Find<QComboBox>("cboP")->currentText(), "3. Жилые дома");
  EXPECT_EQ(Text("txtV(1)"), "1000");
  EXPECT_EQ(Text("txtSt(2)"), "83289,25");
  EXPECT_EQ(Text("txtNp"), "общая площадь, м2");
  EXPECT_EQ(Text("txtZd"), "Наименование объекта");
  EXPECT_EQ(Text("txtStd"), "2800");
  EXPECT_EQ(Find<QPushButton>("cmdAb")->toolTip(), "Версия  1.9");
  EXPECT_EQ(Find<QLineEdit>("txtKolic")->toolTip(), "Dbl-click - расчет объемов");
  EXPECT_EQ(Find<QListWidget>("lstZd(0)")->toolTip(), "Dbl-click - редактирование");
  EXPECT_TRUE(Find<QPushButton>("cmdSMR")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>("optPrim(0)")->isChecked());
  EXPECT_FALSE(Find<QWidget>("Рамка5")->isVisibleTo(window_.get()));
  // A row of thirty points is shown whole.
  Choose("cboTab", 4);
  EXPECT_EQ(Text("txtV(30)"), "300");
}

TEST_F(MainWindowWidgets, TableEntriesSwitchFieldsAndLabels) {
  Choose("cboTab", 0);
  EXPECT_EQ(Find<QComboBox>("cboP")->count(), 0);
  EXPECT_EQ(Text("txtV(1)"), "");
  Choose("cboTab", 2);
  EXPECT_EQ(Find<QLabel>("lblZd(3)")->text(), "Цсмр, млн.руб");
  EXPECT_EQ(Find<QLabel>("lblSBC(1)")->text(), "Уд. вес %");
  EXPECT_EQ(Text("txtNp"), "млн.руб - стоимость СМР на 01.01.2006");
  EXPECT_TRUE(Find<QComboBox>("cboSMR")->isEnabled());
  Choose("cboTab", 1);
  EXPECT_FALSE(Find<QPushButton>("cmdOk")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("fra1")->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>("txtKolic")->isEnabled());
  Choose("cboTab", 5);
  EXPECT_TRUE(Find<QPushButton>("cmdOk")->isEnabled());
  EXPECT_EQ(Find<QLabel>("lblZd(3)")->text(), "Количество");
  EXPECT_EQ(Find<QLabel>("lblSBC(1)")->text(), "Стоимость, тыс.р.");
  EXPECT_EQ(koeff().optGil, CoefficientForm::kHousing);
  Find<QRadioButton>("optPrim(1)")->click();
  EXPECT_TRUE(Find<QWidget>("Рамка5")->isVisibleTo(window_.get()));
  EXPECT_EQ(Find<QLabel>("lblPrim")->text(), "Примечание 6\nтекст 6");
}

TEST_F(MainWindowWidgets, CalculateWithItsMessagesAndAGoodCase) {
  Click("cmdOk");
  ExpectInputError("Не задан объем натурального показателя - графа Количество!!!");
  Find<QCheckBox>("chkProcent")->click();
  EXPECT_TRUE(Find<QLineEdit>("txtProcent")->isVisibleTo(window_.get()));
  EXPECT_FALSE(Find<QComboBox>("cboTab")->isEnabled());
  Click("cmdOk");
  ExpectInputError("Не задан номер рассчитанного объекта!!!");
  Type("txtProcent", "3");
  Click("cmdOk");
  ExpectInputError("Объект с таким номером не рассчитан!!!");
  Find<QCheckBox>("chkProcent")->click();
  Choose("cboTab", 3);
  Type("txtKolic", "3000");
  Click("cmdOk");
  EXPECT_EQ(Text("txtStBaz"), "50920,635");
  EXPECT_EQ(Text("txtStP"), "50920,635");
  EXPECT_EQ(Text("txtStPd"), "18185");
  EXPECT_TRUE(Find<QPlainTextEdit>("txtStB")->toPlainText().startsWith("Цб = Цмин + ((Цmax - Цмин)"));
}

TEST_F(MainWindowWidgets, KeyFiltersChangeOrRefuseCharacters) {
  Type("txtKolic", "");
  Key("txtKolic", '1');
  Key("txtKolic", '.');
  Key("txtKolic", '5');
  Key("txtKolic", 'a');
  EXPECT_EQ(Text("txtKolic"), "1,5");
  EXPECT_EQ(form().txtKolic, "1,5");
  EXPECT_EQ(messages_.Beeps(), 1);
  Choose("cboTab", 0);
  Key("txtSt(2)", '.');
  EXPECT_EQ(Text("txtSt(2)"), ",");
  Find<QCheckBox>("chkProcent")->click();
  Key("txtProcent", ',');
  Key("txtProcent", '2');
  EXPECT_EQ(Text("txtProcent"), "2");
  EXPECT_EQ(messages_.Beeps(), 2);
}

TEST_F(MainWindowWidgets, TheEstimateListThroughButtonsAndClicks) {
  PriceAndAdd("Первый", 3, 0, "3000");
  PriceAndAdd("Второй", 3, 1, "100");
  PriceAndAdd("Третий", 3, 1, "200");
  QListWidget* names = Find<QListWidget>("lstZd(0)");
  QListWidget* costs = Find<QListWidget>("lstZd(1)");
  ASSERT_EQ(names->count(), 3);
  // Each name with its item number, and the whole name in its tool tip.
  EXPECT_EQ(names->item(0)->text(), "1. Первый");
  EXPECT_EQ(names->item(2)->text(), "3. Третий");
  EXPECT_EQ(names->item(2)->toolTip(), "Третий");
  EXPECT_EQ(costs->item(1)->text(), "83,29");
  EXPECT_EQ(Text("txtSym"), QString::fromStdString(form().txtSym));

  // Take item 2 back, recalculate, write it back with OK.
  names->setCurrentRow(1);
  Click("cmdRed");
  EXPECT_EQ(Text("txtZd"), "Второй");
  Type("txtKolic", "300");
  Click("cmdOk");
  messages_.Answer(true);
  Click("cmdDob");
  EXPECT_EQ(names->count(), 3);
  EXPECT_EQ(costs->item(1)->text(), "249,87");
  // The same with Cancel appends.
  names->setCurrentRow(2);
  emit names->itemDoubleClicked(names->item(2));
  Click("cmdOk");
  messages_.Answer(false);
  Click("cmdDob");
  EXPECT_EQ(names->count(), 4);

  // A click in the cost list selects that line in both lists.
  names->setCurrentRow(0);
  costs->setCurrentRow(3);
  EXPECT_EQ(costs->currentRow(), 3);
  EXPECT_EQ(names->currentRow(), 3);
  names->setCurrentRow(0);

  // Move the first item down, then delete it, then delete all: the
  // numbers follow.
  Click("cmdVerx(1)");
  EXPECT_EQ(names->item(0)->text(), "1. Второй");
  EXPECT_EQ(names->item(1)->text(), "2. Первый");
  EXPECT_EQ(names->item(1)->toolTip(), "Первый");
  EXPECT_EQ(names->currentRow(), 1);
  messages_.Answer(true);
  Click("cmdDel");
  EXPECT_EQ(names->count(), 3);
  EXPECT_EQ(names->item(0)->text(), "1. Второй");
  EXPECT_EQ(names->item(1)->text(), "2. Третий");
  messages_.Answer(true);
  Click("cmdDelZd");
  EXPECT_EQ(names->count(), 0);
  EXPECT_EQ(Text("txtSym"), "");
}

// What a screen reader reads for each control: its label, its caption,
// the grid's column and row; the quantity's name follows its label.
TEST_F(MainWindowWidgets, EveryControlHasAnAccessibleName) {
  struct Case {
    const char* control;
    const char* name;
  };
  const Case cases[] = {
      {"txtZd", "Наименование"},        {"cboTab", "Таблица"},
      {"cboP", "Пункт таблицы"},        {"txtKolic", "Количество"},
      {"txtStP", "Цена с учетом коэффициентов, тыс. руб."},
      {"txtV(3)", "Кол., строка 3"},    {"txtSt(23)", "Стоимость, тыс.р., строка 23"},
      {"lstZd(0)", "Объекты сметы"},    {"cmdDob", "Добавить данные по текущему элементу в список"},
      {"cmdCancel", "Выход"},           {"chkProcent", "Провести расчет от суммы рассчитанного объекта №"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.control);
    QWidget* control = Find<QWidget>(test.control);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->accessibleName(), QString::fromUtf8(test.name));
    // A drop-down list tells its chosen entry as its name on Linux and
    // its label through the label's buddy relation.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(accessible, nullptr);
    if (!qobject_cast<QComboBox*>(control)) {
      EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf8(test.name));
    }
  }
  Choose("cboTab", 2);
  EXPECT_EQ(Find<QWidget>("txtKolic")->accessibleName(), "Цсмр, млн.руб");
  EXPECT_EQ(Find<QWidget>("txtV(1)")->accessibleName(), "Цсмр, строка 1");
}

TEST_F(MainWindowWidgets, EntryWithoutCalculationFollowsTheTypedCost) {
  Choose("cboTab", 1);
  Type("txtStP", "83,29");
  EXPECT_EQ(Text("txtStBaz"), "83,29");
  EXPECT_EQ(Text("txtStPd"), "29");
}

TEST_F(MainWindowWidgets, AboutBoxShowsTheVersion) {
  QString title;
  QString text;
  testing::windows::WhenModal([&](QDialog* about) {
    title = about->windowTitle();
    text = about->findChild<QLabel*>("lblAbout")->text();
  });
  window_->ShowAbout();
  EXPECT_EQ(title, "О программе.");
  EXPECT_TRUE(text.contains("\nВерсия  1.9\n")) << text.toStdString();
}

}  // namespace
}  // namespace verdin
