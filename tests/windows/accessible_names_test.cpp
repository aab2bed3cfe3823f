// Accessible names of the secondary windows and the file choosers: every
// box, list and button carries one, no two alike in a window, and each
// reads as the label the user sees beside it.
#include <gtest/gtest.h>


#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "ui/file_chooser_window.h"
#include "windows/window_fixtures.h"
#include "windows/window_test_support.h"

namespace verdin {
namespace {

using namespace testing::windows;

// Whether a widget is a control a user works with, and not a part of one
// (the list inside a combo box, the header of a tree).
bool IsControl(QWidget* widget, const QWidget* window) {
  for (QWidget* above = widget->parentWidget(); above != nullptr && above != window; above = above->parentWidget()) {
    if (qobject_cast<QComboBox*>(above) != nullptr || qobject_cast<QAbstractItemView*>(above) != nullptr) return false;
  }
  return qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget) ||
         qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
         qobject_cast<QAbstractItemView*>(widget);
}

class AccessibleNamesTest : public testing::windows::DemoSessionTest {
 protected:
  void SetUp() override {
    DemoSessionTest::SetUp();
    Program& program = session_->program();
    fileSave_ = std::make_unique<FileSaveWindow>(LoadFileSave(program.state.folders, program.frmObD, ""), messages_);
    fileLoad_ = std::make_unique<FileLoadWindow>(LoadFileLoad(program.state.folders), messages_);
  }

  std::map<std::string, QWidget*> Windows() {
    return {{"frmKoeff", &session_->frmKoeff()}, {"frmObD", &session_->frmObD()},
            {"frmV", &session_->frmV()},         {"frmW", &session_->frmW()},
            {"frmSMR", &session_->frmSMR()},     {"FileSave", fileSave_.get()},
            {"FileLoad", fileLoad_.get()}};
  }

  std::unique_ptr<FileSaveWindow> fileSave_;
  std::unique_ptr<FileLoadWindow> fileLoad_;
};

TEST_F(AccessibleNamesTest, EveryControlIsNamedOnceAsItsLabelReads) {
  const std::map<std::string, QWidget*> windows = Windows();
  for (const auto& [title, window] : windows) {
    SCOPED_TRACE(title);
    std::set<QString> names;
    for (QWidget* control : window->findChildren<QWidget*>()) {
      if (!IsControl(control, window)) continue;
      const QString name = control->accessibleName();
      EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
      EXPECT_TRUE(names.insert(name).second) << "two controls named " << name.toStdString();
    }
  }
  struct Case {
    const char* window;
    const char* control;
    const char* name;
  };
  const Case cases[] = {
      {"frmKoeff", "txtKoeffK(2)", "Значение коэффициента 3"},
      {"frmKoeff", "chkKoeff(0)", "Учесть коэффициент 1"},
      {"frmKoeff", "txtKi(1)", "Коэффициент индексации, не жилье"},
      {"frmKoeff", "optGil(0)", "Жилье"},
      {"frmKoeff", "cmdSave", "Сохранить текущее состояние при следующем запуске"},
      {"frmObD", "txtDataDog", "Дата договора"},
      {"frmObD", "txtKc(7)", "Ставка расхода 8"},
      {"frmObD", "txt2(0)", "Фамилия подписывающего 1"},
      {"frmObD", "cmdHide", "Скрыть форму"},
      {"frmV", "txtKol(4)", "Строка 2, множитель 2"},
      {"frmV", "txtKol(9)", "Сумма"},
      {"frmW", "txt1(1)", "Копеек с рубля на зарплату, в рублях"},
      {"frmW", "txt2(3)", "К выдаче, в угрюмых енотах"},
      {"frmSMR", "txtPr", "Процент L"},
      {"frmSMR", "cmdGl", "Передать в главную форму"},
      {"FileSave", "NameFile", "Имя файла"},
      {"FileSave", "chkIsxDan", "Сохранить рез. расчета"},
      {"FileLoad", "Tree", "Каталог"},
      {"FileLoad", "CmdCancel", "Отмена"},
  };
  for (const Case& c : cases) {
    auto* control = windows.at(c.window)->findChild<QWidget*>(QString::fromUtf8(c.control));
    ASSERT_NE(control, nullptr) << c.window << " " << c.control;
    EXPECT_EQ(control->accessibleName(), QString::fromUtf8(c.name)) << c.window << " " << c.control;
  }
}

}  // namespace
}  // namespace verdin
