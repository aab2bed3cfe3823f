// The estimate list under the mouse and the keyboard: the line highlighted
// is the line every button acts on, and the questions of the program keep
// Enter and Esc away from what cannot be undone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "core/index.h"
#include "ui/main_window.h"
#include "ui/qt_support.h"
#include "window_fixtures.h"
#include "window_test_support.h"

namespace verdin {
namespace {

using testing::windows::WhenModal;

const char* const kNames[] = {"Первый", "Второй", "Третий", "Четвертый"};

class EstimateListMouse : public testing::windows::MainWindowWidgetTest {
 protected:
  void SetUp() override {
    MainWindowWidgetTest::SetUp();
    AddItems(std::size(kNames));
    window_->resize(1100, 700);
    window_->show();
    window_->activateWindow();
    QApplication::processEvents();
  }

  // Items named from kNames (then "Объект N"), priced at row 1 of table 3.
  void AddItems(int count) {
    auto ctx = Ctx();
    for (int i = 0; i < count; ++i) {
      Calculate(3, 1, "100");
      form().txtZd = i < static_cast<int>(std::size(kNames)) ? kNames[i] : "Объект " + std::to_string(i + 1);
      ASSERT_TRUE(CmdDob(ctx));
    }
    Unselect();
  }

  void Unselect() {
    form().lstZdIndex = {-1, -1};
    window_->Refresh();
  }

  QListWidget* List(int index) {
    return window_->findChild<QListWidget*>(QStringLiteral("lstZd(%1)").arg(index));
  }
  QPushButton* Button(const char* name) { return window_->findChild<QPushButton*>(QLatin1String(name)); }

  QPoint LineCenter(int list, int line) { return List(list)->visualItemRect(List(list)->item(line)).center(); }
  void ClickLine(int list, int line, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(List(list)->viewport(), Qt::LeftButton, modifiers, LineCenter(list, line));
  }
  // A double click as the mouse sends it: a click, then the second press.
  void DoubleClickLine(int list, int line) {
    ClickLine(list, line);
    QTest::mouseDClick(List(list)->viewport(), Qt::LeftButton, Qt::NoModifier, LineCenter(list, line));
  }
  void KeyOnList(Qt::Key key) { QTest::keyClick(List(0), key); }
  // The list gets the focus as Tab gives it: its first line current, none highlighted.
  void TabIntoList() {
    List(0)->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
  }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& item : state().estimate.items) names.push_back(item.name);
    return names;
  }

  // The line both lists highlight and the model holds as selected; -2 when they disagree.
  int Highlighted() {
    const int line = form().lstZdIndex[0];
    for (int list = 0; list < 2; ++list) {
      const QList<QListWidgetItem*> selected = List(list)->selectedItems();
      const int shown = selected.isEmpty() ? -1 : List(list)->row(selected.front());
      if (shown != line || form().lstZdIndex[1] != line) return -2;
    }
    return line;
  }
};

TEST_F(EstimateListMouse, MouseAndKeysSelectTheLineUnderThemInBothLists) {
  struct Case {
    const char* what;
    std::function<void()> act;
    int line;
  };
  const Case cases[] = {
      {"click on line 3", [&] { ClickLine(0, 2); }, 2},
      {"click on cost line 2", [&] { ClickLine(1, 1); }, 1},
      {"down to line 2, click on line 3", [&] { ClickLine(0, 0); KeyOnList(Qt::Key_Down); ClickLine(0, 2); }, 2},
      {"click on line 3, up", [&] { ClickLine(0, 2); KeyOnList(Qt::Key_Up); }, 1},
      {"Tab into the list, Home", [&] { TabIntoList(); KeyOnList(Qt::Key_Home); }, 0},
      {"Tab into the list, End", [&] { TabIntoList(); KeyOnList(Qt::Key_End); }, 3},
      {"Tab into the list, Space", [&] { TabIntoList(); KeyOnList(Qt::Key_Space); }, 0},
      {"Tab into the list, Down", [&] { TabIntoList(); KeyOnList(Qt::Key_Down); }, 0},
      {"Tab into the list", [&] { TabIntoList(); }, -1},
      {"Ctrl+click on the highlighted line", [&] { ClickLine(0, 1); ClickLine(0, 1, Qt::ControlModifier); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Unselect();
    c.act();
    EXPECT_EQ(Highlighted(), c.line);
    for (const char* button : {"cmdDel", "cmdRed", "cmdVerx(0)", "cmdVerx(1)", "cmdCopy"}) {
      EXPECT_EQ(Button(button)->isEnabled(), c.line >= 0) << button;
    }
  }
}

TEST_F(EstimateListMouse, EveryButtonActsOnTheHighlightedLine) {
  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> names;
    int takenBack;  // NomRed afterwards (counted from 0)
    int highlighted;
  };
  const Case cases[] = {
      {"down to line 2, click on line 3, delete, OK",
       [&] {
         ClickLine(0, 0);
         KeyOnList(Qt::Key_Down);
         ClickLine(0, 2);
         messages_.Answer(true);
         Button("cmdDel")->click();
       },
       {"Первый", "Второй", "Четвертый"}, -1, -1},
      {"click on cost line 4, Del, OK",
       [&] {
         ClickLine(1, 3);
         messages_.Answer(true);
         KeyOnList(Qt::Key_Delete);
       },
       {"Первый", "Второй", "Третий"}, -1, -1},
      {"click on line 2, F2",
       [&] {
         ClickLine(0, 1);
         QTest::keyClick(List(0), Qt::Key_F2);
       },
       {"Первый", "Второй", "Третий", "Четвертый"}, 1, 1},
      {"double click on line 4", [&] { DoubleClickLine(0, 3); }, {"Первый", "Второй", "Третий", "Четвертый"}, 3, 3},
      {"click on cost line 1, down",
       [&] {
         ClickLine(1, 0);
         Button("cmdVerx(1)")->click();
       },
       {"Второй", "Первый", "Третий", "Четвертый"}, -1, 1},
      {"click on line 3, up",
       [&] {
         ClickLine(0, 2);
         Button("cmdVerx(0)")->click();
       },
       {"Первый", "Третий", "Второй", "Четвертый"}, -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    state().estimate.items.clear();
    state().NomRed = -1;
    AddItems(std::size(kNames));
    messages_.Clear();
    c.act();
    EXPECT_EQ(Names(), c.names);
    EXPECT_EQ(state().NomRed, c.takenBack);
    if (c.takenBack >= 0) {
      EXPECT_EQ(form().txtZd, c.names[At(c.takenBack)]);
    }
    EXPECT_EQ(Highlighted(), c.highlighted);
    EXPECT_TRUE(messages_.Shown().empty()) << messages_.Shown().front().text;
  }
}

TEST_F(EstimateListMouse, ANewOrMovedItemIsHighlightedInView) {
  AddItems(40);
  window_->resize(1100, 500);
  QApplication::processEvents();
  const auto inView = [this](int line) {
    for (int list = 0; list < 2; ++list) {
      const QRect row = List(list)->visualItemRect(List(list)->item(line));
      if (!List(list)->viewport()->rect().contains(row)) return false;
    }
    return true;
  };
  List(0)->scrollToTop();
  Calculate(3, 1, "100");
  form().txtZd = "Новый";
  window_->Refresh();
  Button("cmdDob")->click();
  const int last = state().KolZd() - 1;
  EXPECT_EQ(Highlighted(), last);
  EXPECT_TRUE(inView(last));

  List(0)->scrollToTop();
  ClickLine(0, 0);
  List(0)->scrollToBottom();
  QApplication::processEvents();
  Button("cmdVerx(1)")->click();
  EXPECT_EQ(Highlighted(), 1);
  EXPECT_TRUE(inView(1));
}

// Enter and Esc on the program's questions, as the user presses them.
TEST(QuestionKeys, EnterGoesAheadOnlyWhereAskedAndEscChangesNothing) {
  struct Case {
    const char* what;
    std::function<int(QtMessages&)> ask;  // 1 go ahead, 0 leave as is, 2 the other choice
    Qt::Key key;
    int answer;
  };
  const auto okCancel = [](DefaultButton enter) {
    return [enter](QtMessages& messages) {
      return messages.AskOkCancel("Подтверждение", "Удалить?", MessageIcon::Question, enter) ? 1 : 0;
    };
  };
  const auto yesNo = [](DefaultButton enter) {
    return [enter](QtMessages& messages) {
      return messages.AskYesNo("Подтверждение", "Выйти?", MessageIcon::Question, enter) ? 1 : 0;
    };
  };
  const auto threeWays = [](QtMessages& messages) {
    switch (messages.AskYesNoCancel("Подтверждение", "Записать?", MessageIcon::Question)) {
      case Answer::Yes: return 1;
      case Answer::Cancel: return 0;
      case Answer::No: return 2;
    }
    return -1;
  };
  const Case cases[] = {
      {"delete question, Enter", okCancel(DefaultButton::LeaveAsIs), Qt::Key_Return, 0},
      {"delete question, Esc", okCancel(DefaultButton::LeaveAsIs), Qt::Key_Escape, 0},
      {"OK/Cancel question, Enter", okCancel(DefaultButton::GoAhead), Qt::Key_Return, 1},
      {"Yes/No question kept, Enter", yesNo(DefaultButton::LeaveAsIs), Qt::Key_Return, 0},
      {"Yes/No question, Enter", yesNo(DefaultButton::GoAhead), Qt::Key_Return, 1},
      {"Yes/No question, Esc", yesNo(DefaultButton::GoAhead), Qt::Key_Escape, 0},
      {"Yes/No/Cancel question, Enter", threeWays, Qt::Key_Return, 1},
      {"Yes/No/Cancel question, Esc", threeWays, Qt::Key_Escape, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QtMessages messages;
    WhenModal([key = c.key](QDialog* dialog) {
      QApplication::processEvents();
      QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : dialog, key);
    });
    EXPECT_EQ(c.ask(messages), c.answer);
  }
}

}  // namespace
}  // namespace verdin
