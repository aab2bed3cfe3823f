#include "ui/norm_base_window.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "forms/main_commands.h"
#include "ui/file_chooser_window.h"
#include "ui/qt_support.h"

namespace verdin {

namespace {

constexpr int kFactWidth = 420;
constexpr int kProblemLines = 10;

QLabel* MakeFact(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(kFactWidth);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

NormBaseWindow::NormBaseWindow(Program& program, Messages& messages, std::function<void()> changed, QWidget* parent)
    : QDialog(parent),
      program_(program),
      messages_(messages),
      changed_(std::move(changed)),
      form_(LoadNormBaseForm(program.state)) {
  Build();
  Refresh();
}

void NormBaseWindow::Build() {
  setObjectName(QStringLiteral("frmNormBase"));
  setWindowTitle(QString::fromUtf8(kNormBaseCaption));
  setModal(true);

  auto* facts = new QGridLayout;
  lblName_ = MakeFact(this, "lblName");
  lblDate_ = MakeFact(this, "lblDate");
  lblTables_ = MakeFact(this, "lblTables");
  lblSource_ = new PathLabel(this, kFactWidth);
  lblSource_->setObjectName(QStringLiteral("lblSource"));
  const std::pair<const char*, QWidget*> rows[] = {
      {"Название:", lblName_}, {"Дата:", lblDate_}, {"Таблиц:", lblTables_}, {"Папка базы:", lblSource_}};
  int row = 0;
  for (const auto& [caption, fact] : rows) {
    auto* label = new QLabel(QString::fromUtf8(caption), this);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    facts->addWidget(label, row, 0);
    facts->addWidget(fact, row, 1);
    SetAccessibleName(fact, label->text());
    ++row;
  }
  facts->setColumnStretch(1, 1);

  auto* cmdExport = MakeButton(this, "cmdExport", "Выгрузить в книгу…");
  connect(cmdExport, &QPushButton::clicked, this, [this] { Export(); });
  auto* cmdImport = MakeButton(this, "cmdImport", "Загрузить из книги…");
  connect(cmdImport, &QPushButton::clicked, this, [this] { Import(); });
  auto* commands = new QHBoxLayout;
  commands->addWidget(cmdExport);
  commands->addWidget(cmdImport);
  commands->addStretch(1);

  lblResult_ = MakeFact(this, "lblResult");
  lblProblems_ = new QLabel(QStringLiteral("Ошибки в книге:"), this);
  lstProblems_ = new QListWidget(this);
  lstProblems_->setObjectName(QStringLiteral("lstProblems"));
  lstProblems_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstProblems_->setWordWrap(true);
  lstProblems_->setMinimumHeight(lstProblems_->fontMetrics().lineSpacing() * kProblemLines);
  SetAccessibleName(lstProblems_, lblProblems_->text());
  // Ctrl+C in the list copies the lines selected, as the button does.
  lstProblems_->installEventFilter(this);

  cmdCopy_ = MakeButton(this, "cmdCopy", "Копировать");
  connect(cmdCopy_, &QPushButton::clicked, this, [this] { CopyProblems(); });
  auto* cmdClose = MakeButton(this, "cmdClose", "Закрыть");
  connect(cmdClose, &QPushButton::clicked, this, [this] { accept(); });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cmdCopy_);
  bottom->addStretch(1);
  bottom->addWidget(cmdClose);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(facts);
  layout->addLayout(commands);
  layout->addWidget(lblResult_);
  layout->addWidget(lblProblems_);
  layout->addWidget(lstProblems_, 1);
  layout->addLayout(bottom);

  setTabOrder(cmdExport, cmdImport);
  setTabOrder(cmdImport, lstProblems_);
  setTabOrder(lstProblems_, cmdCopy_);
  setTabOrder(cmdCopy_, cmdClose);
  NameButtonsByCaption(this);
  // Enter closes the window: nothing is replaced by a key pressed too soon.
  SetWindowKeys(this, cmdClose);
  cmdExport->setFocus(Qt::OtherFocusReason);
}

void NormBaseWindow::Refresh() {
  lblName_->setText(ToQ(form_.lblName));
  lblDate_->setText(ToQ(form_.lblDate));
  lblTables_->setText(ToQ(form_.lblTables));
  lblSource_->SetPath(ToQ(form_.lblSource));
  lblResult_->setText(ToQ(form_.lblResult));
  lblResult_->setVisible(!form_.lblResult.empty());
  lstProblems_->clear();
  for (const std::string& problem : form_.lstProblems) {
    auto* item = new QListWidgetItem(ToQ(problem), lstProblems_);
    item->setToolTip(item->text());
  }
  const bool problems = !form_.lstProblems.empty();
  lblProblems_->setVisible(problems);
  lstProblems_->setVisible(problems);
  cmdCopy_->setVisible(problems);
  // The window fits what it now shows: it grows for a problem list and
  // gives the room back without one.
  layout()->activate();
  adjustSize();
}

void NormBaseWindow::Export() {
  const std::optional<std::filesystem::path> file = AskWorkbookFile(
      LoadWorkbookChooser(WorkbookUse::Export, form_.workbookFolder, ProposedNormWorkbookName(form_)), messages_, this);
  if (!file) return;
  MainContext ctx = program_.Context(messages_);
  ExportNormBase(ctx, form_, *file);
  Refresh();
}

void NormBaseWindow::Import() {
  const std::optional<std::filesystem::path> file =
      AskWorkbookFile(LoadWorkbookChooser(WorkbookUse::Import, form_.workbookFolder, ""), messages_, this);
  if (!file) return;
  MainContext ctx = program_.Context(messages_);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool replaced = ImportNormBase(ctx, form_, *file);
  QApplication::restoreOverrideCursor();
  Refresh();
  if (!form_.lstProblems.empty()) lstProblems_->setFocus(Qt::OtherFocusReason);
  if (!replaced) return;
  // The steps kept for undo hold costs priced by the old tables; taking
  // one back would bring an old figure under the new tables.
  program_.history = EditHistory();
  if (changed_) changed_();
}

bool NormBaseWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstProblems_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopyProblems();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void NormBaseWindow::CopyProblems() {
  QStringList lines;
  for (const QListWidgetItem* item : lstProblems_->selectedItems()) lines.push_back(item->text());
  if (lines.isEmpty()) {
    QApplication::clipboard()->setText(ToQ(ProblemsText(form_)));
    return;
  }
  QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// ---------------------------------------------------------------- About

AboutWindow::AboutWindow(Program& program, Messages& messages, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), program_(program), messages_(messages), changed_(std::move(changed)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("О программе."));
  setModal(true);

  auto* text = new QLabel(ToQMultiline(AboutText()), this);
  text->setObjectName(QStringLiteral("lblAbout"));
  text->setTextFormat(Qt::PlainText);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  lblBase_ = new QLabel(ToQ(AboutDatabaseText(program_.state)), this);
  lblBase_->setObjectName(QStringLiteral("lblBase"));
  lblBase_->setTextFormat(Qt::PlainText);
  lblBase_->setWordWrap(true);
  lblBase_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* cmdNormBase = MakeButton(this, "cmdNormBase", "Нормативная база…");
  connect(cmdNormBase, &QPushButton::clicked, this, [this] { ShowNormBase(); });
  auto* cmdOk = MakeButton(this, "cmdOk", "OK");
  connect(cmdOk, &QPushButton::clicked, this, [this] { accept(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdNormBase);
  buttons->addStretch(1);
  buttons->addWidget(cmdOk);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(line);
  layout->addWidget(lblBase_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setTabOrder(cmdNormBase, cmdOk);
  NameButtonsByCaption(this);
  SetWindowKeys(this, cmdOk);
  cmdOk->setFocus(Qt::OtherFocusReason);
}

void AboutWindow::ShowNormBase() {
  NormBaseWindow window(program_, messages_, changed_, this);
  window.exec();
  lblBase_->setText(ToQ(AboutDatabaseText(program_.state)));
}

}  // namespace verdin
