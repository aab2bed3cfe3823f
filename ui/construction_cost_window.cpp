#include "ui/construction_cost_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/qt_support.h"

namespace verdin {

namespace {

constexpr const char* kCostLabel = "Стоимость, млн. руб. на 01.01.2006 г.";
constexpr const char* kCategoryLabel = "Категория сложности по таблице Б.1";
constexpr const char* kPercentLabel = "Процент L=";
constexpr const char* kDesignCostLabel = "Стоимость проектных работ, тыс. руб.";

QLineEdit* Edit(const char* name) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  return edit;
}

}  // namespace

ConstructionCostWindow::ConstructionCostWindow(ConstructionCostForm& model, const NormStore& norms, Program& program,
                                               Messages& messages, std::function<void()> handedOver, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      norms_(norms),
      program_(program),
      messages_(messages),
      handedOver_(std::move(handedOver)) {
  setObjectName("frmSMR");
  setWindowTitle("Расчет по СМР");
  auto* grid = new QGridLayout(this);
  txt1_ = Edit("txt1");
  txt2_ = Edit("txt2");
  txtPr_ = Edit("txtPr");
  txtS_ = Edit("txtS");
  for (QLineEdit* result : {txtPr_, txtS_}) {
    result->setReadOnly(true);
    result->setMinimumWidth(fontMetrics().horizontalAdvance(QString(60, QChar('0'))));
  }
  // The labels that repeat the texts lie outside the visible area.
  lblPr_ = new QLabel(this);
  lblPr_->setObjectName("lblPr");
  lblPr_->hide();
  lblS_ = new QLabel(this);
  lblS_->setObjectName("lblS");
  lblS_->hide();
  auto* cmdOk = new QPushButton("Расчет");
  cmdOk->setObjectName("cmdOk");
  auto* cmdGl = new QPushButton("Передать в главную форму");
  cmdGl->setObjectName("cmdGl");
  grid->addWidget(new QLabel(QString::fromUtf8(kCostLabel)), 0, 0);
  grid->addWidget(new QLabel(QString::fromUtf8(kCategoryLabel)), 0, 1);
  grid->addWidget(txt1_, 1, 0);
  grid->addWidget(txt2_, 1, 1);
  grid->addWidget(cmdOk, 1, 2);
  grid->addWidget(new QLabel(QString::fromUtf8(kPercentLabel)), 2, 0);
  grid->addWidget(txtPr_, 3, 0, 1, 3);
  grid->addWidget(new QLabel(QString::fromUtf8(kDesignCostLabel)), 4, 0, 1, 2);
  grid->addWidget(txtS_, 5, 0, 1, 3);
  grid->addWidget(cmdGl, 6, 0, 1, 3);
  const std::pair<QLineEdit*, const char*> boxes[] = {
      {txt1_, kCostLabel}, {txt2_, kCategoryLabel}, {txtPr_, kPercentLabel}, {txtS_, kDesignCostLabel}};
  for (const auto& [box, label] : boxes) SetAccessibleName(box, QString::fromUtf8(label).remove(QLatin1Char('=')));
  // Enter in a box calculates, as "Расчет" does.
  SetWindowKeys(this, cmdOk);
  NameButtonsByCaption(this);
  new KeyFilter(txt1_, FilterSignedDecimalKey, messages_);
  new KeyFilter(txt2_, FilterSignedDecimalKey, messages_);
  connect(txt1_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.txt1 = FromQ(text); });
  connect(txt2_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.txt2 = FromQ(text); });
  connect(cmdOk, &QPushButton::clicked, this, [this] {
    ConstructionCostCmdOk(model_, norms_, messages_);
    Refresh();
  });
  connect(cmdGl, &QPushButton::clicked, this, [this] {
    MainContext ctx = program_.Context(messages_);
    ConstructionCostCmdGl(model_, ctx);
    if (handedOver_) handedOver_();
  });
  Refresh();
}

void ConstructionCostWindow::Refresh() {
  SetQuietly(txt1_, model_.txt1);
  SetQuietly(txt2_, model_.txt2);
  SetQuietly(txtPr_, model_.txtPr);
  SetQuietly(txtS_, model_.txtS);
  lblPr_->setText(ToQ(model_.lblPr));
  lblS_->setText(ToQ(model_.lblS));
}

}  // namespace verdin
