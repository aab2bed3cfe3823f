#include "ui/quantity_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstddef>
#include <utility>

#include "core/index.h"
#include "ui/qt_support.h"
#include "core/key_filters.h"

namespace verdin {
namespace {

constexpr const char* kTitle = "Расчет объемов";
constexpr const char* kTimes = "х";  // the Cyrillic letter, as on the paper forms
constexpr const char* kPlus = "+";
constexpr const char* kEquals = "=";
constexpr const char* kTransfer = "Передать";
constexpr const char* kTransferToolTip = "Передать сумму в поле количества главного окна";

// Width of a factor box, in digits.
constexpr int kBoxDigits = 9;
constexpr int kSumDigits = 14;

QString BoxName(int index) { return QStringLiteral("txtKol(%1)").arg(index); }

// What a screen reader calls a box: its row and factor, or the sum.
QString BoxAccessibleName(int index) {
  if (index == QuantityForm::kSumBox) return QStringLiteral("Сумма");
  return QStringLiteral("Строка %1, множитель %2")
      .arg(index / QuantityForm::kFactors + 1)
      .arg(index % QuantityForm::kFactors + 1);
}

QLabel* Sign(QWidget* parent, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

int BoxWidth(const QWidget* edit, int digits) {
  return edit->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 14;
}

}  // namespace

QuantityWindow::QuantityWindow(QuantityForm& model, MainForm& frm1, Messages& messages,
                               std::function<void()> changed, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), frm1_(frm1), messages_(messages), changed_(std::move(changed)) {
  setObjectName(QStringLiteral("frmV"));
  setWindowTitle(QString::fromUtf8(kTitle));
  Build();
  Refresh();
}

void QuantityWindow::Build() {
  auto* layout = new QVBoxLayout(this);

  auto* heading = new QLabel(QString::fromUtf8(kTitle), this);
  heading->setObjectName(QStringLiteral("lblV"));
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  heading->setAlignment(Qt::AlignCenter);
  layout->addWidget(heading);

  // Three rows "a х b х c +", the last one ending in "= sum".
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  for (int index = 0; index < QuantityForm::kBoxes; ++index) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(BoxName(index));
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(BoxWidth(edit, index == QuantityForm::kSumBox ? kSumDigits : kBoxDigits));
    new KeyFilter(edit, FilterDecimalKey, messages_);
    SetAccessibleName(edit, BoxAccessibleName(index));
    txtKol_[At(index)] = edit;
    connect(edit, &QLineEdit::textChanged, this, [this, index](const QString& text) { BoxEdited(index, text); });
  }
  // The sum is always recomputed from the factors: typing there would be
  // overwritten at once.
  txtKol_[At(QuantityForm::kSumBox)]->setReadOnly(true);

  for (int row = 0; row < QuantityForm::kRows; ++row) {
    for (int factor = 0; factor < QuantityForm::kFactors; ++factor) {
      grid->addWidget(txtKol_[At(row * QuantityForm::kFactors + factor)], row, factor * 2);
      if (factor + 1 < QuantityForm::kFactors) grid->addWidget(Sign(this, kTimes), row, factor * 2 + 1);
    }
    const bool last = row + 1 == QuantityForm::kRows;
    grid->addWidget(Sign(this, last ? kEquals : kPlus), row, 5);
  }
  grid->addWidget(txtKol_[At(QuantityForm::kSumBox)], QuantityForm::kRows - 1, 6);

  auto* cmdKol = new QPushButton(QString::fromUtf8(kTransfer), this);
  cmdKol->setObjectName(QStringLiteral("cmdKol"));
  cmdKol->setToolTip(QString::fromUtf8(kTransferToolTip));
  connect(cmdKol, &QPushButton::clicked, this, [this] { CmdKol(); });
  // Enter in a box hands the sum over, as the window's only button does.
  SetWindowKeys(this, cmdKol);
  NameButtonsByCaption(this);
  grid->addWidget(cmdKol, QuantityForm::kRows, 6);
  layout->addLayout(grid);

  // Rows left out of the sum, in red under the boxes.
  lblProblem_ = MakeProblemLabel(this);
  layout->addWidget(lblProblem_);
  layout->addStretch(1);
}

void QuantityWindow::Refresh() {
  for (int index = 0; index < QuantityForm::kBoxes; ++index) SetQuietly(txtKol_[At(index)], model_.txtKol[At(index)]);
  ShowSum(QuantitySum(model_));
}

void QuantityWindow::BoxEdited(int index, const QString& text) {
  model_.txtKol[At(index)] = FromQ(text);
  ShowSum(RecomputeQuantity(model_));
}

void QuantityWindow::ShowSum(const QuantityResult& result) {
  SetQuietly(txtKol_[At(QuantityForm::kSumBox)], result.text);
  const QString problem = ToQMultiline(QuantityProblemText(result));
  lblProblem_->setText(problem);
  lblProblem_->setVisible(!problem.isEmpty());
  txtKol_[At(QuantityForm::kSumBox)]->setToolTip(problem);
}

void QuantityWindow::CmdKol() {
  const bool passed = QuantityCmdKol(model_, frm1_, messages_);
  Refresh();
  if (passed && changed_) changed_();
}

}  // namespace verdin
