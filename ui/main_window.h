// The main window frm1 on screen: shows the MainForm model and passes the
// user's events to the main window's commands.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <utility>

#include "core/limits.h"
#include "core/messages.h"
#include "forms/main_form.h"
#include "forms/program.h"
#include "forms/table_search.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;

namespace verdin {

class ChoiceComboBox;
class Sheet;

// What the main window asks of the program around it.
struct MainWindowLinks {
  std::function<void()> changed;           // refresh every window after a command
  std::function<void()> showGeneralData;   // cmdSobD
  std::function<void()> showCoefficients;  // the coefficient window
  std::function<void()> open;              // cmdOpen
  std::function<void()> save;              // cmdSave
  std::function<void()> saveAs;            // «Сохранить как…»: the save window always
  std::function<void()> quantity;          // double click on txtKolic
  std::function<void(bool)> payOut;        // chkW switched on or off
  std::function<void()> constructionCost;  // cmdSMR
  std::function<bool()> mayClose;          // «Выход» or closing: false keeps the program running
};

class MainWindow : public QWidget {
 public:
  MainWindow(Program& program, Messages& messages, MainWindowLinks links, QWidget* parent = nullptr);
  // The lists lose their focus while Qt takes the window down; by then
  // nothing of this window may be run.
  ~MainWindow() override;

  // Shows the model's current contents and states.
  void Refresh();

  // The About box, with its way to the «Нормативная база» window.
  void ShowAbout();

  // Shows the print preview of a built estimate sheet: Qt's preview window
  // unless a test puts another here.
  std::function<void(const Sheet&)> printPreview;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing the main window ends the program, as "Выход" does.
  void closeEvent(QCloseEvent* event) override;

 private:
  void Build();
  QWidget* BuildTop();
  QGroupBox* BuildItemFrame();
  QGroupBox* BuildGrid();
  QWidget* BuildList();
  QWidget* BuildBottom();
  QGroupBox* BuildNotes();
  void Connect();
  void ConnectShortcuts();
  void ConnectLists();
  void SetTabOrder();
  void NameControls();
  void NameVaryingControls();
  void UpdateGridTabStops();
  template <typename Command>
  void Run(Command command);
  void RefreshItem();
  void RefreshGrid();
  void RefreshLists();
  void ShowTableLists();
  TableSearchResult Search() const;
  void TakeFirstFound();
  void ShowNotes(bool on);
  void KeepOnScreen();
  // "Печать…": the estimate as the save would build it, in the preview.
  void Print();
  // Undo, redo, copy, «Сохранить как…» and the range note
  // (main_window_editing.cpp).
  QWidget* BuildEditButtons();
  QLabel* BuildRangeNote();
  void ConnectEditing();
  void RefreshEditing();
  void ShowListMenu(QListWidget* list, const QPoint& at);

  Program& program_;
  Messages& messages_;
  MainWindowLinks links_;
  MainContext Ctx() { return program_.Context(messages_); }
  MainForm& form() { return program_.frm1; }

  QPushButton* cmdSobD_ = nullptr;
  QPushButton* cmdKoeff_ = nullptr;
  QPushButton* cmdAb_ = nullptr;
  std::array<QLabel*, MainForm::kLabels> lblZd_{};
  QLineEdit* txtZd_ = nullptr;
  QLineEdit* txtFind_ = nullptr;  // narrows cboTab to the tables found
  QLabel* lblFind_ = nullptr;     // "Ничего не найдено"
  ChoiceComboBox* cboTab_ = nullptr;
  ChoiceComboBox* cboP_ = nullptr;
  QLineEdit* txtNp_ = nullptr;
  QLineEdit* txtKolic_ = nullptr;
  QLabel* lblSMR_ = nullptr;
  QComboBox* cboSMR_ = nullptr;
  QCheckBox* chkProcent_ = nullptr;
  QLineEdit* txtProcent_ = nullptr;
  QPushButton* cmdOk_ = nullptr;
  QPlainTextEdit* txtStB_ = nullptr;
  QLineEdit* txtStBaz_ = nullptr;
  QLineEdit* txtStP_ = nullptr;
  QLineEdit* txtStd_ = nullptr;
  QLineEdit* txtStPd_ = nullptr;
  QPushButton* cmdDob_ = nullptr;
  QPushButton* cmdSMR_ = nullptr;
  QGroupBox* fra1_ = nullptr;
  QScrollArea* gridScroll_ = nullptr;
  std::array<QLabel*, 2> lblSBC_{};
  std::array<QLineEdit*, MainForm::kGridSize> txtV_{};
  std::array<QLineEdit*, MainForm::kGridSize> txtSt_{};
  std::array<QListWidget*, 2> lstZd_{};
  QPushButton* cmdDel_ = nullptr;
  QPushButton* cmdRed_ = nullptr;
  QPushButton* cmdDelZd_ = nullptr;
  std::array<QPushButton*, 2> cmdVerx_{};
  QLineEdit* txtSym_ = nullptr;
  QCheckBox* chkAsave_ = nullptr;
  QPushButton* cmdOpen_ = nullptr;
  QPushButton* cmdSave_ = nullptr;
  QPushButton* cmdPrint_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  QCheckBox* chkW_ = nullptr;
  std::array<QRadioButton*, 2> optPrim_{};
  QGroupBox* frameNotes_ = nullptr;
  QLabel* lblPrim_ = nullptr;
  QPushButton* cmdCopy_ = nullptr;
  QPushButton* cmdUndo_ = nullptr;
  QPushButton* cmdRedo_ = nullptr;
  QLabel* lblRange_ = nullptr;
  QSplitter* splitter_ = nullptr;
  int notesWidth_ = 0;  // the notes' width when last switched off
  // The window's width before and after it grew to make room for the notes.
  std::optional<std::pair<int, int>> grownForNotes_;
};

template <typename Command>
void MainWindow::Run(Command command) {
  MainContext ctx = Ctx();
  command(ctx);
  if (links_.changed) {
    links_.changed();
  } else {
    Refresh();
  }
}

}  // namespace verdin
