// The main window's everyday editing: undo and redo of the estimate, the
// copy of an item, «Сохранить как…», the list's context menu and the note
// under the calculation text when the quantity left the table's range.
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include "forms/edit_history.h"
#include "forms/item_copy.h"
#include "ui/main_window.h"
#include "ui/qt_support.h"

namespace verdin {

namespace {

QPushButton* EditButton(const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption));
  button->setObjectName(QString::fromUtf8(name));
  return button;
}

}  // namespace

QWidget* MainWindow::BuildEditButtons() {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  cmdCopy_ = EditButton("cmdCopy", "Копировать");
  cmdUndo_ = EditButton("cmdUndo", "Отменить");
  cmdRedo_ = EditButton("cmdRedo", "Повторить");
  for (QPushButton* button : {cmdCopy_, cmdUndo_, cmdRedo_}) row->addWidget(button);
  return box;
}

QLabel* MainWindow::BuildRangeNote() {
  lblRange_ = new QLabel;
  lblRange_->setObjectName(QStringLiteral("lblRange"));
  lblRange_->setWordWrap(true);
  lblRange_->setStyleSheet(QStringLiteral("color: #a03000;"));
  lblRange_->hide();
  return lblRange_;
}

void MainWindow::ConnectEditing() {
  connect(cmdCopy_, &QPushButton::clicked, this, [this] { Run([](MainContext& ctx) { CmdCopy(ctx); }); });
  connect(cmdUndo_, &QPushButton::clicked, this,
          [this] { Run([this](MainContext& ctx) { program_.history.Undo(ctx); }); });
  connect(cmdRedo_, &QPushButton::clicked, this,
          [this] { Run([this](MainContext& ctx) { program_.history.Redo(ctx); }); });
  struct Key {
    const char* name;
    QList<QKeySequence> keys;
    std::function<void()> run;
  };
  const Key keys[] = {
      {"shortcutUndo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { cmdUndo_->click(); }},
      {"shortcutRedo",
       {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
       [this] { cmdRedo_->click(); }},
      {"shortcutCopy", {QKeySequence(Qt::CTRL | Qt::Key_D)}, [this] { cmdCopy_->click(); }},
      {"shortcutSaveAs", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, [this] {
         if (links_.saveAs) links_.saveAs();
       }},
  };
  for (const Key& key : keys) {
    auto* shortcut = new QShortcut(this);
    shortcut->setObjectName(QString::fromUtf8(key.name));
    shortcut->setKeys(key.keys);
    connect(shortcut, &QShortcut::activated, this, key.run);
  }
  cmdCopy_->setToolTip(QStringLiteral("Вставить копию выделенного объекта под ним (Ctrl+D)"));
  for (QListWidget* list : lstZd_) {
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QListWidget::customContextMenuRequested, this,
            [this, list](const QPoint& at) { ShowListMenu(list, at); });
  }
  QWidget::setTabOrder(cmdVerx_[1], cmdCopy_);
  QWidget::setTabOrder(cmdCopy_, cmdUndo_);
  QWidget::setTabOrder(cmdUndo_, cmdRedo_);
  QWidget::setTabOrder(cmdRedo_, chkAsave_);
}

void MainWindow::ShowListMenu(QListWidget* list, const QPoint& at) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("mnuList"));
  QAction* copy = menu.addAction(QStringLiteral("Копировать\tCtrl+D"));
  copy->setEnabled(form().lstZdIndex[0] >= 0);
  menu.addSeparator();
  const EditHistory& history = program_.history;
  QAction* undo = menu.addAction(ToQ(history.UndoText()) + QStringLiteral("\tCtrl+Z"));
  undo->setEnabled(history.CanUndo());
  QAction* redo = menu.addAction(ToQ(history.RedoText()) + QStringLiteral("\tCtrl+Y"));
  redo->setEnabled(history.CanRedo());
  QAction* chosen = menu.exec(list->viewport()->mapToGlobal(at));
  if (chosen == copy) cmdCopy_->click();
  if (chosen == undo) cmdUndo_->click();
  if (chosen == redo) cmdRedo_->click();
}

void MainWindow::RefreshEditing() {
  const EditHistory& history = program_.history;
  cmdUndo_->setEnabled(history.CanUndo());
  cmdRedo_->setEnabled(history.CanRedo());
  cmdUndo_->setToolTip(ToQ(history.UndoText()) + QStringLiteral(" (Ctrl+Z)"));
  cmdRedo_->setToolTip(ToQ(history.RedoText()) + QStringLiteral(" (Ctrl+Y, Ctrl+Shift+Z)"));
  const MainForm& model = form();
  const bool noted = !model.lblRange.empty() && !model.txtStB.empty() && model.txtStB == model.lblRangeCalculation;
  lblRange_->setText(noted ? ToQ(model.lblRange) : QString());
  lblRange_->setVisible(noted);
}

}  // namespace verdin
