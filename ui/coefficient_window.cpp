#include "ui/coefficient_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cstddef>
#include <utility>

#include "core/index.h"
#include "ui/qt_support.h"

namespace verdin {
namespace {

constexpr const char* kTitle = "Коэффициенты к стоимости";
constexpr const char* kIntro = "При расчете здания, сооружения, вида работ учесть помеченные коэффициенты";
constexpr const char* kSaveToolTip = "Сохранить текущее состояние при следующем запуске";
constexpr const char* kIndexationLabel = "Коэффициент индексации проектных работ:";

// Widths of the text columns, in characters of an average Cyrillic letter.
constexpr int kNameChars = 34;
constexpr int kSymbolChars = 9;
constexpr int kValueChars = 7;
constexpr int kBasisChars = 45;

// Grid columns of a coefficient row.
enum Column { kCheckColumn, kNameColumn, kSymbolColumn, kValueColumn, kBasisColumn };

QLineEdit* MakeEdit(QWidget* parent, const char* name, int index, int chars, EditWidths& widths) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(ArrayName(name, index));
  edit->setMinimumWidth(widths(edit, chars));
  return edit;
}

QLabel* Heading(QWidget* parent, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

// Grid row of coefficient row `row`: below the heading, with the industry
// list taking the line after the industry row.
int GridRow(int row) { return 1 + row + (row > kIndustryRow ? 1 : 0); }

}  // namespace

CoefficientWindow::CoefficientWindow(CoefficientForm& model, const NormStore& norms, Messages& messages,
                                     std::filesystem::path stateFile, std::function<void()> changed,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      norms_(norms),
      messages_(messages),
      stateFile_(std::move(stateFile)),
      changed_(std::move(changed)) {
  setObjectName(QStringLiteral("frmKoeff"));
  setWindowTitle(QString::fromUtf8(kTitle));
  Build();
  Refresh();
}

void CoefficientWindow::Build() {
  auto* layout = new QVBoxLayout(this);
  EditWidths widths;

  auto* top = new QHBoxLayout;
  auto* cmdSave = MakeSaveButton(this, kSaveToolTip);
  auto* intro = new QLabel(QString::fromUtf8(kIntro), this);
  intro->setObjectName(QStringLiteral("lblKoeff"));
  top->addWidget(cmdSave);
  top->addWidget(intro, 1);
  layout->addLayout(top);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  grid->addWidget(Heading(this, "Наименование"), 0, kNameColumn);
  grid->addWidget(Heading(this, "Обозн."), 0, kSymbolColumn);
  grid->addWidget(Heading(this, "Значение"), 0, kValueColumn);
  grid->addWidget(Heading(this, "Обоснование"), 0, kBasisColumn);

  for (int i = 0; i < kCoefficientRows; ++i) {
    auto* check = new QCheckBox(this);
    check->setObjectName(ArrayName("chkKoeff", i));
    chkKoeff_[At(i)] = check;
    txtKoeffIm_[At(i)] = MakeEdit(this, "txtKoeffIm", i, kNameChars, widths);
    txtKoeffI_[At(i)] = MakeEdit(this, "txtKoeffI", i, kSymbolChars, widths);
    txtKoeffK_[At(i)] = MakeEdit(this, "txtKoeffK", i, kValueChars, widths);
    txtKoeffP_[At(i)] = MakeEdit(this, "txtKoeffP", i, kBasisChars, widths);
    new KeyFilter(txtKoeffK_[At(i)], FilterDecimalKey, messages_);
    SetRowAccessibleName(check, "Учесть коэффициент", i);
    SetRowAccessibleName(txtKoeffIm_[At(i)], "Наименование коэффициента", i);
    SetRowAccessibleName(txtKoeffI_[At(i)], "Обозначение коэффициента", i);
    SetRowAccessibleName(txtKoeffK_[At(i)], "Значение коэффициента", i);
    SetRowAccessibleName(txtKoeffP_[At(i)], "Обоснование коэффициента", i);

    const int row = GridRow(i);
    grid->addWidget(check, row, kCheckColumn);
    grid->addWidget(txtKoeffIm_[At(i)], row, kNameColumn);
    grid->addWidget(txtKoeffI_[At(i)], row, kSymbolColumn);
    grid->addWidget(txtKoeffK_[At(i)], row, kValueColumn);
    grid->addWidget(txtKoeffP_[At(i)], row, kBasisColumn);

    BindCheck(check, model_.chkKoeff[At(i)], [this] { Changed(); });
    BindText(txtKoeffIm_[At(i)], model_.txtKoeffIm[At(i)], [this] { Changed(); });
    BindText(txtKoeffI_[At(i)], model_.txtKoeffI[At(i)], [this] { Changed(); });
    BindText(txtKoeffK_[At(i)], model_.txtKoeffK[At(i)], [this] { Changed(); });
    BindText(txtKoeffP_[At(i)], model_.txtKoeffP[At(i)], [this] { Changed(); });
  }

  cboKotr_ = new QComboBox(this);
  cboKotr_->setObjectName(QStringLiteral("cboKotr"));
  cboKotr_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cboKotr_->setMinimumContentsLength(kNameChars);
  SetAccessibleName(cboKotr_, QStringLiteral("Отрасль"));
  grid->addWidget(cboKotr_, GridRow(kIndustryRow) + 1, kNameColumn, 1, kValueColumn - kNameColumn + 1);
  connect(cboKotr_, &QComboBox::activated, this, [this](int index) {
    SelectKotr(model_, norms_, index, false);
    Changed();
  });

  grid->setColumnStretch(kNameColumn, 2);
  grid->setColumnStretch(kBasisColumn, 3);
  layout->addLayout(grid);

  auto* indexation = new QHBoxLayout;
  indexation->addWidget(new QLabel(QString::fromUtf8(kIndexationLabel), this));
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  const std::array<const char*, 2> options{"Жилье", "Не жилье"};
  const std::array<const char*, 2> indexNames{"Коэффициент индексации, жилье", "Коэффициент индексации, не жилье"};
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(options[At(i)]), this);
    option->setObjectName(ArrayName("optGil", i));
    group->addButton(option, i);
    optGil_[At(i)] = option;
    txtKi_[At(i)] = MakeEdit(this, "txtKi", i, kValueChars, widths);
    txtKi_[At(i)]->setMaximumWidth(widths(txtKi_[At(i)], kValueChars + 3));
    new KeyFilter(txtKi_[At(i)], FilterDecimalKey, messages_);
    SetAccessibleName(txtKi_[At(i)], QString::fromUtf8(indexNames[At(i)]));
    indexation->addSpacing(12);
    indexation->addWidget(option);
    indexation->addWidget(txtKi_[At(i)]);

    connect(option, &QRadioButton::clicked, this, [this, i] {
      ClickOptGil(model_, i);
      Changed();
    });
    connect(txtKi_[At(i)], &QLineEdit::textEdited, this, [this, i](const QString& text) {
      ChangeTxtKi(model_, i, FromQ(text));
      Changed();
    });
  }
  indexation->addStretch(1);
  layout->addLayout(indexation);
  lblShareNote_ = new QLabel(QString::fromUtf8(kShareIndexationNote), this);
  lblShareNote_->setObjectName(QStringLiteral("lblShareNote"));
  lblShareNote_->setWordWrap(true);
  lblShareNote_->setVisible(false);
  layout->addWidget(lblShareNote_);
  layout->addStretch(1);

  // The industry list lies under the industry row, so Tab reaches it from
  // that row's last box.
  setTabOrder(txtKoeffP_[At(kIndustryRow)], cboKotr_);
  SetWindowKeys(this);
  NameButtonsByCaption(this);

  connect(cmdSave, &QPushButton::clicked, this, [this] {
    SaveCoefficientForm(model_, stateFile_, messages_);
    Changed();
  });
}

void CoefficientWindow::Refresh() {
  for (int i = 0; i < kCoefficientRows; ++i) {
    {
      const QSignalBlocker blocker(chkKoeff_[At(i)]);
      chkKoeff_[At(i)]->setChecked(model_.chkKoeff[At(i)]);
    }
    SetQuietly(txtKoeffIm_[At(i)], model_.txtKoeffIm[At(i)]);
    SetQuietly(txtKoeffI_[At(i)], model_.txtKoeffI[At(i)]);
    SetQuietly(txtKoeffK_[At(i)], model_.txtKoeffK[At(i)]);
    SetQuietly(txtKoeffP_[At(i)], model_.txtKoeffP[At(i)]);
  }

  QCheckBox* indexation = chkKoeff_[At(kIndexationRow)];
  indexation->setEnabled(!model_.shareMode);
  indexation->setToolTip(model_.shareMode ? QString::fromUtf8(kShareIndexationNote) : QString());
  lblShareNote_->setVisible(model_.shareMode);

  for (int i = 0; i < 2; ++i) SetQuietly(txtKi_[At(i)], model_.txtKi[At(i)]);
  if (model_.optGil == CoefficientForm::kHousing || model_.optGil == CoefficientForm::kOther) {
    const QSignalBlocker housing(optGil_[0]);
    const QSignalBlocker other(optGil_[1]);
    optGil_[At(model_.optGil)]->setChecked(true);
  }

  const QSignalBlocker blocker(cboKotr_);
  bool sameList = cboKotr_->count() == static_cast<int>(model_.cboKotr.size());
  for (int n = 0; sameList && n < cboKotr_->count(); ++n) {
    sameList = cboKotr_->itemText(n) == ToQ(model_.cboKotr[At(n)]);
  }
  if (!sameList) {
    cboKotr_->clear();
    for (const std::string& name : model_.cboKotr) cboKotr_->addItem(ToQ(name));
  }
  const bool validIndex = model_.cboKotrIndex >= 0 && model_.cboKotrIndex < cboKotr_->count();
  cboKotr_->setCurrentIndex(validIndex ? model_.cboKotrIndex : -1);
  cboKotr_->setEnabled(cboKotr_->count() > 0);
}

void CoefficientWindow::Changed() {
  if (changed_) {
    changed_();
  } else {
    Refresh();
  }
}

}  // namespace verdin
