#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>
#include <vector>

#include "core/index.h"
#include "core/progress.h"
#include "forms/file_chooser_model.h"
#include "forms/save_estimate.h"
#include "ui/norm_base_window.h"
#include "ui/print_preview.h"
#include "ui/qt_support.h"
#include "forms/estimate_list.h"
#include "forms/own_file.h"
#include "forms/range_note.h"
#include "forms/table_search.h"

namespace verdin {

namespace {

QString Indexed(const char* name, int index) { return QString("%1(%2)").arg(name).arg(index); }

template <typename Widget>
Widget* Named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QPushButton* Button(const char* name, const char* caption) {
  return Named(new QPushButton(QString::fromUtf8(caption)), name);
}

QLineEdit* Edit(const QString& name) { return Named(new QLineEdit, name); }

}  // namespace

// A drop-down list of the item frame. It shortens a long chosen entry with
// "…" rather than cutting it off at the edge. An entry picked from the
// open list is chosen at once; the arrow keys, letters and the mouse
// wheel on the closed list only move through the entries, and the entry
// they stop at is chosen once, by Enter or when the focus leaves the list,
// so that passing an entry does not select it.
class ChoiceComboBox : public QComboBox {
 public:
  // Chooses the entry at a position of the list as shown.
  std::function<void(int position)> choose;
  // The position of the entry chosen last, as the model holds it.
  std::function<int()> chosenPosition;

  ChoiceComboBox() {
    connect(this, &QComboBox::activated, this, [this](int position) {
      if (!browsing_ && choose) choose(position);
    });
  }

  // Chooses the entry now shown when it is not the one chosen last.
  void ChooseShown() {
    if (choose && chosenPosition && currentIndex() >= 0 && currentIndex() != chosenPosition()) choose(currentIndex());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }

  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && currentIndex() >= 0 && chosenPosition && currentIndex() != chosenPosition()) {
      ChooseShown();
      return;
    }
    Browse([this, event] { QComboBox::keyPressEvent(event); });
  }

  void wheelEvent(QWheelEvent* event) override {
    Browse([this, event] { QComboBox::wheelEvent(event); });
  }

  void focusOutEvent(QFocusEvent* event) override {
    // Opening the list takes the focus to it; that is no leaving.
    if (event->reason() != Qt::PopupFocusReason) ChooseShown();
    QComboBox::focusOutEvent(event);
  }

 private:
  template <typename Handle>
  void Browse(Handle handle) {
    browsing_ = true;
    handle();
    browsing_ = false;
  }

  bool browsing_ = false;
};

namespace {

// Fills a combo box with the texts when they differ and selects the index,
// without emitting its signals.
void ShowList(QComboBox* combo, const std::vector<std::string>& entries, int index) {
  const QSignalBlocker blocker(combo);
  bool same = combo->count() == static_cast<int>(entries.size());
  for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == ToQ(entries[At(i)]);
  if (!same) {
    combo->clear();
    for (const auto& entry : entries) combo->addItem(ToQ(entry));
  }
  combo->setCurrentIndex(index);
}

// Fills a combo box with the shown entries only, each carrying its index in
// the whole list, and selects the entry `index` of the whole list, without
// emitting its signals.
void ShowList(QComboBox* combo, const std::vector<std::string>& entries, const std::vector<int>& shown, int index) {
  const QSignalBlocker blocker(combo);
  bool same = combo->count() == static_cast<int>(shown.size());
  for (int i = 0; same && i < combo->count(); ++i) {
    same = combo->itemData(i).toInt() == shown[At(i)] && combo->itemText(i) == ToQ(entries[At(shown[At(i)])]);
  }
  if (!same) {
    combo->clear();
    for (const int entry : shown) combo->addItem(ToQ(entries[At(entry)]), entry);
  }
  combo->setCurrentIndex(combo->findData(index));
}

// The index in the whole list of the combo box's entry at `position`.
int ListIndex(const QComboBox* combo, int position) {
  return position >= 0 && position < combo->count() ? combo->itemData(position).toInt() : -1;
}

// Fills a list box with the texts when they differ and selects line
// `index` (none for -1), without emitting its signals. A line newly
// selected, or the selected line of a changed list, is scrolled into view.
void ShowList(QListWidget* list, const std::vector<std::string>& entries, int index) {
  const QSignalBlocker blocker(list);
  bool same = list->count() == static_cast<int>(entries.size());
  for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == ToQ(entries[At(i)]);
  if (!same) {
    list->clear();
    for (const auto& entry : entries) list->addItem(ToQ(entry));
  }
  const bool moved = !same || list->currentRow() != index;
  if (index < 0) {
    list->setCurrentRow(-1);
    list->clearSelection();
    return;
  }
  list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  if (moved) list->scrollToItem(list->item(index));
}

// Keys that move through a list box highlight a line even where Qt would
// only mark one or none: with no line marked (the program cleared the
// selection), End goes to the last line and the other keys to the first;
// a line marked but not highlighted (as Tab leaves the first line) is
// highlighted before Home, End or a page key move on from it. Returns true
// when the key was used up here.
bool SelectByKey(QListWidget& list, int key) {
  const bool jump = key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
  const bool step = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Space;
  if (list.count() == 0 || !(jump || step)) return false;
  if (list.currentItem() == nullptr) {
    list.setCurrentRow(key == Qt::Key_End ? list.count() - 1 : 0, QItemSelectionModel::ClearAndSelect);
    return true;
  }
  if (jump && !list.currentItem()->isSelected()) list.currentItem()->setSelected(true);
  return false;
}

// The line selected in a list box; -1 when none is.
int SelectedLine(const QListWidget& list) {
  const QList<QListWidgetItem*> selected = list.selectedItems();
  return selected.isEmpty() ? -1 : list.row(selected.front());
}

// The estimate's names as the name list shows them: each with its item
// number ("1. Административное здание"), which a share refers to, and its
// whole name as its tool tip, as a long name is cut at the list's edge.
void ShowNumberedNames(QListWidget* list, const std::vector<std::string>& names, int index) {
  std::vector<std::string> numbered;
  numbered.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) numbered.push_back(std::to_string(i + 1) + ". " + names[i]);
  ShowList(list, numbered, index);
  for (int i = 0; i < list->count(); ++i) list->item(i)->setToolTip(ToQMultiline(names[At(i)]));
}

// Keeps the name list and the cost list beside it on the same rows, so the
// two read as one list: the cost list carries the one vertical scroll bar
// and either list scrolled moves the other to the same first row. While
// the names need a horizontal scroll bar the cost list shows one too, so
// both keep the same number of rows in view.
void ScrollTogether(QListWidget& names, QListWidget& costs) {
  names.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  costs.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (QListWidget* list : {&names, &costs}) {
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list->setUniformItemSizes(true);
  }
  QScrollBar* nameBar = names.verticalScrollBar();
  QScrollBar* costBar = costs.verticalScrollBar();
  QObject::connect(nameBar, &QScrollBar::valueChanged, costBar, &QScrollBar::setValue);
  QObject::connect(costBar, &QScrollBar::valueChanged, nameBar, &QScrollBar::setValue);
  // A list that grows or shrinks may leave its partner behind on a new range.
  QObject::connect(nameBar, &QScrollBar::rangeChanged, costBar,
                   [nameBar, costBar] { costBar->setValue(nameBar->value()); });
  QObject::connect(costBar, &QScrollBar::rangeChanged, nameBar,
                   [nameBar, costBar] { nameBar->setValue(costBar->value()); });
  QObject::connect(names.horizontalScrollBar(), &QScrollBar::rangeChanged, &costs, [&costs](int, int maximum) {
    costs.setHorizontalScrollBarPolicy(maximum > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  });
}

void Check(QCheckBox* box, bool checked) {
  const QSignalBlocker blocker(box);
  box->setChecked(checked);
}

void SetBold(QWidget* widget) {
  QFont font = widget->font();
  font.setBold(true);
  widget->setFont(font);
}

}  // namespace

MainWindow::MainWindow(Program& program, Messages& messages, MainWindowLinks links, QWidget* parent)
    : QWidget(parent), program_(program), messages_(messages), links_(std::move(links)) {
  setObjectName("frm1");
  printPreview = [this](const Sheet& sheet) {
    ShowPrintPreview(sheet, ProposedPrintFile(program_.state, program_.frmObD), messages_, this);
  };
  Build();
  Connect();
  Refresh();
}

void MainWindow::Build() {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildTop());
  auto* body = new QWidget;
  auto* middle = new QHBoxLayout(body);
  middle->setContentsMargins(0, 0, 0, 0);
  middle->addWidget(BuildGrid());
  auto* right = new QVBoxLayout;
  right->addWidget(BuildItemFrame());
  right->addWidget(BuildList(), 1);
  middle->addLayout(right, 1);
  // The notes share the window's width with the rest through a splitter,
  // so switching them on does not push the window off a small screen.
  splitter_ = Named(new QSplitter(Qt::Horizontal), "splitterPrim");
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(body);
  splitter_->addWidget(BuildNotes());
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  frameNotes_->hide();
  layout->addWidget(splitter_, 1);
  layout->addWidget(BuildBottom());
  SetTabOrder();
  SetMainWindowKeys(this);
  NameControls();
}

// Accessible names, which screen readers read and accessibility tools find
// the controls by: each box by its label, each button and check box by its
// caption, the grid's cells by column and row.
void MainWindow::NameControls() {
  const std::pair<QWidget*, const char*> boxes[] = {
      {txtZd_, "Наименование"},
      {txtFind_, "Найти таблицу или пункт"},
      {cboTab_, "Таблица"},
      {cboP_, "Пункт таблицы"},
      {txtNp_, "Натуральный показатель"},
      {cboSMR_, "Категория сложности по табл. Б1"},
      {txtProcent_, "Номер рассчитанного объекта"},
      {txtStB_, "Расчет базовой цены, тыс. руб."},
      {txtStBaz_, "Базовая цена, тыс. руб."},
      {txtStP_, "Цена с учетом коэффициентов, тыс. руб."},
      {txtStd_, "Курс доллара, бел. руб"},
      {txtStPd_, "Цена в долларах"},
      {lstZd_[0], "Объекты сметы"},
      {lstZd_[1], "Стоимость объектов сметы"},
      {txtSym_, "Всего без НДС"},
  };
  for (const auto& [box, name] : boxes) SetAccessibleName(box, QString::fromUtf8(name));
  // A label names its box to screen readers that follow label relations.
  const std::pair<QLabel*, QWidget*> labelled[] = {{lblZd_[0], txtZd_}, {lblZd_[2], cboTab_}, {lblZd_[4], cboP_},
                                                   {lblZd_[1], txtNp_}, {lblZd_[3], txtKolic_}, {lblSMR_, cboSMR_}};
  for (const auto& [label, box] : labelled) label->setBuddy(box);
  NameButtonsByCaption(this);
  NameVaryingControls();
}

// The names that follow captions the table selection changes.
void MainWindow::NameVaryingControls() {
  SetAccessibleName(txtKolic_, lblZd_[3]->text());
  for (int i = 1; i < MainForm::kGridSize; ++i) {
    SetAccessibleName(txtV_[At(i)], QStringLiteral("%1, строка %2").arg(lblSBC_[0]->text()).arg(i));
    SetAccessibleName(txtSt_[At(i)], QStringLiteral("%1, строка %2").arg(lblSBC_[1]->text()).arg(i));
  }
}

// Tab follows the work on an item: its name, the search, the table and the
// row, the grid (where a user table is typed), the quantity, the
// calculation and the add; then the estimate list, the bottom buttons and
// the buttons at the top, and round to the name.
void MainWindow::SetTabOrder() {
  std::vector<QWidget*> order = {txtZd_, txtFind_, cboTab_, cboP_};
  for (int i = 1; i < MainForm::kGridSize; ++i) {
    order.push_back(txtV_[At(i)]);
    order.push_back(txtSt_[At(i)]);
  }
  order.insert(order.end(), {txtNp_,    txtKolic_,   cboSMR_,   chkProcent_, txtProcent_, cmdOk_,    txtStB_,
                             txtStBaz_, txtStP_,     txtStd_,   txtStPd_,    cmdDob_,     cmdSMR_,   lstZd_[0],
                             lstZd_[1], cmdDel_,     cmdRed_,   cmdDelZd_,   cmdVerx_[0], cmdVerx_[1], chkAsave_,
                             txtSym_,   cmdOpen_,    cmdSave_,  cmdPrint_,   chkW_,       cmdCancel_, cmdSobD_,
                             cmdKoeff_, optPrim_[0], optPrim_[1], cmdAb_});
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// The grid takes Tab stops only where a user table is typed: its filled
// rows and the first empty one, the next to fill. The rows of a norm
// table only show its points and the rows beyond those a user table holds
// are read-only; the mouse still reaches every box.
void MainWindow::UpdateGridTabStops() {
  const bool userTable = program_.state.NomTab == 0 && form().fra1Enabled;
  bool emptyRowSeen = false;
  for (int i = 1; i < MainForm::kGridSize; ++i) {
    const bool filled = !txtV_[At(i)]->text().isEmpty() || !txtSt_[At(i)]->text().isEmpty();
    const bool next = !filled && !emptyRowSeen;
    if (!filled) emptyRowSeen = true;
    const bool stop = userTable && i <= program_.state.KolStrPol && (filled || next);
    for (QLineEdit* cell : {txtV_[At(i)], txtSt_[At(i)]}) cell->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

QWidget* MainWindow::BuildTop() {
  auto* top = new QWidget;
  auto* row = new QHBoxLayout(top);
  row->setContentsMargins(0, 0, 0, 0);
  cmdSobD_ = Button("cmdSobD", "Показать о&бщие данные");
  cmdKoeff_ = Button("cmdKoeff", "Показать &коэффициенты");
  cmdAb_ = Button("cmdAb", "О про&грамме");
  optPrim_[0] = Named(new QRadioButton("Отключить примечания"), Indexed("optPrim", 0));
  optPrim_[1] = Named(new QRadioButton("Включить примечания к таблицам"), Indexed("optPrim", 1));
  row->addWidget(cmdSobD_);
  row->addWidget(cmdKoeff_);
  row->addStretch(1);
  row->addWidget(optPrim_[0]);
  row->addWidget(optPrim_[1]);
  row->addWidget(cmdAb_);
  return top;
}

QGroupBox* MainWindow::BuildItemFrame() {
  auto* frame = Named(new QGroupBox("Данные по зданию, сооружению, виду работ"), "Рамка3");
  auto* grid = new QGridLayout(frame);
  const auto& captions = form().lblZd;
  for (int i = 0; i < MainForm::kLabels; ++i) {
    lblZd_[At(i)] = Named(new QLabel(ToQ(captions[At(i)])), Indexed("lblZd", i));
  }
  txtZd_ = Edit("txtZd");
  txtFind_ = Edit("txtFind");
  txtFind_->setPlaceholderText("Найти таблицу или пункт (Ctrl+F)");
  txtFind_->setClearButtonEnabled(true);
  txtFind_->setToolTip("Номер или слова из названия таблицы или пункта; Enter - взять первое найденное, "
                       "Esc - показать все");
  lblFind_ = Named(new QLabel("Ничего не найдено"), "lblFind");
  lblFind_->setStyleSheet(QStringLiteral("color: #b00000;"));
  lblFind_->hide();
  cboTab_ = Named(new ChoiceComboBox, "cboTab");
  cboP_ = Named(new ChoiceComboBox, "cboP");
  for (QComboBox* combo : {cboTab_, cboP_}) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(30);
  }
  txtNp_ = Edit("txtNp");
  txtKolic_ = Edit("txtKolic");
  txtKolic_->setMinimumWidth(fontMetrics().horizontalAdvance("0000000000000"));
  txtKolic_->setToolTip("Dbl-click - расчет объемов");
  // Two lines, broken where the caption's hyphen says: the row stays narrow.
  lblSMR_ = Named(new QLabel("Категория\nсложности по табл. Б1"), "lblSMR");
  cboSMR_ = Named(new QComboBox, "cboSMR");
  chkProcent_ = Named(new QCheckBox("Провести расчет от суммы рассчитанного объекта №"), "chkProcent");
  txtProcent_ = Edit("txtProcent");
  txtProcent_->setMaximumWidth(fontMetrics().horizontalAdvance("00000"));
  cmdOk_ = Button("cmdOk", "Рассчитать &текущий объект");
  txtStB_ = Named(new QPlainTextEdit, "txtStB");
  txtStB_->setFixedHeight(fontMetrics().lineSpacing() * 4 + 10);
  txtStBaz_ = Edit("txtStBaz");
  txtStP_ = Edit("txtStP");
  SetBold(txtStP_);
  txtStd_ = Edit("txtStd");
  txtStd_->setMaximumWidth(fontMetrics().horizontalAdvance("000000000"));
  txtStPd_ = Edit("txtStPd");
  SetBold(txtStPd_);
  cmdDob_ = Button("cmdDob", "&Добавить данные по текущему элементу в список");
  cmdDob_->setToolTip(QStringLiteral("Добавить текущий объект в список сметы (Ctrl+Enter)"));
  cmdSMR_ = Button("cmdSMR", "Расчет по С&МР");

  int row = 0;
  grid->addWidget(lblZd_[0], row, 0);
  grid->addWidget(txtZd_, row++, 1, 1, 3);
  auto* find = new QHBoxLayout;
  find->addWidget(txtFind_, 1);
  // The label names long titles; it takes the room there is and never
  // widens the window.
  lblFind_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  find->addWidget(lblFind_, 2);
  grid->addLayout(find, row++, 1, 1, 3);
  grid->addWidget(lblZd_[2], row, 0);
  grid->addWidget(cboTab_, row++, 1, 1, 3);
  grid->addWidget(lblZd_[4], row, 0);
  grid->addWidget(cboP_, row++, 1, 1, 3);
  grid->addWidget(lblZd_[1], row, 0);
  grid->addWidget(txtNp_, row++, 1, 1, 3);
  grid->addWidget(lblZd_[3], row, 0);
  grid->addWidget(txtKolic_, row, 1);
  grid->addWidget(lblSMR_, row, 2);
  grid->addWidget(cboSMR_, row++, 3);
  auto* share = new QHBoxLayout;
  share->addWidget(chkProcent_);
  share->addWidget(txtProcent_);
  share->addStretch(1);
  grid->addLayout(share, row++, 0, 1, 4);
  grid->addWidget(cmdOk_, row++, 0, 1, 4);
  grid->addWidget(lblZd_[5], row++, 0, 1, 4);
  grid->addWidget(txtStB_, row, 0, 1, 3);
  grid->addWidget(txtStBaz_, row++, 3);
  grid->addWidget(BuildRangeNote(), row++, 0, 1, 4);
  grid->addWidget(lblZd_[6], row, 0, 1, 3);
  grid->addWidget(txtStP_, row++, 3);
  auto* dollars = new QHBoxLayout;
  dollars->addWidget(lblZd_[7]);
  dollars->addWidget(txtStd_);
  dollars->addStretch(1);
  grid->addLayout(dollars, row, 0, 1, 3);
  grid->addWidget(txtStPd_, row++, 3);
  grid->addWidget(cmdDob_, row, 0, 1, 3);
  grid->addWidget(cmdSMR_, row++, 3);
  grid->setColumnStretch(1, 1);
  return frame;
}

QGroupBox* MainWindow::BuildGrid() {
  fra1_ = Named(new QGroupBox("Данные из таблицы СБЦ"), "fra1");
  auto* outer = new QVBoxLayout(fra1_);
  auto* headings = new QHBoxLayout;
  lblSBC_[0] = Named(new QLabel, Indexed("lblSBC", 0));
  lblSBC_[1] = Named(new QLabel, Indexed("lblSBC", 1));
  headings->addWidget(lblSBC_[0], 1);
  headings->addWidget(lblSBC_[1], 1);
  outer->addLayout(headings);
  auto* rows = new QWidget;
  auto* grid = new QGridLayout(rows);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(1);
  const int cellWidth = fontMetrics().horizontalAdvance("0000000000");
  for (int i = 1; i < MainForm::kGridSize; ++i) {
    txtV_[At(i)] = Edit(Indexed("txtV", i));
    txtSt_[At(i)] = Edit(Indexed("txtSt", i));
    for (QLineEdit* cell : {txtV_[At(i)], txtSt_[At(i)]}) {
      cell->setMinimumWidth(cellWidth);
      // Rows beyond those the user table holds only show a norm row's points.
      cell->setReadOnly(i > program_.state.KolStrPol);
    }
    // A focused cell is scrolled into view, whichever key or click brought it there.
    txtV_[At(i)]->installEventFilter(this);
    txtSt_[At(i)]->installEventFilter(this);
    grid->addWidget(txtV_[At(i)], i, 0);
    grid->addWidget(txtSt_[At(i)], i, 1);
    new KeyFilter(txtSt_[At(i)], FilterDecimalKey, messages_);
  }
  gridScroll_ = new QScrollArea;
  gridScroll_->setWidget(rows);
  gridScroll_->setWidgetResizable(true);
  gridScroll_->setFocusPolicy(Qt::NoFocus);  // Tab goes from box to box, not to the frame
  gridScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  gridScroll_->setMinimumWidth(rows->sizeHint().width() + 24);
  outer->addWidget(gridScroll_, 1);
  return fra1_;
}

QWidget* MainWindow::BuildList() {
  auto* box = new QWidget;
  auto* layout = new QGridLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  lstZd_[0] = Named(new QListWidget, Indexed("lstZd", 0));
  lstZd_[0]->setToolTip("Dbl-click - редактирование");
  lstZd_[1] = Named(new QListWidget, Indexed("lstZd", 1));
  const int scrollBar = lstZd_[1]->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  lstZd_[1]->setFixedWidth(fontMetrics().horizontalAdvance("0000000000000,00") + scrollBar +
                           2 * lstZd_[1]->frameWidth() + 8);
  auto* lists = new QHBoxLayout;
  lists->setSpacing(0);
  lists->addWidget(lstZd_[0], 1);
  lists->addWidget(lstZd_[1]);
  ScrollTogether(*lstZd_[0], *lstZd_[1]);
  cmdDel_ = Button("cmdDel", "&Удалить выделенный элемент");
  cmdDel_->setToolTip(QStringLiteral("Удалить выделенный объект из списка (Del в списке)"));
  cmdRed_ = Button("cmdRed", "&Редактировать выделенный элемент");
  cmdRed_->setToolTip(QStringLiteral("Вернуть выделенный объект для правки (F2 или Enter в списке)"));
  cmdDelZd_ = Button("cmdDelZd", "Удалить &все данные из списка");
  cmdVerx_[0] = Named(new QPushButton("Вверх"), Indexed("cmdVerx", 0));
  cmdVerx_[1] = Named(new QPushButton("Вниз"), Indexed("cmdVerx", 1));
  auto* lblSum = Named(new QLabel("Всего без НДС"), "lblSum");
  txtSym_ = Edit("txtSym");
  chkAsave_ = Named(new QCheckBox("Включить автосохранение"), "chkAsave");
  layout->addLayout(lists, 0, 0, 6, 2);
  layout->addWidget(cmdDel_, 0, 2);
  layout->addWidget(cmdRed_, 1, 2);
  layout->addWidget(cmdDelZd_, 2, 2);
  auto* moves = new QHBoxLayout;
  moves->addWidget(cmdVerx_[0]);
  moves->addWidget(cmdVerx_[1]);
  layout->addLayout(moves, 3, 2);
  layout->addWidget(chkAsave_, 4, 2);
  layout->addWidget(BuildEditButtons(), 5, 2);
  auto* total = new QHBoxLayout;
  total->addWidget(lblSum);
  total->addWidget(txtSym_);
  layout->addLayout(total, 6, 1, 1, 2);
  layout->setColumnStretch(0, 1);
  return box;
}

QWidget* MainWindow::BuildBottom() {
  auto* bottom = new QWidget;
  auto* row = new QHBoxLayout(bottom);
  row->setContentsMargins(0, 0, 0, 0);
  cmdOpen_ = Button("cmdOpen", "&Открыть");
  cmdOpen_->setToolTip(QStringLiteral("Открыть файл исходных данных сметы (Ctrl+O)"));
  cmdSave_ = Button("cmdSave", "Рассчитать и &сохранить смету");
  cmdSave_->setToolTip(QStringLiteral("Записать смету и файл исходных данных (Ctrl+S)"));
  cmdPrint_ = Button("cmdPrint", "&Печать…");
  cmdPrint_->setToolTip(QStringLiteral("Просмотр сметы перед печатью (Ctrl+P); оттуда — печать или PDF"));
  cmdCancel_ = Button("cmdCancel", "Вы&ход");
  chkW_ = Named(new QCheckBox("Для г-на Ш"), "chkW");
  row->addWidget(cmdOpen_);
  row->addWidget(cmdSave_);
  row->addWidget(cmdPrint_);
  row->addWidget(chkW_);
  row->addStretch(1);
  row->addWidget(cmdCancel_);
  return bottom;
}

QGroupBox* MainWindow::BuildNotes() {
  frameNotes_ = Named(new QGroupBox("Примечания к таблицам"), "Рамка5");
  auto* layout = new QVBoxLayout(frameNotes_);
  lblPrim_ = Named(new QLabel, "lblPrim");
  lblPrim_->setWordWrap(true);
  lblPrim_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  lblPrim_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* scroll = new QScrollArea;
  scroll->setWidget(lblPrim_);
  scroll->setWidgetResizable(true);
  layout->addWidget(scroll);
  frameNotes_->setMinimumWidth(fontMetrics().averageCharWidth() * 28);
  return frameNotes_;
}

MainWindow::~MainWindow() {
  for (ChoiceComboBox* list : {cboTab_, cboP_}) {
    list->choose = nullptr;
    list->chosenPosition = nullptr;
  }
}

void MainWindow::Connect() {
  // The combo boxes may show a part of their lists: a chosen entry is
  // selected by its index in the whole list, as when all are shown.
  cboTab_->choose = [this](int position) {
    Run([index = ListIndex(cboTab_, position)](MainContext& ctx) { SelectTable(ctx, index); });
  };
  cboTab_->chosenPosition = [this] { return cboTab_->findData(form().cboTabIndex); };
  cboP_->choose = [this](int position) {
    Run([index = ListIndex(cboP_, position)](MainContext& ctx) { SelectRow(ctx, index, false); });
  };
  cboP_->chosenPosition = [this] { return cboP_->findData(form().cboPIndex); };
  connect(txtFind_, &QLineEdit::textChanged, this, [this] { ShowTableLists(); });
  txtFind_->installEventFilter(this);
  // Enter in the search box opens the narrowed table list to choose from.
  // Enter in the search box takes the first table and row found.
  connect(txtFind_, &QLineEdit::returnPressed, this, [this] { TakeFirstFound(); });
  auto* find = new QShortcut(QKeySequence::Find, this);
  find->setObjectName("shortcutFind");
  connect(find, &QShortcut::activated, this, [this] {
    txtFind_->setFocus(Qt::ShortcutFocusReason);
    txtFind_->selectAll();
  });
  connect(cboSMR_, &QComboBox::activated, this, [this](int index) { form().cboSMRIndex = index; });
  const auto text = [this](QLineEdit* edit, std::string MainForm::*field) {
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& value) { form().*field = FromQ(value); });
  };
  text(txtZd_, &MainForm::txtZd);
  text(txtNp_, &MainForm::txtNp);
  text(txtKolic_, &MainForm::txtKolic);
  text(txtProcent_, &MainForm::txtProcent);
  text(txtStBaz_, &MainForm::txtStBaz);
  text(txtStd_, &MainForm::txtStd);
  text(txtSym_, &MainForm::txtSym);
  text(txtStPd_, &MainForm::txtStPd);
  connect(txtStP_, &QLineEdit::textEdited, this,
          [this](const QString& value) { Run([value](MainContext& ctx) { SetTxtStP(ctx, FromQ(value)); }); });
  connect(txtStB_, &QPlainTextEdit::textChanged, this, [this] { form().txtStB = FromQMultiline(txtStB_->toPlainText()); });
  for (int i = 1; i < MainForm::kGridSize; ++i) {
    connect(txtV_[At(i)], &QLineEdit::textEdited, this, [this, i](const QString& value) {
      form().txtV[At(i)] = FromQ(value);
      UpdateGridTabStops();
    });
    connect(txtSt_[At(i)], &QLineEdit::textEdited, this, [this, i](const QString& value) {
      form().txtSt[At(i)] = FromQ(value);
      UpdateGridTabStops();
    });
  }
  new KeyFilter(txtKolic_, FilterDecimalKey, messages_);
  new KeyFilter(txtProcent_, FilterDigitKey, messages_);
  txtKolic_->installEventFilter(this);
  // Enter in the quantity box calculates, as "Рассчитать текущий объект" does.
  connect(txtKolic_, &QLineEdit::returnPressed, cmdOk_, &QPushButton::click);
  // In the share-of-an-item mode the item number takes the quantity's place.
  connect(txtProcent_, &QLineEdit::returnPressed, cmdOk_, &QPushButton::click);
  // Tab leaves the calculation text box instead of typing into it.
  txtStB_->setTabChangesFocus(true);
  connect(chkProcent_, &QCheckBox::clicked, this, [this](bool on) { Run([on](MainContext& ctx) { ClickChkProcent(ctx, on); }); });
  connect(cmdOk_, &QPushButton::clicked, this, [this] { Run([](MainContext& ctx) { CalculateWithRangeNote(ctx); }); });
  // The add refills the pay-out figures itself; the session's refresh
  // shows them, and chkW stays as it was.
  connect(cmdDob_, &QPushButton::clicked, this, [this] { Run([](MainContext& ctx) { CmdDob(ctx); }); });
  connect(cmdDel_, &QPushButton::clicked, this, [this] { Run([](MainContext& ctx) { CmdDel(ctx); }); });
  connect(cmdRed_, &QPushButton::clicked, this, [this] { Run([](MainContext& ctx) { CmdRed(ctx); }); });
  connect(cmdDelZd_, &QPushButton::clicked, this, [this] { Run([](MainContext& ctx) { CmdDelZd(ctx); }); });
  for (int direction = 0; direction < 2; ++direction) {
    connect(cmdVerx_[At(direction)], &QPushButton::clicked, this,
            [this, direction] { Run([direction](MainContext& ctx) { CmdVerx(ctx, direction); }); });
  }
  ConnectLists();
  connect(chkAsave_, &QCheckBox::toggled, this, [this](bool on) { form().chkAsave = on; });
  connect(chkW_, &QCheckBox::clicked, this, [this](bool on) {
    if (links_.payOut) links_.payOut(on);
    Refresh();
  });
  for (int option = 0; option < 2; ++option) {
    connect(optPrim_[At(option)], &QRadioButton::clicked, this,
            [this, option] { Run([option](MainContext& ctx) { ClickOptPrim(ctx, option); }); });
  }
  const auto link = [this](QPushButton* button, std::function<void()> MainWindowLinks::*target) {
    connect(button, &QPushButton::clicked, this, [this, target] {
      if (links_.*target) (links_.*target)();
    });
  };
  link(cmdSobD_, &MainWindowLinks::showGeneralData);
  link(cmdKoeff_, &MainWindowLinks::showCoefficients);
  link(cmdOpen_, &MainWindowLinks::open);
  link(cmdSave_, &MainWindowLinks::save);
  link(cmdSMR_, &MainWindowLinks::constructionCost);
  connect(cmdAb_, &QPushButton::clicked, this, [this] { ShowAbout(); });
  connect(cmdPrint_, &QPushButton::clicked, this, [this] { Print(); });
  ConnectShortcuts();
  ConnectEditing();
  // «Выход» closes the window, which asks about unsaved work first.
  connect(cmdCancel_, &QPushButton::clicked, this, [this] { close(); });
}

// The two lists are one list to the user: a line chosen in the cost list
// is the same item as that line of the name list, and a double click on
// either takes the item back for editing, as Enter does; Del deletes it
// (after the delete button's question). Only the name list takes a Tab
// stop.
void MainWindow::ConnectLists() {
  for (QListWidget* list : lstZd_) {
    // The line highlighted is the line chosen, whatever highlighted it: a
    // click, the arrows, Home, End or Space. A list that gets the focus by
    // Tab marks its first line as current without highlighting it: that
    // chooses nothing.
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list] {
      const int line = SelectedLine(*list);
      if (line == form().lstZdIndex[0]) return;
      Run([line](MainContext& ctx) { ClickLstZd(ctx, 0, line); });
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { Run([](MainContext& ctx) { CmdRed(ctx); }); });
    list->installEventFilter(this);
  }
  lstZd_[1]->setFocusPolicy(Qt::ClickFocus);
}

// Keys that press the main buttons anywhere in the window, as a click does
// (a disabled button stays unpressed). Each button's tool tip names its key.
void MainWindow::ConnectShortcuts() {
  struct Key {
    const char* name;
    QList<QKeySequence> keys;
    QPushButton* button;
  };
  const Key keys[] = {
      {"shortcutAdd", {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}, cmdDob_},
      {"shortcutSave", {QKeySequence(QKeySequence::Save)}, cmdSave_},
      {"shortcutOpen", {QKeySequence(QKeySequence::Open)}, cmdOpen_},
      {"shortcutPrint", {QKeySequence(QKeySequence::Print)}, cmdPrint_},
      {"shortcutEdit", {QKeySequence(Qt::Key_F2)}, cmdRed_},
  };
  for (const Key& key : keys) {
    auto* shortcut = new QShortcut(this);
    shortcut->setObjectName(key.name);
    shortcut->setKeys(key.keys);
    connect(shortcut, &QShortcut::activated, key.button, &QPushButton::click);
  }
}

void MainWindow::Print() {
  MainContext ctx = Ctx();
  CaptionOnlyProgress progress;
  const std::optional<BuiltEstimate> built = CmdPrintEstimate(ctx, progress, PayOutBoxesOf(program_.frmW));
  if (built && printPreview) printPreview(built->sheet.sheet);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && gridScroll_->widget()->isAncestorOf(qobject_cast<QWidget*>(watched))) {
    gridScroll_->ensureWidgetVisible(static_cast<QWidget*>(watched), 0, 4);
  }
  if (watched == txtKolic_ && event->type() == QEvent::MouseButtonDblClick && links_.quantity) {
    links_.quantity();
    return true;
  }
  if (event->type() == QEvent::KeyPress && (watched == lstZd_[0] || watched == lstZd_[1])) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return QWidget::eventFilter(watched, event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      cmdRed_->click();
      return true;
    }
    if (key->key() == Qt::Key_Delete) {
      cmdDel_->click();
      return true;
    }
    if (SelectByKey(*static_cast<QListWidget*>(watched), key->key())) return true;
  }
  // Esc in the search box shows the whole lists again.
  if (watched == txtFind_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && !txtFind_->text().isEmpty()) {
      txtFind_->clear();
      return true;
    }
    // Down opens the table list as found, the first table found marked.
    if (key == Qt::Key_Down) {
      cboTab_->setFocus(Qt::TabFocusReason);
      const int first = Search().firstTable;
      if (first >= 0) {
        const QSignalBlocker blocker(cboTab_);
        cboTab_->setCurrentIndex(cboTab_->findData(first));
      }
      cboTab_->showPopup();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (links_.mayClose && !links_.mayClose()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
  QApplication::quit();
}

void MainWindow::ShowAbout() {
  AboutWindow about(program_, messages_, links_.changed, this);
  about.exec();
}

void MainWindow::RefreshItem() {
  const MainForm& model = program_.frm1;
  setWindowTitle(ToQ(WindowTitle(program_.state, model)));
  cmdAb_->setToolTip(ToQ(model.cmdAbToolTip));
  for (int i = 0; i < MainForm::kLabels; ++i) {
    lblZd_[At(i)]->setText(ToQ(model.lblZd[At(i)]));
    lblZd_[At(i)]->setEnabled(model.lblZdEnabled[At(i)]);
  }
  SetQuietly(txtZd_, model.txtZd);
  ShowTableLists();
  txtFind_->setEnabled(model.cboTabEnabled);
  cboTab_->setToolTip(ToQ(model.cboTabToolTip));
  cboTab_->setEnabled(model.cboTabEnabled);
  cboP_->setToolTip(ToQ(model.cboPToolTip));
  cboP_->setEnabled(model.cboPEnabled);
  SetQuietly(txtNp_, model.txtNp);
  txtNp_->setEnabled(model.txtNpEnabled);
  SetQuietly(txtKolic_, model.txtKolic);
  txtKolic_->setEnabled(model.txtKolicEnabled);
  ShowList(cboSMR_, model.cboSMR, model.cboSMRIndex);
  cboSMR_->setEnabled(model.cboSMREnabled);
  lblSMR_->setEnabled(model.lblSMREnabled);
  Check(chkProcent_, model.chkProcent);
  SetQuietly(txtProcent_, model.txtProcent);
  txtProcent_->setVisible(model.txtProcentVisible);
  cmdOk_->setEnabled(model.cmdOkEnabled);
  SetQuietly(txtStB_, model.txtStB);
  txtStB_->setEnabled(model.txtStBEnabled);
  SetQuietly(txtStBaz_, model.txtStBaz);
  txtStBaz_->setEnabled(model.txtStBazEnabled);
  SetQuietly(txtStP_, model.txtStP);
  SetQuietly(txtStd_, model.txtStd);
  SetQuietly(txtStPd_, model.txtStPd);
  cmdSMR_->setEnabled(model.cmdSMREnabled);
}

// The table list narrowed to the tables the search box finds; the special
// entries stay at the top. Both lists always show the table and row
// chosen; the label beside the search box names the table and row that
// Enter would take. The row list always shows every row of the chosen
// table.
void MainWindow::ShowTableLists() {
  const MainForm& model = program_.frm1;
  const TableSearchResult found = Search();
  const bool searching = !txtFind_->text().trimmed().isEmpty();
  ShowList(cboTab_, model.cboTab, found.shown, model.cboTabIndex);
  std::vector<int> rows(model.cboP.size());
  std::iota(rows.begin(), rows.end(), 0);
  ShowList(cboP_, model.cboP, rows, model.cboPIndex);
  lblFind_->setText(ToQ(FoundText(program_.state.norms.tables, found)));
  lblFind_->setStyleSheet(found.firstTable < 0 ? QStringLiteral("color: #b00000;") : QString());
  lblFind_->setToolTip(lblFind_->text());
  lblFind_->setVisible(searching);
}

TableSearchResult MainWindow::Search() const {
  return SearchTables(program_.state.norms.tables, FromQ(txtFind_->text()), kSpecialEntries + 1,
                      program_.frm1.cboTabIndex);
}

// Chooses the first table the search found and its row found, as clicks
// on the two lists would; the focus goes to the row list.
void MainWindow::TakeFirstFound() {
  const TableSearchResult found = Search();
  if (found.firstTable < 0) {
    messages_.Beep();
    return;
  }
  Run([&found](MainContext& ctx) {
    SelectTable(ctx, found.firstTable);
    if (found.firstRow >= 0) SelectRow(ctx, found.firstRow, false);
  });
  (cboP_->isEnabled() ? static_cast<QWidget*>(cboP_) : cboTab_)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::RefreshGrid() {
  const MainForm& model = program_.frm1;
  fra1_->setEnabled(model.fra1Enabled);
  lblSBC_[0]->setText(ToQ(model.lblSBC[0]));
  lblSBC_[1]->setText(ToQ(model.lblSBC[1]));
  for (int i = 1; i < MainForm::kGridSize; ++i) {
    SetQuietly(txtV_[At(i)], model.txtV[At(i)]);
    SetQuietly(txtSt_[At(i)], model.txtSt[At(i)]);
  }
  UpdateGridTabStops();
  NameVaryingControls();
}

void MainWindow::RefreshLists() {
  const MainForm& model = program_.frm1;
  ShowNumberedNames(lstZd_[0], model.lstZd[0], model.lstZdIndex[0]);
  ShowList(lstZd_[1], model.lstZd[1], model.lstZdIndex[1]);
  // The buttons that act on the selected item wait for a line to be selected.
  const bool selected = ItemSelected(model);
  for (QPushButton* button : {cmdDel_, cmdRed_, cmdVerx_[0], cmdVerx_[1], cmdCopy_}) {
    if (button != nullptr) button->setEnabled(selected);
  }
  SetQuietly(txtSym_, model.txtSym);
  Check(chkAsave_, model.chkAsave);
  Check(chkW_, model.chkW);
  for (int option = 0; option < 2; ++option) {
    const QSignalBlocker blocker(optPrim_[At(option)]);
    optPrim_[At(option)]->setChecked(model.optPrim == option);
  }
  ShowNotes(model.optPrim == 1);
  lblPrim_->setText(ToQMultiline(model.lblPrim));
}

void MainWindow::ShowNotes(bool on) {
  if (on == !frameNotes_->isHidden()) return;
  if (!on) {
    // Hidden, the notes give their width back: to the rest of the window,
    // and to the screen when the window had to grow for them.
    if (frameNotes_->isVisible()) notesWidth_ = frameNotes_->width();
    frameNotes_->hide();
    if (grownForNotes_ && width() == grownForNotes_->second) {
      // The splitter's smallest width without the notes, now, not when
      // the next layout pass gets to it.
      splitter_->updateGeometry();
      layout()->activate();
      resize(grownForNotes_->first, height());
    }
    grownForNotes_.reset();
    return;
  }
  frameNotes_->show();
  if (!isVisible()) return;
  // The window grows by the notes' width as far as its screen allows, so
  // the rest keeps its width; on a small screen the notes share the width
  // with the rest instead. It never grows past its screen unless the rest
  // and the notes at their narrowest need it.
  const int before = width();
  const int notesWanted =
      notesWidth_ > 0 ? notesWidth_ : std::max(frameNotes_->minimumWidth(), fontMetrics().averageCharWidth() * 50);
  const int screenWidth = screen() != nullptr ? screen()->availableGeometry().width() : before;
  layout()->activate();
  const int wanted = std::min(before + splitter_->handleWidth() + notesWanted, std::max(before, screenWidth));
  if (wanted > width()) resize(wanted, height());
  if (width() > before) {
    grownForNotes_ = {before, width()};
    KeepOnScreen();
  }
  const int total = splitter_->width() - splitter_->handleWidth();
  const int rest = splitter_->widget(0)->minimumSizeHint().width();
  const int notes = std::max(frameNotes_->minimumWidth(), std::min(notesWanted, total - rest));
  splitter_->setSizes({total - notes, notes});
}

void MainWindow::KeepOnScreen() {
  if (screen() == nullptr) return;
  const QRect area = screen()->availableGeometry();
  const QRect frame = frameGeometry();
  const int overflow = frame.right() - area.right();
  if (overflow > 0) move(std::max(area.left(), frame.left() - overflow), frame.top());
}

void MainWindow::Refresh() {
  // Whatever changed the estimate since the last refresh is one step to undo.
  program_.history.Record(Ctx());
  RefreshItem();
  RefreshGrid();
  RefreshLists();
  RefreshEditing();
}

}  // namespace verdin
