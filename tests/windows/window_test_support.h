// Driving real widgets in the window tests: finding them by name, typing,
// clicking, and acting on a modal dialog from a timer.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>

namespace verdin::testing::windows {

inline QString Q(const char* text) { return QString::fromUtf8(text); }

// The name of an element of a control array: Indexed("txtKol", 3) is "txtKol(3)".
inline QString Indexed(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// One key as the keyboard sends it (a character, or a key such as Return).
inline void Press(QWidget* widget, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar character : text) Press(widget, 0, QString(character));
}

// The user selects the box's text and types over it.
inline void TypeOver(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  TypeText(edit, text);
}

template <typename Widget>
Widget* Find(QWidget* window, const char* name) {
  auto* widget = window->findChild<Widget*>(QLatin1String(name));
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

// A left-button click in the middle of the named entry of the file list,
// as the mouse gives it.
inline void ClickFile(QWidget* window, const char* name) {
  auto* files = Find<QListWidget>(window, "Files");
  ASSERT_NE(files, nullptr);
  const QList<QListWidgetItem*> found = files->findItems(Q(name), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << name;
  files->scrollToItem(found.front());
  const QPointF at = files->visualItemRect(found.front()).center();
  const QPointF global = files->viewport()->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(files->viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(files->viewport(), &release);
  QApplication::processEvents();
}

inline void TypeInto(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  for (const QChar character : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
    QApplication::sendEvent(edit, &press);
  }
}

// The texts of every label in the window.
inline QStringList LabelTexts(const QWidget* window) {
  QStringList texts;
  for (const QLabel* label : window->findChildren<QLabel*>()) texts << label->text();
  return texts;
}

// A window of its own, under the name the program gives it and with its
// caption.
inline void ExpectWindow(const QWidget& window, const char* name, const char* title) {
  EXPECT_EQ(window.objectName(), QString::fromLatin1(name));
  EXPECT_EQ(window.windowTitle(), Q(title));
  EXPECT_TRUE(window.isWindow());
}

inline void Click(QWidget* window, const char* button) {
  auto* widget = Find<QPushButton>(window, button);
  ASSERT_NE(widget, nullptr);
  widget->click();
}

// Runs `act` on the modal dialog once it is shown; closes it if `act`
// leaves it open, so a failing test never hangs.
inline void WhenModal(std::function<void(QDialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
}

}  // namespace verdin::testing::windows
