// Everyday editing in the main window with real key events: undo of
// «Удалить все данные из списка», the copy by Ctrl+D, Ctrl+S into the
// estimate's own file with the title following, the range note.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "forms/open_estimate.h"
#include "isx/isx_file.h"
#include "ui/qt_support.h"
#include "windows/window_fixtures.h"
#include "windows/window_test_support.h"

namespace verdin {
namespace {

class EditingWindowTest : public testing::windows::DemoSessionTest {
 protected:
  void SetUp() override {
    DemoSessionTest::SetUp();
    session_->Show();
    session_->program().frm1.chkAsave = false;
    window()->activateWindow();
    QApplication::processEvents();
  }

  QWidget* window() { return &session_->frm1(); }
  template <typename Widget = QWidget>
  Widget* Find(const char* name) {
    auto* widget = window()->findChild<Widget*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // Keys go to the estimate list, as after a click into it.
  void KeyInList(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    auto* list = Find<QListWidget>("lstZd(0)");
    list->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list, key, modifiers);
    QApplication::processEvents();
  }

  void AddItem(const char* quantity) {
    auto* box = Find<QLineEdit>("txtKolic");
    box->setFocus(Qt::OtherFocusReason);
    testing::windows::TypeOver(box, QString::fromUtf8(quantity));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
  }

  QStringList Names() {
    QStringList names;
    auto* list = Find<QListWidget>("lstZd(0)");
    for (int k = 0; k < list->count(); ++k) names << list->item(k)->text();
    return names;
  }
};

TEST_F(EditingWindowTest, CtrlZBringsBackEveryItemAndTheTotalAfterDeleteAll) {
  AddItem("4200");
  AddItem("5300");
  const QStringList names = Names();
  const QString total = Find<QLineEdit>("txtSym")->text();
  ASSERT_EQ(names.size(), 2);
  Find<QPushButton>("cmdDelZd")->click();
  EXPECT_TRUE(Names().isEmpty());
  EXPECT_EQ(Find<QPushButton>("cmdUndo")->toolTip(), "Отменить удаление всех объектов (Ctrl+Z)");
  KeyInList(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(Find<QLineEdit>("txtSym")->text(), total);
  EXPECT_TRUE(window()->windowTitle().startsWith("Новая смета* — "));
  KeyInList(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(Names().isEmpty());
  KeyInList(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Names(), names);
}

TEST_F(EditingWindowTest, CtrlDCopiesTheSelectedItemBelowIt) {
  AddItem("4200");
  AddItem("5300");
  KeyInList(Qt::Key_End);
  KeyInList(Qt::Key_Home);  // the first line chosen
  KeyInList(Qt::Key_D, Qt::ControlModifier);
  const QStringList names = Names();
  ASSERT_EQ(names.size(), 3);
  EXPECT_TRUE(names[1].endsWith(" (копия)")) << names[1].toStdString();
  EXPECT_EQ(Find<QListWidget>("lstZd(1)")->item(1)->text(), Find<QListWidget>("lstZd(1)")->item(0)->text());
  EXPECT_EQ(session_->program().frm1.lstZdIndex[0], 1);  // the copy is the selected item
}

TEST_F(EditingWindowTest, CtrlSWritesTheOwnFileAfterOneQuestionAndTheTitleLosesItsStar) {
  AddItem("4200");
  Program& program = session_->program();
  // Not in the temporary folder, which holds no estimate's own file.
  std::filesystem::create_directories(temp_ / "сметы");
  const auto own = temp_ / "сметы" / "гараж.isx";
  WriteIsx(program.state.estimate, program.state.general, own);
  session_->OpenNamed(own);
  EXPECT_TRUE(window()->windowTitle().startsWith("гараж — "));
  AddItem("5300");
  EXPECT_TRUE(window()->windowTitle().startsWith("гараж* — "));
  messages_.Clear();
  KeyInList(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(messages_.Questions().size(), 1U);
  EXPECT_TRUE(window()->windowTitle().startsWith("гараж — "));
  EXPECT_EQ(ReadIsx(own).items.size(), 2U);
  EXPECT_TRUE(std::filesystem::exists(temp_ / "сметы" / "гараж.xls"));
}

TEST_F(EditingWindowTest, AQuantityOutsideTheRowShowsTheRangeNote) {
  auto* note = Find<QLabel>("lblRange");
  auto* box = Find<QLineEdit>("txtKolic");
  box->setFocus(Qt::OtherFocusReason);
  testing::windows::TypeOver(box, QStringLiteral("1"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_TRUE(note->isVisibleTo(window()));
  EXPECT_TRUE(note->text().startsWith("Количество вне диапазона таблицы (от ")) << note->text().toStdString();
  testing::windows::TypeOver(box, QStringLiteral("4200"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_FALSE(note->isVisibleTo(window()));
}

}  // namespace
}  // namespace verdin
