#include "ui/general_data_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QVBoxLayout>
#include <cstddef>
#include <utility>

#include "core/index.h"
#include "ui/qt_support.h"

namespace verdin {
namespace {

constexpr const char* kTitle = "Общие данные по смете";
constexpr const char* kSaveToolTip = "Сохранить текущее состояние при следующем запуске";
constexpr const char* kObjectLabel =
    "Наименование предприятия, здания, сооружения, стадии проектирования, этапа, вида проектных работ";
constexpr const char* kDesignerLabel = "Наименование проектной организации";
constexpr const char* kCustomerLabel = "Наименование организации заказчика";
constexpr const char* kChargesLabel = "Включить в смету следующие расходы:";
constexpr const char* kSignatoriesLabel = "Смету подписывают:";

// The charge row whose amount is computed, not typed.
constexpr int kComputedChargeRow = 1;

// Widths of the text boxes, in characters of an average Cyrillic letter.
constexpr int kContractChars = 12;
constexpr int kDateChars = 11;
constexpr int kHeaderChars = 60;
constexpr int kCaptionChars = 40;
constexpr int kRateChars = 8;
constexpr int kPostChars = 28;
constexpr int kPersonChars = 20;
constexpr int kObjectLines = 3;

QLineEdit* MakeEdit(QWidget* parent, const QString& name, int chars, EditWidths& widths) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMinimumWidth(widths(edit, chars));
  return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* text) {
  return new QLabel(QString::fromUtf8(text), parent);
}

// A plain-text box exactly `lines` lines high.
QPlainTextEdit* MakeMultilineEdit(QWidget* parent, const QString& name, int lines, int chars) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setObjectName(name);
  edit->setTabChangesFocus(true);
  // Long lines wrap at the box's width, so no scroll bar takes a line away.
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The frame width is known only once the style has polished the box.
  edit->ensurePolished();
  const int margin = static_cast<int>(edit->document()->documentMargin());
  const QMargins frame = edit->contentsMargins();
  const int height = edit->fontMetrics().lineSpacing() * lines + 2 * margin + frame.top() + frame.bottom();
  edit->setFixedHeight(height);
  edit->setMinimumWidth(EditWidth(edit, chars));
  return edit;
}

}  // namespace

GeneralDataWindow::GeneralDataWindow(GeneralDataForm& model, Messages& messages,
                                     std::filesystem::path stateFile, std::function<void()> changed,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      messages_(messages),
      stateFile_(std::move(stateFile)),
      changed_(std::move(changed)) {
  setObjectName(QStringLiteral("frmObD"));
  setWindowTitle(QString::fromUtf8(kTitle));
  Build();
  Refresh();
}

void GeneralDataWindow::Build() {
  auto* layout = new QVBoxLayout(this);
  EditWidths widths;

  // Contract number and date.
  auto* top = new QHBoxLayout;
  auto* cmdSave = MakeSaveButton(this, kSaveToolTip);
  txtNdog_ = MakeEdit(this, QStringLiteral("txtNdog"), kContractChars, widths);
  txtDataDog_ = MakeEdit(this, QStringLiteral("txtDataDog"), kDateChars, widths);
  top->addWidget(cmdSave);
  top->addSpacing(12);
  top->addWidget(MakeLabel(this, "Номер договора"));
  top->addWidget(txtNdog_);
  top->addWidget(MakeLabel(this, "от"));
  top->addWidget(txtDataDog_);
  SetAccessibleName(txtNdog_, QStringLiteral("Номер договора"));
  SetAccessibleName(txtDataDog_, QStringLiteral("Дата договора"));
  top->addStretch(1);
  layout->addLayout(top);
  connect(txtNdog_, &QLineEdit::textEdited, this, [this](const QString& text) {
    model_.txtNdog = FromQ(text);
    Changed();
  });
  connect(txtDataDog_, &QLineEdit::textEdited, this, [this](const QString& text) {
    model_.txtDataDog = FromQ(text);
    Changed();
  });

  // The header texts of the estimate.
  auto* objectLabel = MakeLabel(this, kObjectLabel);
  objectLabel->setWordWrap(true);
  layout->addWidget(objectLabel);
  txtShapkaMulti_[0] = MakeMultilineEdit(this, ArrayName("txtShapka", 0), kObjectLines, kHeaderChars);
  layout->addWidget(txtShapkaMulti_[0]);
  SetAccessibleName(txtShapkaMulti_[0], QString::fromUtf8(kObjectLabel));
  connect(txtShapkaMulti_[0], &QPlainTextEdit::textChanged, this, [this] {
    model_.txtShapka[0] = FromQMultiline(txtShapkaMulti_[0]->toPlainText());
    Changed();
  });

  auto* organisations = new QGridLayout;
  const std::array<const char*, 3> headerLabels{kObjectLabel, kDesignerLabel, kCustomerLabel};
  for (int i = 1; i < 3; ++i) {
    txtShapka_[At(i)] = MakeEdit(this, ArrayName("txtShapka", i), kCaptionChars, widths);
    organisations->addWidget(MakeLabel(this, headerLabels[At(i)]), i - 1, 0);
    organisations->addWidget(txtShapka_[At(i)], i - 1, 1);
    SetAccessibleName(txtShapka_[At(i)], QString::fromUtf8(headerLabels[At(i)]));
    BindText(txtShapka_[At(i)], model_.txtShapka[At(i)], [this] { Changed(); });
  }
  organisations->setColumnStretch(1, 1);
  layout->addLayout(organisations);

  // Charges: include box, caption, rate. The groups are set apart by their
  // captions only, so the window fits under the coefficient window on a
  // 1920×1080 screen.
  layout->addWidget(MakeLabel(this, kChargesLabel));
  auto* charges = new QGridLayout;
  charges->setVerticalSpacing(3);
  for (int i = 0; i < kChargeRows; ++i) {
    auto* check = new QCheckBox(this);
    check->setObjectName(ArrayName("chkK", i));
    chkK_[At(i)] = check;
    txtK_[At(i)] = MakeEdit(this, ArrayName("txtK", i), kCaptionChars, widths);
    txtKc_[At(i)] = MakeEdit(this, ArrayName("txtKc", i), kRateChars, widths);
    if (i == kComputedChargeRow) txtKc_[At(i)]->setReadOnly(true);
    SetRowAccessibleName(check, "Включить расход", i);
    SetRowAccessibleName(txtK_[At(i)], "Наименование расхода", i);
    SetRowAccessibleName(txtKc_[At(i)], "Ставка расхода", i);
    charges->addWidget(check, i, 0);
    charges->addWidget(txtK_[At(i)], i, 1);
    charges->addWidget(txtKc_[At(i)], i, 2);
    BindCheck(check, model_.chkK[At(i)], [this] { Changed(); });
    BindText(txtK_[At(i)], model_.txtK[At(i)], [this] { Changed(); });
    BindText(txtKc_[At(i)], model_.txtKc[At(i)], [this] { Changed(); });
  }
  charges->setColumnStretch(1, 1);
  layout->addLayout(charges);

  // Signatories: include box, post, name.
  layout->addWidget(MakeLabel(this, kSignatoriesLabel));
  auto* signatories = new QGridLayout;
  signatories->setVerticalSpacing(3);
  for (int i = 0; i < kSignatoryRows; ++i) {
    auto* check = new QCheckBox(this);
    check->setObjectName(ArrayName("chk1", i));
    chk1_[At(i)] = check;
    txt1_[At(i)] = MakeEdit(this, ArrayName("txt1", i), kPostChars, widths);
    txt2_[At(i)] = MakeEdit(this, ArrayName("txt2", i), kPersonChars, widths);
    SetRowAccessibleName(check, "Подпись", i);
    SetRowAccessibleName(txt1_[At(i)], "Должность подписывающего", i);
    SetRowAccessibleName(txt2_[At(i)], "Фамилия подписывающего", i);
    signatories->addWidget(check, i, 0);
    signatories->addWidget(txt1_[At(i)], i, 1);
    signatories->addWidget(txt2_[At(i)], i, 2);
    BindCheck(check, model_.chk1[At(i)], [this] { Changed(); });
    BindText(txt1_[At(i)], model_.txt1[At(i)], [this] { Changed(); });
    BindText(txt2_[At(i)], model_.txt2[At(i)], [this] { Changed(); });
  }
  signatories->setColumnStretch(1, 3);
  signatories->setColumnStretch(2, 2);
  layout->addLayout(signatories);

  auto* bottom = new QHBoxLayout;
  auto* cmdHide = new QPushButton(QStringLiteral("Скрыть форму"), this);
  cmdHide->setObjectName(QStringLiteral("cmdHide"));
  bottom->addStretch(1);
  bottom->addWidget(cmdHide);
  bottom->addStretch(1);
  layout->addLayout(bottom);
  layout->addStretch(1);
  SetWindowKeys(this);
  NameButtonsByCaption(this);

  connect(cmdSave, &QPushButton::clicked, this, [this] {
    SaveGeneralDataForm(model_, stateFile_, messages_);
    Changed();
  });
  connect(cmdHide, &QPushButton::clicked, this, [this] {
    hide();
    Changed();
  });
}

void GeneralDataWindow::Refresh() {
  SetQuietly(txtNdog_, model_.txtNdog);
  SetQuietly(txtDataDog_, model_.txtDataDog);
  SetQuietly(txtShapkaMulti_[0], model_.txtShapka[0]);
  for (int i = 1; i < 3; ++i) SetQuietly(txtShapka_[At(i)], model_.txtShapka[At(i)]);

  for (int i = 0; i < kChargeRows; ++i) {
    {
      const QSignalBlocker blocker(chkK_[At(i)]);
      chkK_[At(i)]->setChecked(model_.chkK[At(i)]);
    }
    chkK_[At(i)]->setEnabled(model_.chkKEnabled[At(i)]);
    SetQuietly(txtK_[At(i)], model_.txtK[At(i)]);
    SetQuietly(txtKc_[At(i)], model_.txtKc[At(i)]);
    txtKc_[At(i)]->setToolTip(ToQ(model_.txtKcToolTip[At(i)]));
  }

  for (int i = 0; i < kSignatoryRows; ++i) {
    {
      const QSignalBlocker blocker(chk1_[At(i)]);
      chk1_[At(i)]->setChecked(model_.chk1[At(i)]);
    }
    SetQuietly(txt1_[At(i)], model_.txt1[At(i)]);
    SetQuietly(txt2_[At(i)], model_.txt2[At(i)]);
  }
}

void GeneralDataWindow::Changed() {
  if (changed_) {
    changed_();
  } else {
    Refresh();
  }
}

void GeneralDataWindow::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) model_.visible = true;
  QWidget::showEvent(event);
}

void GeneralDataWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) model_.visible = false;
  QWidget::hideEvent(event);
}

}  // namespace verdin
