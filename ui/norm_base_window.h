// The «Нормативная база» window: which database the program works with,
// and its export to a workbook and import from one. The About box leads
// to it.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>

#include "core/messages.h"
#include "forms/norm_base_form.h"
#include "forms/program.h"
#include "forms/workbook_chooser.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace verdin {

class PathLabel;

class NormBaseWindow : public QDialog {
 public:
  // `changed` runs after an import took new tables, so that every window
  // shows them and the estimate priced again.
  NormBaseWindow(Program& program, Messages& messages, std::function<void()> changed, QWidget* parent = nullptr);

  const NormBaseForm& form() const { return form_; }

  // «Выгрузить в книгу…» and «Загрузить из книги…»: the file chooser, then
  // the command.
  void Export();
  void Import();
  // The problems selected (all of them when none is) to the clipboard.
  void CopyProblems();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  void Refresh();

  Program& program_;
  Messages& messages_;
  std::function<void()> changed_;
  NormBaseForm form_;
  QLabel* lblName_ = nullptr;
  QLabel* lblDate_ = nullptr;
  QLabel* lblTables_ = nullptr;
  PathLabel* lblSource_ = nullptr;
  QLabel* lblResult_ = nullptr;
  QLabel* lblProblems_ = nullptr;
  QListWidget* lstProblems_ = nullptr;
  QPushButton* cmdCopy_ = nullptr;
};

// The About box: the program's own lines, the database it works with, and
// a button to the «Нормативная база» window.
class AboutWindow : public QDialog {
 public:
  AboutWindow(Program& program, Messages& messages, std::function<void()> changed, QWidget* parent = nullptr);

  // «Нормативная база…»: the window over the About box; the database line
  // follows what it did.
  void ShowNormBase();

 private:
  Program& program_;
  Messages& messages_;
  std::function<void()> changed_;
  QLabel* lblBase_ = nullptr;
};

}  // namespace verdin
