#include "ui/qt_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <memory>
#include <vector>

namespace verdin {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Exclamation:
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::None: return QMessageBox::NoIcon;
  }
  return QMessageBox::NoIcon;
}

QString MessageText(const std::string& text) {
  QString shown = ToQMultiline(text);
  return shown;
}

// The Russian captions of the standard buttons, set on every message box
// so that they show even where Qt's translation is not installed.
void SetRussianButtonTexts(QMessageBox& box) {
  struct Caption {
    QMessageBox::StandardButton button;
    const char* text;
  };
  static constexpr Caption kCaptions[] = {{QMessageBox::Ok, "ОК"},
                                          {QMessageBox::Cancel, "Отмена"},
                                          {QMessageBox::Yes, "Да"},
                                          {QMessageBox::No, "Нет"}};
  for (const Caption& caption : kCaptions) {
    if (QAbstractButton* button = box.button(caption.button)) button->setText(QString::fromUtf8(caption.text));
  }
}

// A message box with its buttons: Enter presses `enter`, Esc and the
// close button of the box press `escape` (the answer that changes nothing).
int Ask(QWidget* parent, const std::string& title, const std::string& text, MessageIcon icon,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton enter,
        QMessageBox::StandardButton escape) {
  QMessageBox box(IconOf(icon), ToQ(title), MessageText(text), buttons, parent);
  SetRussianButtonTexts(box);
  box.setDefaultButton(enter);
  box.setEscapeButton(escape);
  return box.exec();
}

// Tab, Shift+Tab, Enter and Esc act on the window, whatever box has the focus.
bool IsWindowKey(int key) {
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return true;
    default: return false;
  }
}

// Esc and Enter of one window; see SetWindowKeys. Key presses that no box
// of the window took reach the window itself, where this filter sees them.
class WindowKeys : public QObject {
 public:
  WindowKeys(QWidget* window, QPushButton* defaultButton, bool escCloses)
      : QObject(window), window_(window), defaultButton_(defaultButton), escCloses_(escCloses) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    switch (key->key()) {
      case Qt::Key_Escape:
        if (!escCloses_) return false;
        window_->close();
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter: return PressDefault();
      default: return false;
    }
  }

 private:
  bool PressDefault() {
    if (auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        focused != nullptr && window_->isAncestorOf(focused)) {
      focused->click();
      return true;
    }
    if (defaultButton_ == nullptr || !defaultButton_->isEnabled()) return false;
    defaultButton_->click();
    return true;
  }

  QWidget* window_;
  QPushButton* defaultButton_;
  bool escCloses_;
};

// The frame MarkFocus draws: a child of the window, above its other
// children, that lets the mouse through and paints a two-pixel border
// around the visible part of the focused control.
class FocusFrame : public QWidget {
 public:
  explicit FocusFrame(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("focusFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
  }

 protected:
  // The control, or a widget that holds it (a scrolled list of boxes),
  // moved, changed its size or was shown or hidden.
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide: Place(); break;
      default: break;
    }
    return false;
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QPen pen(palette().color(QPalette::Highlight), kWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(kWidth / 2.0, kWidth / 2.0, -kWidth / 2.0, -kWidth / 2.0));
  }

 private:
  static constexpr int kWidth = 2;

  void Follow(QWidget* focused) {
    for (const QPointer<QWidget>& widget : watched_) {
      if (widget != nullptr) widget->removeEventFilter(this);
    }
    watched_.clear();
    target_ = focused != nullptr && focused->window() == parentWidget() ? focused : nullptr;
    for (QWidget* widget = target_; widget != nullptr && widget != parentWidget(); widget = widget->parentWidget()) {
      widget->installEventFilter(this);
      watched_.emplace_back(widget);
    }
    Place();
  }

  // Around the part of the control that is in view (a box in a scrolled
  // list of boxes may be partly hidden), in the window's coordinates.
  void Place() {
    const QRect visible = target_ != nullptr && target_->isVisible() ? target_->visibleRegion().boundingRect() : QRect();
    if (visible.isEmpty()) {
      hide();
      return;
    }
    const QRect around(target_->mapTo(parentWidget(), visible.topLeft()), visible.size());
    setGeometry(around.adjusted(-kWidth, -kWidth, kWidth, kWidth));
    raise();
    show();
    update();
  }

  QPointer<QWidget> target_;
  std::vector<QPointer<QWidget>> watched_;  // the control and the widgets that hold it
};

// Waits for the window manager's frames; see WhenFramed. The windows tell
// of a new frame by a move or a resize; a timer ends the wait.
class FrameWait : public QObject {
 public:
  FrameWait(const std::vector<QWidget*>& windows, std::function<void()> then)
      : then_(std::move(then)) {
    for (QWidget* window : windows) {
      windows_.emplace_back(window);
      window->installEventFilter(this);
    }
    QTimer::singleShot(kPatience, this, [this] { deleteLater(); });
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const bool maybeFramed = event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                             event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange;
    if (!done_ && maybeFramed && AllFramed()) {
      done_ = true;
      // After the window system's events in hand, so Qt's picture of the
      // frames is settled.
      QTimer::singleShot(0, this, [this] {
        then_();
        deleteLater();
      });
    }
    return false;
  }

 private:
  static constexpr int kPatience = 3000;  // ms

  bool AllFramed() const {
    return std::all_of(windows_.begin(), windows_.end(), [](const QPointer<QWidget>& window) {
      return window != nullptr && window->isVisible() && !FrameMargins(*window).isNull();
    });
  }

  std::vector<QPointer<QWidget>> windows_;
  std::function<void()> then_;
  bool done_ = false;
};

}  // namespace

QMargins FrameMargins(const QWidget& window) {
  const QRect inside = window.geometry();
  const QRect frame = window.frameGeometry();
  return {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
          frame.bottom() - inside.bottom()};
}

void WhenFramed(const std::vector<QWidget*>& windows, std::function<void()> then) {
  if (windows.empty()) return;
  auto* wait = new FrameWait(windows, std::move(then));
  wait->setParent(windows.front());
}

QString ToQMultiline(const std::string& text) {
  QString shown = ToQ(text);
  shown.replace("\r\n", "\n");
  shown.replace('\r', '\n');
  return shown;
}

std::string FromQMultiline(const QString& text) {
  QString stored = text;
  stored.replace("\r\n", "\n");
  stored.replace('\n', "\r\n");
  return FromQ(stored);
}

void QtMessages::Show(const std::string& title, const std::string& text, MessageIcon icon) {
  Ask(parent_, title, text, icon, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessages::AskOkCancel(const std::string& title, const std::string& text, MessageIcon icon,
                             DefaultButton enter) {
  const auto pressed = Ask(parent_, title, text, icon, QMessageBox::Ok | QMessageBox::Cancel,
                           enter == DefaultButton::GoAhead ? QMessageBox::Ok : QMessageBox::Cancel, QMessageBox::Cancel);
  return pressed == QMessageBox::Ok;
}

bool QtMessages::AskYesNo(const std::string& title, const std::string& text, MessageIcon icon, DefaultButton enter) {
  const auto pressed = Ask(parent_, title, text, icon, QMessageBox::Yes | QMessageBox::No,
                           enter == DefaultButton::GoAhead ? QMessageBox::Yes : QMessageBox::No, QMessageBox::No);
  return pressed == QMessageBox::Yes;
}

Answer QtMessages::AskYesNoCancel(const std::string& title, const std::string& text, MessageIcon icon) {
  switch (Ask(parent_, title, text, icon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
              QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;  // Esc and the title bar's close button too
  }
}

void QtMessages::Beep() { QApplication::beep(); }

bool LoadQtRussian(QCoreApplication& application) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  translator->setParent(&application);
  QCoreApplication::installTranslator(translator.release());
  return true;
}

KeyFilter::KeyFilter(QLineEdit* edit, std::function<KeyFilterResult(int)> filter, Messages& messages)
    : QObject(edit), edit_(edit), filter_(std::move(filter)), messages_(messages) {
  edit->installEventFilter(this);
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edit_ || event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const QString typed = key->text();
  // Keys of the window, keys without a character (arrows, Delete, Home)
  // and shortcuts pass.
  if (IsWindowKey(key->key()) || typed.isEmpty() ||
      key->modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier)) {
    return false;
  }
  const int code = typed.front().unicode() == '\b' ? 8 : static_cast<int>(typed.front().unicode());
  const KeyFilterResult result = filter_(code);
  if (result.beep) messages_.Beep();
  if (result.code == 0) return true;
  if (result.code != code) {
    edit_->insert(QString(QChar(result.code)));
    return true;
  }
  return false;
}

void SetWindowKeys(QWidget* window, QPushButton* defaultButton) {
  new WindowKeys(window, defaultButton, true);
  if (defaultButton != nullptr) defaultButton->setDefault(true);
  MarkFocus(window);
}

void SetMainWindowKeys(QWidget* window) {
  new WindowKeys(window, nullptr, false);
  MarkFocus(window);
}

void MarkFocus(QWidget* window) { new FocusFrame(window); }

void SetAccessibleName(QWidget* control, const QString& label) {
  QString name = label;
  name.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  name.remove(QLatin1Char('&'));
  name.replace(QStringLiteral("\x01"), QStringLiteral("&"));
  control->setAccessibleName(name.simplified());
}

void SetRowAccessibleName(QWidget* control, const char* label, int index) {
  SetAccessibleName(control, QStringLiteral("%1 %2").arg(QString::fromUtf8(label)).arg(index + 1));
}

void NameButtonsByCaption(QWidget* window) {
  for (auto* button : window->findChildren<QAbstractButton*>()) {
    if (button->accessibleName().isEmpty()) SetAccessibleName(button, button->text());
  }
}

QString ArrayName(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

int EditWidth(const QWidget* edit, int chars) {
  return edit->fontMetrics().horizontalAdvance(QString(chars, QChar(0x043E))) + 14;
}

int EditWidths::operator()(const QWidget* edit, int chars) {
  const auto key = std::make_pair(edit->font().key(), chars);
  if (const auto known = known_.find(key); known != known_.end()) return known->second;
  return known_.emplace(key, EditWidth(edit, chars)).first->second;
}

QPushButton* MakeSaveButton(QWidget* parent, const char* toolTip) {
  auto* button = new QPushButton(QStringLiteral("С"), parent);
  button->setObjectName(QStringLiteral("cmdSave"));
  button->setToolTip(QString::fromUtf8(toolTip));
  // The caption is one letter; the tool tip says what the button does.
  SetAccessibleName(button, button->toolTip());
  const int side = button->fontMetrics().height() + 10;
  button->setFixedSize(side, side);
  return button;
}

QLabel* MakeProblemLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QStringLiteral("lblProblem"));
  label->setWordWrap(true);
  label->setStyleSheet(QStringLiteral("color: #b00000;"));
  label->hide();
  return label;
}

void BindText(QLineEdit* edit, std::string& field, std::function<void()> after) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [&field, after](const QString& text) {
    field = FromQ(text);
    if (after) after();
  });
}

void BindCheck(QCheckBox* box, bool& field, std::function<void()> after) {
  QObject::connect(box, &QCheckBox::toggled, box, [&field, after](bool on) {
    field = on;
    if (after) after();
  });
}

void SetQuietly(QLineEdit* edit, const std::string& text) {
  const QString shown = ToQ(text);
  if (edit->text() == shown) return;
  const QSignalBlocker blocker(edit);
  edit->setText(shown);
}

void SetQuietly(QPlainTextEdit* edit, const std::string& text) {
  const QString shown = ToQMultiline(text);
  if (edit->toPlainText() == shown) return;
  const QSignalBlocker blocker(edit);
  edit->setPlainText(shown);
}

}  // namespace verdin
