// What the Qt windows share: text conversion at the boundary, message
// boxes for the Messages interface, Qt's Russian translation, key filters
// on line edits, the Esc and Enter keys of a window, and setting a widget
// from its model without echoing the change back.
#pragma once

#include <QLineEdit>
#include <QMargins>
#include <QObject>
#include <QPlainTextEdit>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/key_filters.h"
#include "core/messages.h"

class QCheckBox;
class QCoreApplication;
class QLabel;
class QPushButton;
class QWidget;

namespace verdin {

inline QString ToQ(const std::string& text) { return QString::fromStdString(text); }
inline std::string FromQ(const QString& text) { return text.toStdString(); }

// Texts of the program keep CR LF or a lone CR as line breaks; Qt shows LF.
QString ToQMultiline(const std::string& text);
std::string FromQMultiline(const QString& text);

// Message boxes: the title, the text (a CR shown as a line break), the
// icon and the buttons the command asks for; the beep is the system's.
class QtMessages : public Messages {
 public:
  explicit QtMessages(QWidget* parent = nullptr) : parent_(parent) {}
  void Show(const std::string& title, const std::string& text, MessageIcon icon) override;
  bool AskOkCancel(const std::string& title, const std::string& text, MessageIcon icon,
                   DefaultButton enter = DefaultButton::GoAhead) override;
  bool AskYesNo(const std::string& title, const std::string& text, MessageIcon icon,
                DefaultButton enter = DefaultButton::GoAhead) override;
  Answer AskYesNoCancel(const std::string& title, const std::string& text, MessageIcon icon) override;
  void Beep() override;

 private:
  QWidget* parent_;
};

// Loads Qt's own Russian translation (the standard buttons and dialogs of
// Qt) into the application. Returns false when the translation file is not
// installed; the program then runs on, and its message boxes still carry
// the Russian button texts they set themselves.
bool LoadQtRussian(QCoreApplication& application);

// A key filter on a line edit: each typed character goes through `filter`;
// a changed character is entered in its place, a refused one beeps. Tab,
// Shift+Tab, Enter and Esc are keys of the window, not characters: they
// pass untouched, so the focus moves on, Enter confirms and Esc closes.
class KeyFilter : public QObject {
 public:
  KeyFilter(QLineEdit* edit, std::function<KeyFilterResult(int)> filter, Messages& messages);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* edit_;
  std::function<KeyFilterResult(int)> filter_;
  Messages& messages_;
};

// The keys of a secondary window: Esc closes it as its close button does;
// Enter (the main keyboard's or the keypad's) presses `defaultButton` (when
// given and enabled), unless the focus is on another button (Enter presses
// that one) or on a box that takes Enter itself. The default button is
// drawn as such, and the focused control is framed clearly (MarkFocus).
void SetWindowKeys(QWidget* window, QPushButton* defaultButton = nullptr);

// The keys of the main window: Enter presses the focused button; Esc
// closes nothing. The focused control is framed clearly.
void SetMainWindowKeys(QWidget* window);

// Draws a clear frame around whichever control of `window` has the
// keyboard focus, over any widget style, so that a user working by
// keyboard always sees where the next key goes. The frame is a child of
// the window and follows the focus.
void MarkFocus(QWidget* window);

// The accessible name of a control, read by screen readers and found by
// accessibility tools: a label's text without its line breaks and
// mnemonic marks ("&").
void SetAccessibleName(QWidget* control, const QString& label);

// The accessible name of a control repeated on every row of a window:
// the label and the row counted from 1 ("Значение коэффициента 3" for the
// row of index 2).
void SetRowAccessibleName(QWidget* control, const char* label, int index);

// Names every button and check box of `window` that has no accessible name
// yet by its caption.
void NameButtonsByCaption(QWidget* window);

// The frame a window manager draws around a window (title bar and
// borders), as margins around the window's inside; none where no window
// manager frames the window (yet).
QMargins FrameMargins(const QWidget& window);

// Runs `then` once, as soon as the window manager has framed every one of
// the shown `windows` (so FrameMargins tells their frames), and never when
// that has not happened within a few seconds (no window manager).
void WhenFramed(const std::vector<QWidget*>& windows, std::function<void()> then);

// The name of an element of a control array: ArrayName("txtKc", 5) is "txtKc(5)".
QString ArrayName(const char* name, int index);

// Width of a line edit that shows `chars` letters without cutting them.
int EditWidth(const QWidget* edit, int chars);

// EditWidth for the many boxes of one window, each width measured once
// per font and number of letters: measuring shapes the text anew every
// time, and a window's boxes share a handful of widths.
class EditWidths {
 public:
  int operator()(const QWidget* edit, int chars);

 private:
  std::map<std::pair<QString, int>, int> known_;  // (font key, letters) -> width
};

// The small square "С" button that saves a window's state file.
QPushButton* MakeSaveButton(QWidget* parent, const char* toolTip);

// A red label under a window's boxes that tells what could not be worked
// out; hidden until there is something to say.
QLabel* MakeProblemLabel(QWidget* parent);

// Every edit the user makes in the box is written into `field` (which
// must outlive the box), then `after` runs.
void BindText(QLineEdit* edit, std::string& field, std::function<void()> after);
// The same for a check box and its flag.
void BindCheck(QCheckBox* box, bool& field, std::function<void()> after);

// Sets the widget's text when it differs, without emitting its signals.
void SetQuietly(QLineEdit* edit, const std::string& text);
void SetQuietly(QPlainTextEdit* edit, const std::string& text);

}  // namespace verdin
