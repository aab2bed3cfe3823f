// The keyboard on the program's windows: Tab and Shift+Tab leave every
// filtered box, Enter calculates or presses a window's default button or
// the focused one, the main window's shortcuts press its buttons, Esc
// closes the secondary windows as their close button does, Tab walks each
// window in working order, and message boxes carry Russian buttons.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/main_commands.h"
#include "ui/qt_support.h"
#include "windows/window_fixtures.h"
#include "windows/window_test_support.h"

namespace verdin {
namespace {

using namespace testing::windows;

// One key pressed and released, with its modifiers, as the keyboard sends it.
void Key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(widget, &release);
}

void Tab(QWidget* widget) { Key(widget, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t")); }
void ShiftTab(QWidget* widget) { Key(widget, Qt::Key_Backtab, Qt::ShiftModifier, QStringLiteral("\t")); }
void Enter(QWidget* widget) { Key(widget, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")); }
void Escape(QWidget* widget) { Key(widget, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27))); }

// Types the values into the focused box and the boxes Tab leads to, one
// each, and presses Enter in the last.
void TypeInTurnAndEnter(const QStringList& values) {
  for (qsizetype i = 0; i < values.size(); ++i) {
    if (i > 0) Tab(QApplication::focusWidget());
    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(box, nullptr) << "Tab left the boxes at value " << i;
    TypeOver(box, values[i]);
  }
  Enter(QApplication::focusWidget());
}

QString Name(const QWidget* widget) { return widget == nullptr ? QStringLiteral("(none)") : widget->objectName(); }

// The whole program on the demo database, its three windows shown.
class KeyboardTest : public DemoSessionTest {
 protected:
  void SetUp() override {
    DemoSessionTest::SetUp();
    session_->Show();
  }

  // A quantity typed and calculated by Enter, the item added.
  void AddAnItemByKeyboard() {
    auto* quantity = Focus<QLineEdit>("frm1", QStringLiteral("txtKolic"));
    ASSERT_NE(quantity, nullptr);
    TypeText(quantity, Q("4200"));
    Enter(quantity);
    Find<QPushButton>(&session_->frm1(), "cmdDob")->click();
  }

  QWidget* Window(const std::string& name) {
    if (name == "frm1") return &session_->frm1();
    if (name == "frmKoeff") return &session_->frmKoeff();
    if (name == "frmObD") return &session_->frmObD();
    if (name == "frmV") return &session_->frmV();
    if (name == "frmW") return &session_->frmW();
    if (name == "frmSMR") return &session_->frmSMR();
    ADD_FAILURE() << "no window " << name;
    return nullptr;
  }

  // Shows the window, makes it the active one and gives the named widget
  // the focus.
  template <typename Widget = QWidget>
  Widget* Focus(const std::string& window, const QString& name) {
    QWidget* shown = Window(window);
    shown->show();
    shown->raise();
    shown->activateWindow();
    QApplication::processEvents();
    auto* widget = shown->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    if (widget == nullptr) return nullptr;
    widget->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(widget->hasFocus()) << name.toStdString();
    return widget;
  }

  MainContext Ctx() { return session_->program().Context(messages_); }
};

// ---- Tab leaves every filtered box -------------------------------------

struct FilteredBox {
  const char* window;
  const char* box;
  // Brings the box into view where it is hidden or disabled at start.
  std::function<void(KeyboardTest&, MainContext&)> prepare;
};

TEST_F(KeyboardTest, TabAndShiftTabLeaveEveryFilteredBoxWithoutTypingOrBeeping) {
  const auto userTable = [](KeyboardTest&, MainContext& ctx) { SelectTable(ctx, 0); };
  const auto shareOfItem = [](KeyboardTest&, MainContext& ctx) { ClickChkProcent(ctx, true); };
  const std::vector<FilteredBox> boxes = {
      {"frm1", "txtKolic", nullptr},           {"frm1", "txtSt(1)", userTable},
      {"frm1", "txtSt(23)", userTable},        {"frm1", "txtProcent", shareOfItem},
      {"frmKoeff", "txtKoeffK(0)", nullptr},   {"frmKoeff", "txtKoeffK(14)", nullptr},
      {"frmKoeff", "txtKi(0)", nullptr},       {"frmKoeff", "txtKi(1)", nullptr},
      {"frmV", "txtKol(0)", nullptr},          {"frmV", "txtKol(8)", nullptr},
      {"frmW", "txt1(0)", nullptr},            {"frmW", "txt2(0)", nullptr},
      {"frmW", "txt1(1)", nullptr},            {"frmW", "txt1(2)", nullptr},
      {"frmSMR", "txt1", nullptr},             {"frmSMR", "txt2", nullptr},
  };
  for (const FilteredBox& entry : boxes) {
    SCOPED_TRACE(std::string(entry.window) + " " + entry.box);
    if (entry.prepare) {
      MainContext ctx = Ctx();
      entry.prepare(*this, ctx);
      session_->RefreshAll();
    }
    auto* box = Focus<QLineEdit>(entry.window, Q(entry.box));
    ASSERT_NE(box, nullptr);
    messages_.Clear();
    TypeOver(box, QStringLiteral("12"));
    Tab(box);
    QWidget* next = QApplication::focusWidget();
    EXPECT_NE(next, box) << "Tab stayed in the box";
    EXPECT_NE(next, nullptr);
    if (next != nullptr) {
      EXPECT_EQ(next->window(), box->window()) << Name(next).toStdString();
      ShiftTab(next);
    }
    EXPECT_EQ(QApplication::focusWidget(), box) << "Shift+Tab came to " << Name(QApplication::focusWidget()).toStdString();
    EXPECT_EQ(box->text(), QStringLiteral("12"));
    EXPECT_EQ(messages_.Beeps(), 0);
  }
}

TEST_F(KeyboardTest, TwelveTabEighteenFillsTwoBoxes) {
  auto* first = Focus<QLineEdit>("frmV", QStringLiteral("txtKol(0)"));
  ASSERT_NE(first, nullptr);
  TypeOver(first, QStringLiteral("12"));
  Tab(first);
  auto* second = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->objectName(), QStringLiteral("txtKol(1)"));
  TypeOver(second, QStringLiteral("18"));
  EXPECT_EQ(first->text(), QStringLiteral("12"));
  EXPECT_EQ(second->text(), QStringLiteral("18"));
  EXPECT_EQ(messages_.Beeps(), 0);
}

// ---- Enter ---------------------------------------------------------------

TEST_F(KeyboardTest, EnterInTheQuantityBoxCalculatesAsTheButtonDoes) {
  struct Case {
    const char* quantity;
    bool calculated;
    const char* message;  // the error shown, when there is one
  };
  const Case cases[] = {
      {"4200", true, nullptr},
      {"", false, "Не задан объем натурального показателя - графа Количество!!!"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.quantity);
    session_->program().frm1.txtStBaz.clear();
    session_->RefreshAll();
    messages_.Clear();
    auto* quantity = Focus<QLineEdit>("frm1", QStringLiteral("txtKolic"));
    ASSERT_NE(quantity, nullptr);
    quantity->selectAll();
    Key(quantity, Qt::Key_Delete);
    TypeText(quantity, Q(test.quantity));
    Enter(quantity);
    EXPECT_EQ(session_->program().frm1.txtKolic, test.quantity);
    EXPECT_EQ(!session_->program().frm1.txtStBaz.empty(), test.calculated);
    EXPECT_EQ(!Find<QLineEdit>(&session_->frm1(), "txtStBaz")->text().isEmpty(), test.calculated);
    const auto shown = messages_.Shown();
    if (test.message == nullptr) {
      EXPECT_TRUE(shown.empty());
      EXPECT_EQ(messages_.Beeps(), 0);
    } else {
      ASSERT_EQ(shown.size(), 1U);
      EXPECT_EQ(shown[0].text, test.message);
    }
    EXPECT_TRUE(session_->frm1().isVisible());
  }
}

// In the share-of-an-item mode the item number box takes the quantity's
// place, and Enter there calculates too.
TEST_F(KeyboardTest, EnterInTheItemNumberBoxCalculates) {
  AddAnItemByKeyboard();
  ASSERT_EQ(session_->program().state.KolZd(), 1);
  Find<QCheckBox>(&session_->frm1(), "chkProcent")->click();
  session_->program().frm1.txtStBaz.clear();
  auto* number = Focus<QLineEdit>("frm1", QStringLiteral("txtProcent"));
  ASSERT_NE(number, nullptr);
  TypeText(number, Q("1"));
  Enter(number);
  EXPECT_FALSE(session_->program().frm1.txtStBaz.empty());
}

TEST_F(KeyboardTest, EnterPressesTheDefaultButtonOfTheCalculators) {
  // The quantity window hands its sum to the main window.
  ASSERT_NE(Focus<QLineEdit>("frmV", QStringLiteral("txtKol(0)")), nullptr);
  TypeInTurnAndEnter({QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
  EXPECT_EQ(session_->program().frm1.txtKolic, "24");
  EXPECT_EQ(Find<QLineEdit>(&session_->frm1(), "txtKolic")->text(), QStringLiteral("24"));
  EXPECT_TRUE(Find<QPushButton>(&session_->frmV(), "cmdKol")->isDefault());

  // The construction-cost window calculates.
  ASSERT_NE(Focus<QLineEdit>("frmSMR", QStringLiteral("txt1")), nullptr);
  TypeInTurnAndEnter({QStringLiteral("2"), QStringLiteral("3")});
  EXPECT_FALSE(session_->program().frmSMR.txtS.empty());
  EXPECT_FALSE(Find<QLineEdit>(&session_->frmSMR(), "txtS")->text().isEmpty());

  // Enter on another focused button presses that one, not the default.
  auto* handOver = Focus<QPushButton>("frmSMR", QStringLiteral("cmdGl"));
  ASSERT_NE(handOver, nullptr);
  session_->program().frmSMR.txtS.clear();
  bool handed = false;
  QObject::connect(handOver, &QPushButton::clicked, [&handed] { handed = true; });
  Enter(handOver);
  EXPECT_TRUE(handed);
  EXPECT_TRUE(session_->program().frmSMR.txtS.empty());
}

// ---- Esc -----------------------------------------------------------------

TEST_F(KeyboardTest, EscClosesEachSecondaryWindowAsItsCloseButtonDoes) {
  struct Case {
    const char* window;
    const char* focus;  // the widget that has the focus when Esc is pressed
  };
  const Case cases[] = {{"frmKoeff", "txtKoeffK(2)"}, {"frmKoeff", "cboKotr"}, {"frmObD", "txtNdog"},
                        {"frmObD", "txtShapka(0)"},   {"frmV", "txtKol(4)"},    {"frmW", "txt1(1)"},
                        {"frmSMR", "txt1"}};
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.window) + " " + test.focus);
    session_->program().frm1.chkW = test.window == std::string("frmW");
    QWidget* focused = Focus(test.window, Q(test.focus));
    ASSERT_NE(focused, nullptr);
    messages_.Clear();
    Escape(focused);
    EXPECT_FALSE(Window(test.window)->isVisible());
    EXPECT_EQ(messages_.Beeps(), 0);
    EXPECT_TRUE(session_->frm1().isVisible());
  }
  // Closing the pay-out window switches its check box off, as its close
  // button does; closing the general-data window tells its model.
  EXPECT_FALSE(session_->program().frm1.chkW);
  EXPECT_FALSE(session_->program().frmObD.visible);
}

TEST_F(KeyboardTest, EscInTheMainWindowClosesNothing) {
  auto* quantity = Focus<QLineEdit>("frm1", QStringLiteral("txtKolic"));
  ASSERT_NE(quantity, nullptr);
  Escape(quantity);
  EXPECT_TRUE(session_->frm1().isVisible());
  EXPECT_TRUE(session_->frmKoeff().isVisible());
  EXPECT_EQ(messages_.Beeps(), 0);
}

// ---- Tab order -----------------------------------------------------------

// The names of the widgets Tab visits, from the window's first one round
// to it again.
QStringList TabWalk(QWidget* window) {
  QStringList names;
  QWidget* widget = window;
  for (int step = 0; step < 500; ++step) {
    widget = widget->nextInFocusChain();
    if (widget == window) break;
    const bool visits = (widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isVisibleTo(window) &&
                        widget->isEnabled() && widget->focusProxy() == nullptr;
    if (visits) names << widget->objectName();
  }
  return names;
}

// The walk turned round so that it starts at `first` (Tab goes round a window).
QStringList StartingAt(const QStringList& walk, const QString& first) {
  const qsizetype at = walk.indexOf(first);
  if (at < 0) return walk;
  return walk.mid(at) + walk.mid(0, at);
}

void ExpectInOrder(const QStringList& walk, const QStringList& expected) {
  int last = -1;
  for (const QString& name : expected) {
    const int at = static_cast<int>(walk.indexOf(name));
    EXPECT_GE(at, 0) << name.toStdString() << " is not on the Tab walk";
    EXPECT_GT(at, last) << name.toStdString() << " comes too early: " << walk.join(' ').toStdString();
    last = at;
  }
}

TEST_F(KeyboardTest, TabWalksEachWindowTopToBottomLeftToRight) {
  struct Case {
    const char* window;
    QStringList order;
  };
  const Case cases[] = {
      {"frm1",
       {"txtZd", "txtFind", "cboTab", "cboP", "txtNp", "txtKolic", "chkProcent", "cmdOk", "txtStB", "txtStBaz",
        "txtStP", "txtStd", "txtStPd", "cmdDob", "lstZd(0)", "cmdDel", "cmdRed", "cmdDelZd", "cmdVerx(0)",
        "cmdVerx(1)", "chkAsave", "txtSym", "cmdOpen", "cmdSave", "cmdPrint", "chkW", "cmdCancel", "cmdSobD",
        "cmdKoeff", "optPrim(0)", "optPrim(1)", "cmdAb"}},
      {"frmKoeff",
       {"cmdSave", "chkKoeff(0)", "txtKoeffIm(0)", "txtKoeffI(0)", "txtKoeffK(0)", "txtKoeffP(0)", "chkKoeff(4)",
        "txtKoeffP(4)", "cboKotr", "chkKoeff(5)", "txtKoeffP(14)", "optGil(0)", "txtKi(0)", "optGil(1)", "txtKi(1)"}},
      {"frmObD",
       {"cmdSave", "txtNdog", "txtDataDog", "txtShapka(0)", "txtShapka(1)", "txtShapka(2)", "txtK(0)", "txtKc(0)",
        "txtK(1)", "chkK(2)", "txtK(2)", "txtKc(7)", "chk1(0)", "txt1(0)", "txt2(0)", "chk1(2)", "txt2(2)", "cmdHide"}},
      {"frmV",
       {"txtKol(0)", "txtKol(1)", "txtKol(2)", "txtKol(3)", "txtKol(4)", "txtKol(5)", "txtKol(6)", "txtKol(7)",
        "txtKol(8)", "txtKol(9)", "cmdKol"}},
      {"frmW", {"txt1(0)", "txt2(0)", "txt1(1)", "txt1(2)", "txt1(3)", "txt2(3)"}},
      {"frmSMR", {"txt1", "txt2", "cmdOk", "txtPr", "txtS", "cmdGl"}},
  };
  AddAnItemByKeyboard();  // the buttons of the estimate list wait for a selected line
  for (const Case& test : cases) {
    SCOPED_TRACE(test.window);
    QWidget* window = Window(test.window);
    window->show();
    QApplication::processEvents();
    ExpectInOrder(StartingAt(TabWalk(window), test.order.front()), test.order);
  }
  // A norm table's points and the cost list take no Tab stop.
  const QStringList main = TabWalk(&session_->frm1());
  EXPECT_FALSE(main.contains("txtV(1)"));
  EXPECT_FALSE(main.contains("lstZd(1)"));
}

// The grid takes Tab stops where a user table is typed: the filled rows
// and the next one to fill; the read-only rows never. A focused cell is
// scrolled into view.
TEST_F(KeyboardTest, TheGridTakesTabStopsOnlyWhereAUserTableIsTyped) {
  {
    MainContext ctx = Ctx();
    SelectTable(ctx, 0);
  }
  session_->RefreshAll();
  QWidget* window = &session_->frm1();
  const auto stops = [window] {
    QStringList cells;
    for (const QString& name : TabWalk(window)) {
      if (name.startsWith("txtV") || name.startsWith("txtSt(")) cells << name;
    }
    return cells;
  };
  EXPECT_EQ(stops(), (QStringList{"txtV(1)", "txtSt(1)"}));
  auto* first = Focus<QLineEdit>("frm1", QStringLiteral("txtV(1)"));
  ASSERT_NE(first, nullptr);
  TypeOver(first, QStringLiteral("100"));
  EXPECT_EQ(stops(), (QStringList{"txtV(1)", "txtSt(1)", "txtV(2)", "txtSt(2)"}));
  for (int row = 2; row <= 30; ++row) {
    auto* cell = Find<QLineEdit>(window, Indexed("txtV", row).toUtf8().constData());
    cell->setText(QString::number(row * 100));
    emit cell->textEdited(cell->text());
  }
  EXPECT_EQ(stops().size(), 2 * 23);  // rows 24-30 are read-only
  for (const char* name : {"txtSt(23)", "txtV(1)"}) {
    auto* cell = Focus<QLineEdit>("frm1", Q(name));
    ASSERT_NE(cell, nullptr);
    QApplication::processEvents();
    EXPECT_EQ(cell->visibleRegion().boundingRect().size(), cell->size()) << name;
  }
}

// ---- Shortcuts -------------------------------------------------------------

// The save and open dialogs, cancelled by the user.
struct CancelledSave : SaveDialog {
  std::optional<SaveChoice> Ask(MainContext&) override { return std::nullopt; }
};
struct CancelledOpen : OpenDialog {
  std::optional<OpenChoice> Ask(MainContext&) override { return std::nullopt; }
};

// Each key of the main window presses its button as a click does, from
// wherever the focus is; each shortcut is named in its button's tool tip.
TEST_F(KeyboardTest, EachKeyOfTheMainWindowPressesItsButton) {
  struct Case {
    const char* focus;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* button;
    const char* toolTip;  // the key as the button's tool tip names it
  };
  const Qt::KeyboardModifiers none = Qt::NoModifier;
  const Case cases[] = {
      {"txtKolic", Qt::Key_Return, Qt::ControlModifier, "cmdDob", "Ctrl+Enter"},
      {"txtZd", Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, "cmdDob", "Ctrl+Enter"},
      {"cboTab", Qt::Key_S, Qt::ControlModifier, "cmdSave", "Ctrl+S"},
      {"lstZd(0)", Qt::Key_O, Qt::ControlModifier, "cmdOpen", "Ctrl+O"},
      {"txtZd", Qt::Key_P, Qt::ControlModifier, "cmdPrint", "Ctrl+P"},
      {"txtZd", Qt::Key_F2, none, "cmdRed", "F2"},
      {"lstZd(0)", Qt::Key_Return, none, "cmdRed", "Enter"},
      {"lstZd(0)", Qt::Key_Enter, Qt::KeypadModifier, "cmdRed", "Enter"},
      {"lstZd(0)", Qt::Key_Delete, none, "cmdDel", "Del"},
      // Enter (either one) on a focused button presses it.
      {"cmdKoeff", Qt::Key_Return, none, "cmdKoeff", nullptr},
      {"cmdSobD", Qt::Key_Enter, Qt::KeypadModifier, "cmdSobD", nullptr},
      {"cmdVerx(1)", Qt::Key_Return, none, "cmdVerx(1)", nullptr},
      // Alt and the underlined letter.
      {"txtZd", 0x414, Qt::AltModifier, "cmdDob", nullptr},     // Д
      {"txtZd", 0x421, Qt::AltModifier, "cmdSave", nullptr},    // С
      {"txtKolic", 0x422, Qt::AltModifier, "cmdOk", nullptr},   // Т
      {"txtZd", 0x41A, Qt::AltModifier, "cmdKoeff", nullptr},   // К
  };
  // The buttons' own work needs no dialogs here.
  session_->saveDialog = [] { return std::make_unique<CancelledSave>(); };
  session_->openDialog = [] { return std::make_unique<CancelledOpen>(); };
  session_->frm1().printPreview = [](const Sheet&) {};
  QWidget* window = &session_->frm1();
  AddAnItemByKeyboard();
  AddAnItemByKeyboard();
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.focus) + " -> " + test.button);
    // The buttons of the estimate list act on a selected line.
    session_->program().frm1.lstZdIndex = {0, 0};
    session_->RefreshAll();
    auto* button = Find<QPushButton>(window, test.button);
    ASSERT_NE(button, nullptr);
    int clicks = 0;
    const auto counting = QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    QWidget* focused = Focus("frm1", Q(test.focus));
    ASSERT_NE(focused, nullptr);
    QTest::sendKeyEvent(QTest::Click, focused, static_cast<Qt::Key>(test.key), QString(), test.modifiers);
    // A mnemonic presses its button as a click drawn on the screen, a moment later.
    if (test.modifiers == Qt::AltModifier) {
      EXPECT_TRUE(QTest::qWaitFor([&clicks] { return clicks > 0; }, 2000));
    }
    QObject::disconnect(counting);
    EXPECT_EQ(clicks, 1);
    if (test.toolTip != nullptr) {
      EXPECT_TRUE(button->toolTip().contains(Q(test.toolTip))) << button->toolTip().toStdString();
    }
    session_->frm1().activateWindow();
  }
}

// Down and Up on the closed table list move through the tables without
// choosing each one; the table stopped at is chosen once, by Enter or when
// the focus leaves the list.
TEST_F(KeyboardTest, ArrowsOnTheClosedTableListChooseOnlyWhereTheyStop) {
  const int start = session_->program().frm1.cboTabIndex;
  for (const int leave : {Qt::Key_Return, Qt::Key_Tab}) {
    SCOPED_TRACE(leave);
    auto* tables = Focus<QComboBox>("frm1", QStringLiteral("cboTab"));
    ASSERT_NE(tables, nullptr);
    const int before = session_->program().frm1.cboTabIndex;
    QTest::keyClick(tables, Qt::Key_Down);
    QTest::keyClick(tables, Qt::Key_Down);
    EXPECT_EQ(session_->program().frm1.cboTabIndex, before);
    EXPECT_EQ(session_->program().state.NomTab, before);
    QTest::keyClick(tables, static_cast<Qt::Key>(leave));
    EXPECT_EQ(session_->program().frm1.cboTabIndex, before + 2);
    EXPECT_EQ(tables->currentIndex(), before + 2);
  }
  EXPECT_EQ(session_->program().frm1.cboTabIndex, start + 4);
}

// The estimate list: Tab into it selects nothing.
TEST_F(KeyboardTest, TabIntoTheEstimateListSelectsNothing) {
  AddAnItemByKeyboard();
  ASSERT_EQ(session_->program().state.KolZd(), 1);
  session_->program().frm1.lstZdIndex = {-1, -1};
  session_->RefreshAll();
  auto* add = Focus<QPushButton>("frm1", QStringLiteral("cmdSMR"));
  ASSERT_NE(add, nullptr);
  Tab(add);
  EXPECT_EQ(Name(QApplication::focusWidget()), QStringLiteral("lstZd(0)"));
  EXPECT_EQ(session_->program().frm1.lstZdIndex[0], -1);
}

TEST_F(KeyboardTest, TabLeavesTheCalculationTextOfTheMainWindow) {
  auto* text = Focus<QPlainTextEdit>("frm1", QStringLiteral("txtStB"));
  ASSERT_NE(text, nullptr);
  const QString before = text->toPlainText();
  Tab(text);
  EXPECT_NE(QApplication::focusWidget(), text);
  EXPECT_EQ(text->toPlainText(), before);
}

// ---- Russian buttons -----------------------------------------------------

QStringList ButtonTexts(QDialog* dialog) {
  QStringList texts;
  for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) texts << button->text();
  texts.sort();
  return texts;
}

TEST(RussianButtons, QuestionsAndMessagesShowRussianButtonsAndAnswerByThem) {
  struct Case {
    const char* kind;
    QStringList buttons;  // sorted
    const char* press;
    bool answer;
  };
  const Case cases[] = {
      {"ok-cancel", {Q("ОК"), Q("Отмена")}, "Отмена", false},
      {"ok-cancel", {Q("ОК"), Q("Отмена")}, "ОК", true},
      {"yes-no", {Q("Да"), Q("Нет")}, "Нет", false},
      {"yes-no", {Q("Да"), Q("Нет")}, "Да", true},
      {"message", {Q("ОК")}, "ОК", true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.kind) + " " + test.press);
    QtMessages messages;
    QStringList shown;
    WhenModal([&shown, &test](QDialog* dialog) {
      shown = ButtonTexts(dialog);
      for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == Q(test.press)) {
          button->click();
          return;
        }
      }
    });
    bool answer = true;
    const std::string kind = test.kind;
    if (kind == "ok-cancel") {
      answer = messages.AskOkCancel("Подтверждение", "Продолжить?", MessageIcon::Question);
    } else if (kind == "yes-no") {
      answer = messages.AskYesNo("Подтверждение", "Продолжить?", MessageIcon::Question);
    } else {
      messages.Show("Сообщение", "Готово.", MessageIcon::Information);
    }
    EXPECT_EQ(shown, test.buttons);
    EXPECT_EQ(answer, test.answer);
  }
}

TEST(RussianButtons, EscAnswersAQuestionWithCancel) {
  QtMessages messages;
  WhenModal([](QDialog* dialog) { Escape(dialog); });
  EXPECT_FALSE(messages.AskOkCancel("Подтверждение", "Продолжить?", MessageIcon::Question));
}

TEST(RussianButtons, QtsOwnDialogsAreTranslatedWhenTheTranslationIsInstalled) {
  const QString file = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm");
  if (!QFile::exists(file)) GTEST_SKIP() << "Qt's Russian translation is not installed";
  // The test program loads it at start, as the desktop program does.
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Close);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), Q("Отмена"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Close)->text(), Q("Закрыть"));
}

// A picture of a question with its Russian buttons, for a person to look
// at. Runs only when VERDIN_SCREENSHOTS names a folder for the PNG file.
TEST(Screenshots, QuestionWithRussianButtons) {
  const char* folder = std::getenv("VERDIN_SCREENSHOTS");
  if (folder == nullptr) GTEST_SKIP() << "set VERDIN_SCREENSHOTS to a folder to take the picture";
  QtMessages messages;
  bool saved = false;
  WhenModal([&saved, folder](QDialog* dialog) {
    QApplication::processEvents();
    saved = dialog->grab().save(QString::fromLocal8Bit(folder) + QStringLiteral("/question.png"));
    dialog->reject();
  });
  messages.AskOkCancel("Подтверждение удаления данных", "Все введенные данные будут удалены!!! Вы уверены?",
                       MessageIcon::Question);
  EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace verdin
