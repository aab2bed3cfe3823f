#include "ui/file_chooser_window.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "core/line_file.h"
#include "forms/own_file.h"
#include "ui/qt_support.h"

namespace verdin {

namespace {

constexpr int kListWidth = 210;
constexpr int kTreeWidth = 260;
constexpr int kListHeight = 220;
constexpr int kPathLabelWidth = 430;
constexpr int kFolderLabelWidth = 120;
// How long the folder tree keeps the shown folder in view while it reads
// the folders in the background.
constexpr qint64 kBringIntoViewMs = 1500;

QLabel* MakeLabel(QWidget* parent, const char* text) { return new QLabel(QString::fromUtf8(text), parent); }

QString PathQ(const std::filesystem::path& path) { return ToQ(PathText(path)); }

QComboBox* MakeTypeList(QWidget* parent, const std::vector<std::string>& items) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QStringLiteral("gmbSpec"));
  for (const std::string& item : items) combo->addItem(ToQ(item));
  return combo;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QLatin1String(name));
  button->setMinimumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("Отмена")) + 36);
  return button;
}

}  // namespace

PathLabel::PathLabel(QWidget* parent, int minimumWidth) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  setMinimumWidth(minimumWidth);
}

void PathLabel::SetPath(const QString& text, const QString& whole) {
  if (this->text() != text) setText(text);
  setToolTip(whole.isEmpty() ? text : whole);
}

void PathLabel::SetColor(const QColor& color) {
  QPalette colors = palette();
  colors.setColor(QPalette::WindowText, color);
  setPalette(colors);
}

QString PathLabel::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void PathLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(contentsRect(), static_cast<int>(alignment()), ShownText());
}

// The folder tree (Tree) and the file list (Files) of a chooser window.
// The file system has one root and no drive letters, so the windows have
// no drive list. The tree's one top entry is the estimates' folder, so the
// user starts among the estimates rather than at the root of the disk.
class FileChooserBrowser : public QObject {
 public:
  FileChooserBrowser(QWidget* window, const std::filesystem::path& top,
                     std::function<void(const std::filesystem::path&)> folderChosen,
                     std::function<void(const QString&)> fileClicked)
      : QObject(window), folderChosen_(std::move(folderChosen)), fileClicked_(std::move(fileClicked)) {
    folders_ = new QFileSystemModel(this);
    // Hidden folders too: the per-user data folder lies under one.
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::Drives);

    tree = new QTreeView(window);
    tree->setObjectName(QStringLiteral("Tree"));
    tree->setModel(folders_);
    ShowOnlyUnder(top);
    for (int column = 1; column < folders_->columnCount(); ++column) tree->hideColumn(column);
    tree->setHeaderHidden(true);
    tree->setMinimumSize(kTreeWidth, kListHeight);
    // The folders are read and sorted in the background: for a short while
    // after a folder is shown, each new layout brings it into view again.
    const auto bringIntoView = [this] {
      if (!shownAt_.isValid() || shownAt_.elapsed() > kBringIntoViewMs) return;
      const QModelIndex current = tree->currentIndex();
      if (current.isValid()) tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
    };
    connect(folders_, &QFileSystemModel::directoryLoaded, this, bringIntoView);
    connect(folders_, &QFileSystemModel::layoutChanged, this, bringIntoView);
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
              if (syncing_ || !current.isValid()) return;
              folderChosen_(PathFromText(FromQ(folders_->filePath(current))));
            });

    files = new QListWidget(window);
    files->setObjectName(QStringLiteral("Files"));
    files->setMinimumSize(kListWidth, kListHeight);
    connect(files, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
      if (item == nullptr) return;
      // The click may change the list; it is refilled after the click.
      clicking_ = true;
      fileClicked_(item->text());
      clicking_ = false;
    });
    connect(files, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
      if (item != nullptr && fileDoubleClicked) fileDoubleClicked();
    });
  }

  // A double-click follows the click on the same file; empty: nothing more.
  std::function<void()> fileDoubleClicked;

  // Shows `folder` selected in the tree, without reporting it as a choice.
  void ShowFolder(const std::filesystem::path& folder) {
    const QModelIndex index = folders_->index(PathQ(folder));
    if (!index.isValid() || tree->currentIndex() == index) return;
    syncing_ = true;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) tree->expand(above);
    tree->setCurrentIndex(index);
    tree->expand(index);
    tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    syncing_ = false;
    shownAt_.start();
  }

  // The files of `folder` that match `pattern`; read again only when the
  // folder or the pattern changed.
  void ShowFiles(const std::filesystem::path& folder, const std::string& pattern) {
    if (folder == shownFolder_ && pattern == shownPattern_) return;
    if (clicking_) {
      QTimer::singleShot(0, this, [this, folder, pattern] { ShowFiles(folder, pattern); });
      return;
    }
    shownFolder_ = folder;
    shownPattern_ = pattern;
    files->clear();
    for (const std::string& name : FilesInFolder(folder, pattern)) files->addItem(ToQ(name));
  }

  QTreeView* tree = nullptr;
  QListWidget* files = nullptr;

 private:
  // Roots the tree at the folder above `top` and hides every entry there
  // but `top` itself, so that `top` shows as the one entry to come back to.
  // A folder that does not exist (or the root) leaves the whole disk shown.
  void ShowOnlyUnder(const std::filesystem::path& top) {
    const QString topPath = QDir::cleanPath(PathQ(top));
    const QFileInfo info(topPath);
    if (top.empty() || !info.isDir() || QDir(topPath).isRoot()) {
      folders_->setRootPath(QDir::rootPath());
      tree->setRootIndex(folders_->index(QDir::rootPath()));
      return;
    }
    const QString above = info.absolutePath();
    folders_->setRootPath(above);
    tree->setRootIndex(folders_->index(above));
    top_ = folders_->index(topPath);
    const auto hideOthers = [this] {
      const QModelIndex parent = tree->rootIndex();
      for (int row = 0; row < folders_->rowCount(parent); ++row) {
        tree->setRowHidden(row, parent, folders_->index(row, 0, parent) != top_);
      }
    };
    connect(folders_, &QFileSystemModel::rowsInserted, this, hideOthers);
    connect(folders_, &QFileSystemModel::layoutChanged, this, hideOthers);
    connect(folders_, &QFileSystemModel::directoryLoaded, this, hideOthers);
    hideOthers();
  }

  QPersistentModelIndex top_;
  QFileSystemModel* folders_ = nullptr;
  std::function<void(const std::filesystem::path&)> folderChosen_;
  std::function<void(const QString&)> fileClicked_;
  QElapsedTimer shownAt_;
  std::filesystem::path shownFolder_;
  std::string shownPattern_;
  bool syncing_ = false;
  bool clicking_ = false;
};

// ---------------------------------------------------------------- FileSave

// The name, the file list with the type list under it, and the folder
// tree with the current folder above it: the part both choosers share.
static QGridLayout* ListsLayout(QWidget* parent, QWidget* name, FileChooserBrowser& browser, QWidget* types,
                         QWidget* folder) {
  auto* lists = new QGridLayout;
  lists->addWidget(MakeLabel(parent, "Имя файла:"), 0, 0);
  lists->addWidget(name, 1, 0);
  lists->addWidget(MakeLabel(parent, "Выбрать файлы:"), 2, 0);
  lists->addWidget(browser.files, 3, 0);
  lists->addWidget(types, 4, 0);
  lists->addWidget(MakeLabel(parent, "Каталог:"), 0, 1);
  lists->addWidget(folder, 1, 1);
  lists->addWidget(browser.tree, 2, 1, 3, 1);
  lists->setRowStretch(3, 1);
  SetAccessibleName(name, QStringLiteral("Имя файла"));
  SetAccessibleName(browser.files, QStringLiteral("Выбрать файлы"));
  SetAccessibleName(types, QStringLiteral("Тип файлов"));
  SetAccessibleName(browser.tree, QStringLiteral("Каталог"));
  NameButtonsByCaption(parent);
  return lists;
}

FileSaveWindow::FileSaveWindow(FileSaveForm form, Messages& messages, QWidget* parent)
    : QDialog(parent), form_(std::move(form)), messages_(messages) {
  Build();
  Refresh();
}

void FileSaveWindow::Build() {
  setObjectName(QStringLiteral("FileSave"));
  setWindowTitle(QString::fromUtf8(kFileSaveCaption));
  setModal(true);

  browser_ = new FileChooserBrowser(
      this, form_.folder, [this](const std::filesystem::path& folder) { ChangeFolder(folder); },
      [this](const QString& name) { ClickFile(name); });

  // The panel at the top: the two files this save writes.
  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  auto* panelLayout = new QGridLayout(panel);
  lblNameFileIsx_ = new PathLabel(panel, kPathLabelWidth);
  lblNameFileIsx_->setObjectName(QStringLiteral("lblNameFileIsx"));
  lblNameFileOut_ = new PathLabel(panel, kPathLabelWidth);
  lblNameFileOut_->setObjectName(QStringLiteral("lblNameFileOut"));
  panelLayout->addWidget(MakeLabel(panel, "Исходные данные :"), 0, 0);
  panelLayout->addWidget(lblNameFileIsx_, 0, 1);
  panelLayout->addWidget(MakeLabel(panel, "Результаты расчета :"), 1, 0);
  panelLayout->addWidget(lblNameFileOut_, 1, 1);
  panelLayout->setColumnStretch(1, 1);

  NameFile_ = new QLineEdit(this);
  NameFile_->setObjectName(QStringLiteral("NameFile"));
  connect(NameFile_, &QLineEdit::textEdited, this, [this](const QString& text) { EditNameFile(text); });

  gmbSpec_ = MakeTypeList(this, form_.gmbSpecItems);
  connect(gmbSpec_, &QComboBox::activated, this, [this](int index) { ChooseType(index); });

  txtActDir_ = new PathLabel(this, kFolderLabelWidth);
  txtActDir_->setObjectName(QStringLiteral("txtActDir"));

  chkIsxDan_ = new QCheckBox(QStringLiteral("Сохранить рез."), this);
  chkIsxDan_->setObjectName(QStringLiteral("chkIsxDan"));
  SetAccessibleName(chkIsxDan_, QStringLiteral("Сохранить рез. расчета"));
  connect(chkIsxDan_, &QCheckBox::clicked, this, [this](bool checked) { ClickIsxDan(checked); });
  auto* chkCaption = MakeLabel(this, "расчета");
  chkCaption->setIndent(chkIsxDan_->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 6);

  Sv_ = new QPlainTextEdit(this);
  Sv_->setObjectName(QStringLiteral("Sv"));
  Sv_->setTabChangesFocus(true);
  SetAccessibleName(Sv_, QStringLiteral("Сводка"));
  Sv_->setFixedHeight(Sv_->fontMetrics().lineSpacing() * 3 + 12);
  connect(Sv_, &QPlainTextEdit::textChanged, this, [this] { form_.Sv = FromQMultiline(Sv_->toPlainText()); });

  auto* cmdOk = MakeButton(this, "cmdOk", "ОК");
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, [this] { Ok(); });
  auto* cmdCancel = MakeButton(this, "cmdCancel", "Отмена");
  cmdCancel->setAutoDefault(false);
  connect(cmdCancel, &QPushButton::clicked, this, [this] { Cancel(); });

  auto* lists = ListsLayout(this, NameFile_, *browser_, gmbSpec_, txtActDir_);

  auto* side = new QVBoxLayout;
  side->addWidget(cmdOk);
  side->addWidget(cmdCancel);
  side->addSpacing(16);
  side->addWidget(chkIsxDan_);
  side->addWidget(chkCaption);
  side->addStretch(1);

  auto* middle = new QHBoxLayout;
  middle->addLayout(lists, 1);
  middle->addLayout(side);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addLayout(middle, 1);
  layout->addWidget(MakeLabel(this, "Сводка"));
  layout->addWidget(Sv_);
}

void FileSaveWindow::Refresh() {
  {
    const QSignalBlocker blocker(gmbSpec_);
    gmbSpec_->setCurrentIndex(form_.gmbSpec);
  }
  SetQuietly(NameFile_, form_.NameFile);
  txtActDir_->SetPath(ToQ(form_.txtActDir), PathQ(form_.folder));
  lblNameFileIsx_->SetPath(ToQ(form_.lblNameFileIsx));
  lblNameFileIsx_->SetColor(form_.lblNameFileIsxRed ? QColor(Qt::red) : QColor(Qt::blue));
  lblNameFileOut_->SetPath(ToQ(form_.lblNameFileOut));
  lblNameFileOut_->SetColor(QColor(Qt::blue));
  {
    const QSignalBlocker blocker(chkIsxDan_);
    chkIsxDan_->setChecked(form_.chkIsxDan);
  }
  if (FromQMultiline(Sv_->toPlainText()) != form_.Sv) {
    const QSignalBlocker blocker(Sv_);
    Sv_->setPlainText(ToQMultiline(form_.Sv));
  }
  Sv_->setEnabled(form_.SvEnabled);
  browser_->ShowFolder(form_.folder);
  browser_->ShowFiles(form_.folder, form_.filePattern);
}

void FileSaveWindow::ChooseType(int index) {
  ChooseSaveType(form_, index);
  Refresh();
}

void FileSaveWindow::EditNameFile(const QString& text) {
  ChangeNameFile(form_, FromQ(text));
  Refresh();
}

void FileSaveWindow::ChangeFolder(const std::filesystem::path& folder) {
  ChangeSaveFolder(form_, folder);
  Refresh();
}

void FileSaveWindow::ClickFile(const QString& name) {
  ClickSaveFile(form_, FromQ(name), messages_);
  Refresh();
}

void FileSaveWindow::ClickIsxDan(bool checked) {
  ClickChkIsxDan(form_, checked);
  Refresh();
}

void FileSaveWindow::Ok() {
  choice_ = ConfirmFileSave(form_, messages_);
  if (choice_) accept();
}

void FileSaveWindow::Cancel() {
  CancelFileSave(form_);
  choice_.reset();
  reject();
}

// ---------------------------------------------------------------- FileLoad

FileLoadWindow::FileLoadWindow(FileLoadForm form, Messages& messages, QWidget* parent, RecentEstimates* recent)
    : QDialog(parent), form_(std::move(form)), recent_(recent), messages_(messages) {
  Build();
  Refresh();
}

void FileLoadWindow::Build() {
  setObjectName(QStringLiteral("FileLoad"));
  setWindowTitle(QString::fromUtf8(kFileLoadCaption));
  setModal(true);

  browser_ = new FileChooserBrowser(
      this, form_.folder, [this](const std::filesystem::path& folder) { ChangeFolder(folder); },
      [this](const QString& name) { ClickFile(name); });
  // A double-click on an input-data file opens it.
  browser_->fileDoubleClicked = [this] {
    if (form_.FileIsx && !form_.lblNameFile.empty() && form_.lblNameFile.front() != '*') Ok();
  };

  lblNameFile_ = new QLabel(this);
  lblNameFile_->setObjectName(QStringLiteral("lblNameFile"));
  lblNameFile_->setFrameShape(QFrame::StyledPanel);
  lblNameFile_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  gmbSpec_ = MakeTypeList(this, form_.gmbSpecItems);
  connect(gmbSpec_, &QComboBox::activated, this, [this](int index) { ChooseType(index); });

  txtActDir_ = new PathLabel(this, kFolderLabelWidth);
  txtActDir_->setObjectName(QStringLiteral("txtActDir"));

  lblS_ = new QLabel(this);
  lblS_->setObjectName(QStringLiteral("lblS"));
  lblS_->setFrameShape(QFrame::StyledPanel);
  lblS_->setWordWrap(true);
  lblS_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblS_->setMinimumHeight(lblS_->fontMetrics().lineSpacing() * 3 + 8);
  lblS_->setTextFormat(Qt::PlainText);

  auto* cmdOk = MakeButton(this, "CmdOk", "ОК");
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, [this] { Ok(); });
  auto* cmdCancel = MakeButton(this, "CmdCancel", "Отмена");
  cmdCancel->setAutoDefault(false);
  connect(cmdCancel, &QPushButton::clicked, this, [this] { Cancel(); });

  auto* lists = ListsLayout(this, lblNameFile_, *browser_, gmbSpec_, txtActDir_);

  auto* side = new QVBoxLayout;
  side->addWidget(cmdOk);
  side->addWidget(cmdCancel);
  side->addStretch(1);

  auto* middle = new QHBoxLayout;
  middle->addLayout(lists, 1);
  middle->addLayout(side);

  auto* layout = new QVBoxLayout(this);
  if (recent_ != nullptr) {
    cboRecent_ = new QComboBox(this);
    cboRecent_->setObjectName(QStringLiteral("cboRecent"));
    cboRecent_->setPlaceholderText(QStringLiteral("Выберите смету из последних открытых или сохраненных"));
    SetAccessibleName(cboRecent_, QStringLiteral("Последние сметы"));
    connect(cboRecent_, &QComboBox::activated, this, [this](int index) { ChooseRecentEntry(index); });
    layout->addWidget(MakeLabel(this, "Последние сметы:"));
    layout->addWidget(cboRecent_);
    ShowRecent();
  }
  layout->addLayout(middle, 1);
  layout->addWidget(MakeLabel(this, "Сводка"));
  layout->addWidget(lblS_);
}

// Each recent estimate by its name and folder; one whose file is gone is
// greyed.
void FileLoadWindow::ShowRecent() {
  const QSignalBlocker blocker(cboRecent_);
  cboRecent_->clear();
  for (const std::filesystem::path& file : recent_->Files()) {
    cboRecent_->addItem(PathQ(file.stem()) + QStringLiteral(" — ") + PathQ(file.parent_path()));
    const int index = cboRecent_->count() - 1;
    cboRecent_->setItemData(index, PathQ(file), Qt::ToolTipRole);
    if (!RecentFilePresent(file)) cboRecent_->setItemData(index, QColor(Qt::gray), Qt::ForegroundRole);
  }
  cboRecent_->setCurrentIndex(-1);
  cboRecent_->setEnabled(cboRecent_->count() > 0);
}

void FileLoadWindow::ChooseRecentEntry(int index) {
  if (recent_ == nullptr) return;
  choice_ = ChooseRecent(*recent_, index, messages_);
  if (choice_) {
    accept();
    return;
  }
  ShowRecent();
}

void FileLoadWindow::Refresh() {
  {
    const QSignalBlocker blocker(gmbSpec_);
    gmbSpec_->setCurrentIndex(form_.gmbSpec);
  }
  lblNameFile_->setText(ToQ(form_.lblNameFile));
  txtActDir_->SetPath(ToQ(form_.txtActDir), PathQ(form_.folder));
  lblS_->setText(ToQMultiline(form_.lblS));
  browser_->ShowFolder(form_.folder);
  browser_->ShowFiles(form_.folder, form_.filePattern);
}

void FileLoadWindow::ChooseType(int index) {
  ChooseLoadType(form_, index);
  Refresh();
}

void FileLoadWindow::ChangeFolder(const std::filesystem::path& folder) {
  ChangeLoadFolder(form_, folder);
  Refresh();
}

void FileLoadWindow::ClickFile(const QString& name) {
  ClickLoadFile(form_, FromQ(name), messages_);
  Refresh();
}

void FileLoadWindow::Ok() {
  choice_ = ConfirmFileLoad(form_, messages_);
  if (choice_) accept();
}

void FileLoadWindow::Cancel() {
  CancelFileLoad(form_);
  choice_.reset();
  reject();
}

// ---------------------------------------------------------------- workbooks

WorkbookChooserWindow::WorkbookChooserWindow(WorkbookChooserForm form, Messages& messages, QWidget* parent)
    : QDialog(parent), form_(std::move(form)), messages_(messages) {
  Build();
  Refresh();
}

void WorkbookChooserWindow::Build() {
  setObjectName(QStringLiteral("FileWorkbook"));
  setWindowTitle(ToQ(form_.caption));
  setModal(true);

  browser_ = new FileChooserBrowser(
      this, form_.folder, [this](const std::filesystem::path& folder) { ChangeFolder(folder); },
      [this](const QString& name) { ClickFile(name); });
  browser_->fileDoubleClicked = [this] { Ok(); };

  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  auto* panelLayout = new QGridLayout(panel);
  lblNameFile_ = new PathLabel(panel, kPathLabelWidth);
  lblNameFile_->setObjectName(QStringLiteral("lblNameFile"));
  lblNameFile_->SetColor(QColor(Qt::blue));
  panelLayout->addWidget(MakeLabel(panel, "Книга :"), 0, 0);
  panelLayout->addWidget(lblNameFile_, 0, 1);
  panelLayout->setColumnStretch(1, 1);

  NameFile_ = new QLineEdit(this);
  NameFile_->setObjectName(QStringLiteral("NameFile"));
  connect(NameFile_, &QLineEdit::textEdited, this, [this](const QString& text) { EditNameFile(text); });

  gmbSpec_ = MakeTypeList(this, form_.gmbSpecItems);
  connect(gmbSpec_, &QComboBox::activated, this, [this](int index) { ChooseType(index); });

  txtActDir_ = new PathLabel(this, kFolderLabelWidth);
  txtActDir_->setObjectName(QStringLiteral("txtActDir"));

  auto* cmdOk = MakeButton(this, "cmdOk", "ОК");
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, [this] { Ok(); });
  auto* cmdCancel = MakeButton(this, "cmdCancel", "Отмена");
  cmdCancel->setAutoDefault(false);
  connect(cmdCancel, &QPushButton::clicked, this, [this] { reject(); });

  auto* lists = ListsLayout(this, NameFile_, *browser_, gmbSpec_, txtActDir_);
  auto* side = new QVBoxLayout;
  side->addWidget(cmdOk);
  side->addWidget(cmdCancel);
  side->addStretch(1);
  auto* middle = new QHBoxLayout;
  middle->addLayout(lists, 1);
  middle->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel);
  layout->addLayout(middle, 1);
  NameFile_->setFocus(Qt::OtherFocusReason);
}

void WorkbookChooserWindow::Refresh() {
  {
    const QSignalBlocker blocker(gmbSpec_);
    gmbSpec_->setCurrentIndex(form_.gmbSpec);
  }
  SetQuietly(NameFile_, form_.NameFile);
  txtActDir_->SetPath(ToQ(form_.txtActDir), PathQ(form_.folder));
  lblNameFile_->SetPath(ToQ(form_.lblNameFile));
  browser_->ShowFolder(form_.folder);
  browser_->ShowFiles(form_.folder, form_.filePattern);
}

void WorkbookChooserWindow::ChooseType(int index) {
  ChooseWorkbookType(form_, index);
  Refresh();
}

void WorkbookChooserWindow::EditNameFile(const QString& text) {
  ChangeWorkbookName(form_, FromQ(text));
  Refresh();
}

void WorkbookChooserWindow::ChangeFolder(const std::filesystem::path& folder) {
  ChangeWorkbookFolder(form_, folder);
  Refresh();
}

void WorkbookChooserWindow::ClickFile(const QString& name) {
  ChangeWorkbookName(form_, FromQ(name));
  Refresh();
}

void WorkbookChooserWindow::Ok() {
  choice_ = ConfirmWorkbookFile(form_, messages_);
  if (choice_) accept();
}

std::optional<std::filesystem::path> AskWorkbookFile(WorkbookChooserForm form, Messages& messages, QWidget* parent) {
  WorkbookChooserWindow window(std::move(form), messages, parent);
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.choice();
}

// ---------------------------------------------------------------- adapters

std::optional<SaveChoice> QtSaveDialog::Ask(MainContext& ctx) {
  FileSaveWindow window(ProposedSave(ctx.state, ctx.frmObD), ctx.messages, parent_);
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.choice();
}

std::optional<OpenChoice> QtOpenDialog::Ask(MainContext& ctx) {
  FileLoadWindow window(LoadFileLoad(ctx.state.folders), ctx.messages, parent_, recent_);
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.choice();
}

}  // namespace verdin
