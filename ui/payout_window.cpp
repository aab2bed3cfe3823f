#include "ui/payout_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstddef>
#include <utility>

#include "core/index.h"
#include "ui/qt_support.h"
#include "core/key_filters.h"

namespace verdin {
namespace {

constexpr const char* kTitle = "По просьбе г-на Ш";
constexpr const char* kRoublesColumn = "В рублях";
constexpr const char* kOtherColumn = "В угрюмых енотах";
constexpr const char* kPriceLabel = "Цена проектных работ без НДС";
constexpr const char* kKopecksLabel = "Копеек с рубля на зарплату......";
constexpr const char* kPercentLabel = "Процент на твой раздел..............";
constexpr const char* kPayOutLabel = "К выдаче.....................................";
constexpr const char* kKopecksToolTip =
    "Не забудь: сколько копеек с рубля идет на зарплату, уточни в бухгалтерии перед расчетом";

// Width of an amount box: "999 999 999 999" and a little more.
constexpr int kAmountChars = 16;

QLineEdit* MakeBox(QWidget* parent, const char* name, int index, Messages& messages) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index));
  edit->setAlignment(Qt::AlignRight);
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(kAmountChars, QLatin1Char('0'))) + 14);
  new KeyFilter(edit, FilterDecimalKey, messages);
  return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* text) { return new QLabel(QString::fromUtf8(text), parent); }

// A box named by its row's label (without the dots that lead to the box)
// and its column's heading.
void NameBox(QLineEdit* box, const char* rowLabel, const char* column) {
  QString row = QString::fromUtf8(rowLabel);
  while (row.endsWith(QLatin1Char('.'))) row.chop(1);
  SetAccessibleName(box, QStringLiteral("%1, %2").arg(row, QString::fromUtf8(column).toLower()));
}

}  // namespace

PayOutWindow::PayOutWindow(PayOutForm& model, Messages& messages, std::function<void()> closed, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), messages_(messages), closed_(std::move(closed)) {
  setObjectName(QStringLiteral("frmW"));
  setWindowTitle(QString::fromUtf8(kTitle));
  Build();
  Refresh();
}

void PayOutWindow::Build() {
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);

  auto* roubles = MakeLabel(this, kRoublesColumn);
  auto* other = MakeLabel(this, kOtherColumn);
  roubles->setAlignment(Qt::AlignCenter);
  other->setAlignment(Qt::AlignCenter);
  grid->addWidget(roubles, 0, 1);
  grid->addWidget(other, 0, 2);

  const std::array<const char*, PayOutForm::kBoxes> rowLabels{kPriceLabel, kKopecksLabel, kPercentLabel,
                                                                kPayOutLabel};
  for (int index = 0; index < PayOutForm::kBoxes; ++index) {
    grid->addWidget(MakeLabel(this, rowLabels[At(index)]), index + 1, 0);
    txt1_[At(index)] = MakeBox(this, "txt1", index, messages_);
    grid->addWidget(txt1_[At(index)], index + 1, 1);
    NameBox(txt1_[At(index)], rowLabels[At(index)], kRoublesColumn);
    if (index == PayOutForm::kPrice || index == PayOutForm::kPayOut) {
      txt2_[At(index)] = MakeBox(this, "txt2", index, messages_);
      grid->addWidget(txt2_[At(index)], index + 1, 2);
      NameBox(txt2_[At(index)], rowLabels[At(index)], kOtherColumn);
    }
  }
  txt1_[At(PayOutForm::kKopecks)]->setToolTip(QString::fromUtf8(kKopecksToolTip));
  // The pay-outs are always computed; typing there would change nothing.
  txt1_[At(PayOutForm::kPayOut)]->setReadOnly(true);
  txt2_[At(PayOutForm::kPayOut)]->setReadOnly(true);
  QFont bold = txt1_[At(PayOutForm::kPayOut)]->font();
  bold.setBold(true);
  txt1_[At(PayOutForm::kPayOut)]->setFont(bold);
  txt2_[At(PayOutForm::kPayOut)]->setFont(bold);
  layout->addLayout(grid);

  // Figures that could not be worked out, in red under the boxes.
  lblProblem_ = MakeProblemLabel(this);
  layout->addWidget(lblProblem_);
  layout->addStretch(1);
  SetWindowKeys(this);

  // Every box keeps the model up to date; only the kopecks and the percent
  // recompute the pay-out.
  for (int index = 0; index < PayOutForm::kBoxes; ++index) {
    connect(txt1_[At(index)], &QLineEdit::textChanged, this, [this, index](const QString& text) {
      model_.txt1[At(index)] = FromQ(text);
      if (index == PayOutForm::kKopecks || index == PayOutForm::kPercent) {
        RecomputePayOut(model_);
        Refresh();
      }
    });
  }
  for (const int index : {PayOutForm::kPrice, PayOutForm::kPayOut}) {
    connect(txt2_[At(index)], &QLineEdit::textChanged, this,
            [this, index](const QString& text) { model_.txt2[At(index)] = FromQ(text); });
  }
}

void PayOutWindow::Open(const MainForm& frm1) {
  OpenPayOut(model_, frm1);
  Refresh();
  show();
  raise();
  activateWindow();
}

void PayOutWindow::Refresh() {
  for (int index = 0; index < PayOutForm::kBoxes; ++index) {
    SetQuietly(txt1_[At(index)], model_.txt1[At(index)]);
    if (txt2_[At(index)] != nullptr) SetQuietly(txt2_[At(index)], model_.txt2[At(index)]);
  }
  const QString problem = ToQMultiline(PayOutProblemText(model_));
  lblProblem_->setText(problem);
  lblProblem_->setVisible(!problem.isEmpty());
}

void PayOutWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (closed_) closed_();
}

}  // namespace verdin
