// The main window's estimate lists moving as one list, and its notes
// sharing the width of a laptop screen, on the real widgets.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QWheelEvent>

#include "ui/main_window.h"
#include "window_fixtures.h"

namespace verdin {
namespace {

constexpr int kItems = 50;

class MainWindowLayout : public testing::windows::MainWindowWidgetTest {
 protected:
  void AddItems(int count) {
    auto ctx = Ctx();
    for (int i = 1; i <= count; ++i) {
      form().txtKolic = "1000";
      // Every tenth name is long enough to need the horizontal scroll bar.
      form().txtZd = "Объект " + std::to_string(i) + (i % 10 == 0 ? std::string(120, 'x') : "");
      ASSERT_TRUE(CmdOk(ctx));
      ASSERT_TRUE(CmdDob(ctx));
    }
    window_->Refresh();
  }

  void ShowAt(int width, int height) {
    window_->resize(width, height);
    window_->show();
    QApplication::processEvents();
  }

  QListWidget* List(int index) {
    auto* list = window_->findChild<QListWidget*>(QStringLiteral("lstZd(%1)").arg(index));
    EXPECT_NE(list, nullptr);
    return list;
  }
  static int FirstVisibleRow(QListWidget* list) { return list->indexAt(QPoint(2, 2)).row(); }

  QRadioButton* Notes(int option) {
    return window_->findChild<QRadioButton*>(QStringLiteral("optPrim(%1)").arg(option));
  }
};

TEST_F(MainWindowLayout, ScrollingEitherListScrollsTheOtherToTheSameRow) {
  AddItems(kItems);
  ShowAt(1100, 700);
  struct Case {
    int scrolled;
    int value;  // -1: as far down as it goes
  };
  for (const Case& c : {Case{0, 30}, Case{1, 25}, Case{0, -1}, Case{1, -1}, Case{1, 0}, Case{0, 12}}) {
    QListWidget* scrolled = List(c.scrolled);
    QListWidget* other = List(1 - c.scrolled);
    QScrollBar* bar = scrolled->verticalScrollBar();
    const int value = c.value < 0 ? bar->maximum() : std::min(c.value, bar->maximum());
    bar->setValue(value);
    QApplication::processEvents();
    SCOPED_TRACE(::testing::Message() << "list " << c.scrolled << " to " << value);
    ASSERT_GT(bar->maximum(), 20);
    EXPECT_EQ(FirstVisibleRow(scrolled), value);
    EXPECT_EQ(FirstVisibleRow(other), FirstVisibleRow(scrolled));
    EXPECT_EQ(other->verticalScrollBar()->maximum(), bar->maximum());
  }
}

TEST_F(MainWindowLayout, TheWheelOverTheNameListScrollsBoth) {
  AddItems(kItems);
  ShowAt(1100, 700);
  QWidget* viewport = List(0)->viewport();
  const QPointF at = viewport->rect().center();
  QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(viewport, &wheel);
  QApplication::processEvents();
  EXPECT_GT(FirstVisibleRow(List(0)), 0);
  EXPECT_EQ(FirstVisibleRow(List(1)), FirstVisibleRow(List(0)));
}

TEST_F(MainWindowLayout, SelectingInEitherListSelectsTheSameLineOfBoth) {
  AddItems(kItems);
  ShowAt(1100, 700);
  for (const auto& [list, line] : {std::pair{1, 44}, std::pair{0, 3}, std::pair{1, 49}, std::pair{0, 20}}) {
    SCOPED_TRACE(::testing::Message() << "list " << list << " line " << line);
    List(list)->setCurrentRow(line);
    QApplication::processEvents();
    EXPECT_EQ(List(0)->currentRow(), line);
    EXPECT_EQ(List(1)->currentRow(), line);
    EXPECT_EQ(form().lstZdIndex[0], line);
    EXPECT_EQ(FirstVisibleRow(List(0)), FirstVisibleRow(List(1)));
    // The selected line stands in view in both.
    for (int index = 0; index < 2; ++index) {
      const QRect row = List(index)->visualItemRect(List(index)->item(line));
      EXPECT_TRUE(List(index)->viewport()->rect().intersects(row)) << index;
    }
  }
}

TEST_F(MainWindowLayout, DoubleClickOnTheCostListTakesTheItemBack) {
  AddItems(3);
  ShowAt(1100, 700);
  QListWidget* costs = List(1);
  costs->setCurrentRow(1);
  emit costs->itemDoubleClicked(costs->item(1));
  EXPECT_EQ(state().NomRed, 1);
  EXPECT_EQ(form().txtZd, "Объект 2");
}

TEST_F(MainWindowLayout, NotesShareTheWidthOfALaptopScreen) {
  AddItems(2);
  ShowAt(1366, 720);
  auto* notes = window_->findChild<QGroupBox*>(QStringLiteral("Рамка5"));
  auto* splitter = window_->findChild<QSplitter*>();
  ASSERT_TRUE(notes && splitter);
  EXPECT_FALSE(notes->isVisible());
  const int bodyWidth = splitter->widget(0)->width();

  Notes(1)->click();
  QApplication::processEvents();
  EXPECT_TRUE(notes->isVisible());
  EXPECT_EQ(window_->width(), 1366);
  EXPECT_GE(notes->width(), notes->minimumWidth());
  EXPECT_GE(notes->width(), 1366 / 5);
  EXPECT_LE(window_->minimumSizeHint().width(), 1366);
  EXPECT_LE(window_->minimumSizeHint().height(), 768 - 40);

  Notes(0)->click();
  QApplication::processEvents();
  EXPECT_FALSE(notes->isVisible());
  EXPECT_EQ(window_->width(), 1366);
  EXPECT_EQ(splitter->widget(0)->width(), bodyWidth);
}

TEST_F(MainWindowLayout, NoCaptionIsCutAtTheSmallestSize) {
  for (const int option : {0, 1}) {
    SCOPED_TRACE(option);
    Notes(option)->click();
    window_->show();
    QApplication::processEvents();
    window_->resize(window_->minimumSizeHint());
    QApplication::processEvents();
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
      if (!button->isVisible() || button->text().isEmpty()) continue;
      EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    }
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      if (!label->isVisible() || label->wordWrap() || label->text().isEmpty()) continue;
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    }
  }
}

}  // namespace
}  // namespace verdin
