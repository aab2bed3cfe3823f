// The search box above the table list: typing narrows the table list to
// the tables whose titles or rows hold the words, Enter takes the first
// table and row found, a chosen entry selects the same table or row as a
// click on the whole list, Ctrl+F goes to the box and Esc shows the whole
// list again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

#include "main_window_fixture.h"
#include "ui/main_window.h"
#include "ui/qt_support.h"
#include "windows/window_test_support.h"

namespace verdin {
namespace {

using testing::windows::Press;
using testing::windows::Q;
using testing::windows::TypeText;

class TableSearchWindow : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    MainWindowLinks links;
    links.changed = [this] { window_->Refresh(); };
    window_ = std::make_unique<MainWindow>(*program_, messages_, links);
    find_ = window_->findChild<QLineEdit*>("txtFind");
    tables_ = window_->findChild<QComboBox*>("cboTab");
    rows_ = window_->findChild<QComboBox*>("cboP");
    ASSERT_NE(find_, nullptr);
    ASSERT_NE(tables_, nullptr);
    ASSERT_NE(rows_, nullptr);
  }

  static QStringList Entries(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
  }
  // The user picks the entry with this text from the list as shown.
  static void Pick(QComboBox* combo, const char* text) {
    const int position = combo->findText(Q(text));
    ASSERT_GE(position, 0) << text;
    combo->setCurrentIndex(position);
    emit combo->activated(position);
  }
  QString Cell(const char* name) { return window_->findChild<QLineEdit*>(name)->text(); }

  std::unique_ptr<MainWindow> window_;
  QLineEdit* find_ = nullptr;
  QComboBox* tables_ = nullptr;
  QComboBox* rows_ = nullptr;
};

const QStringList kSpecial = {"0. Таблица пользователя", "1. Без расчета", "2. Процент от СМР"};

TEST_F(TableSearchWindow, TypingNarrowsTheTablesAndAChoiceActsAsAClick) {
  EXPECT_EQ(find_->placeholderText(), "Найти таблицу или пункт (Ctrl+F)");
  EXPECT_EQ(tables_->count(), 7);
  TypeText(find_, "2.1");
  EXPECT_EQ(Entries(tables_), (kSpecial + QStringList{"2.1. Здания", "2.18. Жилые дома"}));
  EXPECT_EQ(tables_->currentText(), "2.1. Здания");  // the chosen table, unchanged by typing
  EXPECT_EQ(form().cboTabIndex, 3);

  Pick(tables_, "2.18. Жилые дома");
  // The same as a click on entry 5 of the whole list.
  EXPECT_EQ(form().cboTabIndex, 5);
  EXPECT_EQ(state().NomTab, 5);
  EXPECT_EQ(koeff().optGil, CoefficientForm::kHousing);
  EXPECT_EQ(Entries(rows_), QStringList{"1. Дома"});
  EXPECT_EQ(form().cboPIndex, 0);
  EXPECT_EQ(Cell("txtV(1)"), "100");
  EXPECT_EQ(tables_->currentText(), "2.18. Жилые дома");

  // A special entry stays in view and is chosen by its own index.
  Pick(tables_, "0. Таблица пользователя");
  EXPECT_EQ(form().cboTabIndex, 0);
  EXPECT_EQ(rows_->count(), 0);
}

TEST_F(TableSearchWindow, WordsFindRowsAndNeverHideTheChosenTablesRows) {
  TypeText(find_, Q("ПУНКТ"));
  // "2.1. Здания" for its row "4. Один пункт", "2.3." for its title.
  EXPECT_EQ(Entries(tables_), (kSpecial + QStringList{"2.1. Здания", "2.3. Без пунктов"}));
  EXPECT_EQ(Entries(rows_), (QStringList{"3. Жилые дома", "4. Один пункт", "5. Без точек"}));
  // The row whose own title holds the word comes before the table whose title does.
  EXPECT_TRUE(window_->findChild<QLabel*>("lblFind")->isVisibleTo(window_.get()));
  EXPECT_EQ(window_->findChild<QLabel*>("lblFind")->text(), Q("Enter: «2.1. Здания», «4. Один пункт»"));
  Pick(rows_, "4. Один пункт");
  EXPECT_EQ(form().cboPIndex, 1);
  EXPECT_EQ(Cell("txtV(1)"), "100");
  EXPECT_EQ(Cell("txtSt(1)"), "83,29");
  EXPECT_EQ(rows_->currentText(), "4. Один пункт");

  find_->clear();
  TypeText(find_, Q("нет такой"));
  EXPECT_EQ(Entries(tables_), kSpecial + QStringList{"2.1. Здания"});
  EXPECT_EQ(rows_->count(), 3);
  EXPECT_TRUE(window_->findChild<QLabel*>("lblFind")->isVisibleTo(window_.get()));
  EXPECT_EQ(window_->findChild<QLabel*>("lblFind")->text(), Q("Ничего не найдено"));
}

// While the user types, the label beside the box names the table and row
// Enter would take and the lists keep showing what is chosen; Enter takes
// them, as clicks on the two lists would.
TEST_F(TableSearchWindow, EnterTakesTheFirstTableAndRowFound) {
  struct Case {
    const char* typed;
    const char* named;  // the label while typing
    int table;          // the table and row chosen after Enter
    int row;
  };
  const Case cases[] = {
      {"один пункт", "Enter: «2.1. Здания», «4. Один пункт»", 3, 1},  // a row
      {"2.18", "Enter: «2.18. Жилые дома»", 5, 0},  // a table by its number: its first row
      {"тридцать", "Enter: «2.2. Сети», «1. Тридцать точек»", 4, 0},
      {"нет такой", "Ничего не найдено", 4, 0},  // nothing found: nothing changes
  };
  window_->show();
  window_->activateWindow();
  QApplication::processEvents();
  for (const Case& test : cases) {
    SCOPED_TRACE(test.typed);
    find_->setFocus();
    find_->clear();
    const int before = form().cboTabIndex;
    const QString chosen = tables_->currentText();
    TypeText(find_, Q(test.typed));
    EXPECT_EQ(window_->findChild<QLabel*>("lblFind")->text(), Q(test.named));
    EXPECT_EQ(tables_->currentText(), chosen);
    EXPECT_EQ(form().cboTabIndex, before);
    Press(find_, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(form().cboTabIndex, test.table);
    EXPECT_EQ(form().cboPIndex, test.row);
    EXPECT_EQ(rows_->currentText(), ToQ(form().cboP[static_cast<std::size_t>(test.row)]));
  }
  EXPECT_EQ(messages_.Beeps(), 1);
}

TEST_F(TableSearchWindow, EscClearsAndCtrlFComesToTheBox) {
  TypeText(find_, Q("жилые"));
  EXPECT_EQ(tables_->count(), 5);
  Press(find_, Qt::Key_Escape, QString());
  EXPECT_TRUE(find_->text().isEmpty());
  EXPECT_EQ(tables_->count(), 7);
  EXPECT_EQ(tables_->currentIndex(), 3);
  EXPECT_EQ(rows_->count(), 3);

  auto* shortcut = window_->findChild<QShortcut*>("shortcutFind");
  ASSERT_NE(shortcut, nullptr);
  EXPECT_EQ(shortcut->key(), QKeySequence(Qt::CTRL | Qt::Key_F));
  window_->findChild<QLineEdit*>("txtZd")->setFocus();
  emit shortcut->activated();
  EXPECT_EQ(window_->focusWidget(), find_);
}

// A search text left in the box never keeps the lists from showing what
// is chosen: the share box ticked and unticked leaves a table and its rows,
// and a special entry chosen from the list shows as chosen.
TEST_F(TableSearchWindow, TheListsShowWhatIsChosenWhateverTheSearchHolds) {
  window_->show();
  window_->activateWindow();
  QApplication::processEvents();
  find_->setFocus();
  TypeText(find_, Q("тридцать"));
  auto* share = window_->findChild<QCheckBox*>("chkProcent");
  share->click();
  share->click();
  EXPECT_EQ(tables_->currentText(), ToQ(form().cboTab[static_cast<std::size_t>(form().cboTabIndex)]));
  EXPECT_GT(rows_->count(), 0);
  EXPECT_TRUE(rows_->isEnabled());

  tables_->setFocus();
  Pick(tables_, "1. Без расчета");
  EXPECT_EQ(form().cboTabIndex, 1);
  EXPECT_EQ(tables_->currentText(), "1. Без расчета");
}

TEST_F(TableSearchWindow, TheBoxIsOutOfUseWithTheTableList) {
  window_->findChild<QCheckBox*>("chkProcent")->click();
  EXPECT_FALSE(tables_->isEnabled());
  EXPECT_FALSE(find_->isEnabled());
  window_->findChild<QCheckBox*>("chkProcent")->click();
  EXPECT_TRUE(find_->isEnabled());
}

}  // namespace
}  // namespace verdin
