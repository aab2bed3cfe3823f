// The file chooser windows on screen: "Сохранить данные в файле" and
// "Взять данные из файла", each a modal dialog over its model, and the two
// adapters through which the save and open commands ask them.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <filesystem>
#include <optional>

#include "core/messages.h"
#include "forms/file_chooser_model.h"
#include "forms/recent_estimates.h"
#include "forms/open_estimate.h"
#include "forms/save_estimate.h"
#include "forms/workbook_chooser.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTreeView;

namespace verdin {

// The folder tree and the file list both windows are built from.
class FileChooserBrowser;
// A label that shows a long path shortened in the middle when it does not
// fit, with the whole path in its tool tip, so the window does not grow
// with the path and no path is cut off unseen.
class PathLabel : public QLabel {
 public:
  PathLabel(QWidget* parent, int minimumWidth);
  // Shows `text`; the tool tip holds `whole` (the text itself when empty).
  void SetPath(const QString& text, const QString& whole = {});
  void SetColor(const QColor& color);
  // What the label shows in its present width.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class FileSaveWindow : public QDialog {
 public:
  FileSaveWindow(FileSaveForm form, Messages& messages, QWidget* parent = nullptr);

  const FileSaveForm& form() const { return form_; }
  // What cmdOk handed back; nullopt before it, or after cmdCancel.
  const std::optional<SaveChoice>& choice() const { return choice_; }

  // The user's events, as the widgets pass them on.
  void ChooseType(int index);
  void EditNameFile(const QString& text);
  void ChangeFolder(const std::filesystem::path& folder);
  void ClickFile(const QString& name);
  void ClickIsxDan(bool checked);
  void Ok();
  void Cancel();

 private:
  void Build();
  void Refresh();

  FileSaveForm form_;
  Messages& messages_;
  std::optional<SaveChoice> choice_;
  FileChooserBrowser* browser_ = nullptr;
  QComboBox* gmbSpec_ = nullptr;
  QLineEdit* NameFile_ = nullptr;
  PathLabel* txtActDir_ = nullptr;
  PathLabel* lblNameFileIsx_ = nullptr;
  PathLabel* lblNameFileOut_ = nullptr;
  QCheckBox* chkIsxDan_ = nullptr;
  QPlainTextEdit* Sv_ = nullptr;
};

class FileLoadWindow : public QDialog {
 public:
  // `recent`, when given, fills the list of the estimates opened or saved
  // last above the folders.
  FileLoadWindow(FileLoadForm form, Messages& messages, QWidget* parent = nullptr, RecentEstimates* recent = nullptr);

  const FileLoadForm& form() const { return form_; }
  const std::optional<OpenChoice>& choice() const { return choice_; }

  void ChooseType(int index);
  void ChangeFolder(const std::filesystem::path& folder);
  void ClickFile(const QString& name);
  void Ok();
  void Cancel();
  // Entry `index` of the recent list chosen: opens it, or removes it with
  // a message when its file is gone.
  void ChooseRecentEntry(int index);

 private:
  void Build();
  void Refresh();
  void ShowRecent();

  FileLoadForm form_;
  RecentEstimates* recent_ = nullptr;
  QComboBox* cboRecent_ = nullptr;
  Messages& messages_;
  std::optional<OpenChoice> choice_;
  FileChooserBrowser* browser_ = nullptr;
  QComboBox* gmbSpec_ = nullptr;
  PathLabel* txtActDir_ = nullptr;
  QLabel* lblNameFile_ = nullptr;
  QLabel* lblS_ = nullptr;
};

// The chooser of a norm database workbook: the export's target or the
// import's source, in the same window as the estimate's choosers.
class WorkbookChooserWindow : public QDialog {
 public:
  WorkbookChooserWindow(WorkbookChooserForm form, Messages& messages, QWidget* parent = nullptr);

  const WorkbookChooserForm& form() const { return form_; }
  // The workbook OK took; nullopt before it, or after Cancel.
  const std::optional<std::filesystem::path>& choice() const { return choice_; }

  void ChooseType(int index);
  void EditNameFile(const QString& text);
  void ChangeFolder(const std::filesystem::path& folder);
  void ClickFile(const QString& name);
  void Ok();

 private:
  void Build();
  void Refresh();

  WorkbookChooserForm form_;
  Messages& messages_;
  std::optional<std::filesystem::path> choice_;
  FileChooserBrowser* browser_ = nullptr;
  QComboBox* gmbSpec_ = nullptr;
  QLineEdit* NameFile_ = nullptr;
  PathLabel* txtActDir_ = nullptr;
  PathLabel* lblNameFile_ = nullptr;
};

// Shows the chooser until OK or Cancel; the workbook taken, or nullopt.
std::optional<std::filesystem::path> AskWorkbookFile(WorkbookChooserForm form, Messages& messages, QWidget* parent);

// The save command's dialog: FileSave, starting in PathIsx with the
// proposed name; questions and messages go to the command's Messages.
class QtSaveDialog : public SaveDialog {
 public:
  explicit QtSaveDialog(QWidget* parent = nullptr) : parent_(parent) {}
  std::optional<SaveChoice> Ask(MainContext& ctx) override;

 private:
  QWidget* parent_;
};

// The open command's dialog: FileLoad, starting in PathIsx, with the
// recent estimates above when given.
class QtOpenDialog : public OpenDialog {
 public:
  explicit QtOpenDialog(QWidget* parent = nullptr, RecentEstimates* recent = nullptr)
      : parent_(parent), recent_(recent) {}
  std::optional<OpenChoice> Ask(MainContext& ctx) override;

 private:
  QWidget* parent_;
  RecentEstimates* recent_;
};

}  // namespace verdin
