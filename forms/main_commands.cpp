#include "forms/main_commands.h"

#include <cmath>

#include "core/amount_bound.h"
#include "core/folders.h"
#include "core/norm_loader.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

constexpr const char* kCaption = "Расчет стоимости проектных работ по СБЦ (Беларусь).";
constexpr const char* kSmrUnit = "млн.руб - стоимость СМР на 01.01.2006";
constexpr int kHousingEntry = 5;
constexpr int kEntryWithoutCalculation = 1;
constexpr int kPercentageEntry = 2;

// Label indices of lblZd that the selection commands enable and disable.
constexpr int kLabelUnit = 1;
constexpr int kLabelQuantity = 3;
constexpr int kLabelCalculation = 5;

bool InputError(MainContext& ctx, const std::string& text) {
  ctx.messages.Beep();
  ctx.messages.Show(kInputErrorTitle, text, MessageIcon::Warning);
  return false;
}

// The item fields that the entry without calculation and the share mode
// switch off.
void EnableItemFields(MainForm& form, bool enabled) {
  form.fra1Enabled = enabled;
  for (const int label : {kLabelUnit, kLabelQuantity, kLabelCalculation}) {
    form.lblZdEnabled[static_cast<std::size_t>(label)] = enabled;
  }
  form.cboPEnabled = enabled;
  form.txtNpEnabled = enabled;
  form.txtStBEnabled = enabled;
  form.txtKolicEnabled = enabled;
  form.txtStBazEnabled = enabled;
}

void SelectOptGilByProgram(CoefficientForm& koeff, int option) {
  if (koeff.optGil != option) ClickOptGil(koeff, option);
}

void ShowPercentageEntryLabels(MainForm& form, bool percentage) {
  form.cboSMREnabled = percentage;
  form.lblSMREnabled = percentage;
  if (percentage) {
    form.lblZd[kLabelQuantity] = "Цсмр, млн.руб";
    form.lblSBC = {"Цсмр", "Уд. вес %"};
    form.txtNp = kSmrUnit;
  } else {
    form.lblZd[kLabelQuantity] = "Количество";
    form.lblSBC = {"Кол.", "Стоимость, тыс.р."};
  }
}

// The item number typed into txtProcent; 0 when it is not a whole number
// an estimate can hold.
int ItemNumber(const std::string& text) {
  const auto value = ParseTypedNumber(text);
  if (!value || *value != std::floor(*value) || *value < 0 || *value > kMaxItems) return 0;
  return static_cast<int>(*value);
}

constexpr const char* kRateField = "То же в $ при 1$=";

// Why the dollar rate cannot be used, or nullopt when it can.
std::optional<std::string> RateProblem(const std::string& txtStd) {
  if (auto problem = TypedAmountProblem(kRateField, txtStd)) return problem;
  if (ParseTypedNumber(txtStd).value_or(0) != 0) return std::nullopt;
  return "Курс доллара «" + txtStd + "» в поле «" + kRateField + "» должен быть числом, отличным от нуля.";
}

constexpr const char* kEmptyUserTable =
    "Таблица не заполнена: введите в графы «Кол.» и «Стоимость» хотя бы одну строку "
    "(натуральный показатель и его стоимость), затем нажмите «Рассчитать текущий объект».";

std::string CostProblem() {
  return "Стоимость объекта получилась больше " + AmountBoundText() +
         " по абсолютной величине или не числом: объект не рассчитан. "
         "Проверьте количество и значения коэффициентов.";
}

std::string DollarProblem(const std::string& txtStd) {
  return "Стоимость в долларах при курсе «" + Trim(txtStd) + "» получилась больше " + AmountBoundText() +
         ": объект не рассчитан. Проверьте курс в поле «" + kRateField + "».";
}

// The base price and its calculation text of the current item: from the
// tables, or the cost of the item it is a share of.
std::optional<BasePrice> CurrentBase(MainContext& ctx) {
  if (ctx.state.NomProc == 0) return CalculateBasePrice(ctx);
  return BasePrice{ctx.state.estimate.Item(ctx.state.NomProc).cost, {}};
}

// The calculation text and the figures of the previous calculation: a new
// table or row prices something else, so they no longer belong on screen.
void ClearCalculation(MainContext& ctx) {
  MainForm& form = ctx.frm1;
  form.txtStB.clear();
  form.txtStBaz.clear();
  SetTxtStP(ctx, "");
  form.txtStPd.clear();
  ctx.state.StBaz = 0;
}

// A note as the notes frame shows it: the notes file opens every note with
// a line that starts with "\"; that marker is no part of the text.
std::string ShownNote(const std::string& note) {
  return note.starts_with('\\') ? note.substr(1) : note;
}

constexpr const char* kAboutTitle = "О программе.";

}  // namespace

void LoadMainWindow(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  state.folders.DiskIsx = DiskOf(state.folders.PathIsx);
  ZagrBaz(state.folders.PathData, state.norms);
  state.NomRed = -1;
  form.cmdAbToolTip = std::string("Версия  ") + kProgramVersion;
  form.caption = std::string(kCaption) + " Версия  " + kProgramVersion;
  // The coefficient window loads when the main window first touches it.
  ctx.frmKoeff = LoadCoefficientForm(FileInFolder(state.folders.PathData, kCoefficientFileName),
                                     state.norms, ctx.messages);
  SelectOptGilByProgram(ctx.frmKoeff, CoefficientForm::kHousing);
  form.cboTab.clear();
  for (const auto& table : state.norms.tables) form.cboTab.push_back(table.title);
  SelectTable(ctx, state.KolSpec + 1);
  state.estimate.items.clear();
  form.cboSMR = {"I", "II", "III", "IV", "V"};
  form.cboSMRIndex = 0;
}

void SelectTable(MainContext& ctx, int index) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  if (index < -1 || index >= static_cast<int>(form.cboTab.size())) index = -1;
  form.cboTabIndex = index;
  state.NomTab = index;
  ClearCalculation(ctx);
  SelectOptGilByProgram(ctx.frmKoeff, state.NomTab == kHousingEntry ? CoefficientForm::kHousing
                                                                    : CoefficientForm::kOther);
  form.cboP.clear();
  form.cboPIndex = -1;
  const bool calculated = state.NomTab != kEntryWithoutCalculation;
  EnableItemFields(form, calculated);
  form.cmdOkEnabled = calculated;
  if (state.NomTab > state.KolSpec) {
    for (const auto& row : state.norms.Table(state.NomTab + 1).rows) form.cboP.push_back(row.title);
    if (form.cboP.empty()) {
      EmptyGrid(form);  // a table without rows: nothing to show or price
    } else {
      SelectRow(ctx, 0, true);
    }
  } else {
    EmptyGrid(form);
  }
  ShowPercentageEntryLabels(form, state.NomTab == kPercentageEntry);
  form.lblPrim = ShownNote(state.norms.Note(state.NomTab + 1));
}

void SelectRow(MainContext& ctx, int index, bool byProgram) {
  MainForm& form = ctx.frm1;
  if (index < -1 || index >= static_cast<int>(form.cboP.size())) index = -1;
  if (byProgram && index == form.cboPIndex) return;
  form.cboPIndex = index;
  ClearCalculation(ctx);
  const NormRow* row = index < 0 ? nullptr : PricedRow(ctx.state.norms, ctx.state.NomTab + 1, index + 1);
  form.txtNp = (row != nullptr && !row->points.empty()) ? std::string(row->points.front().unit) : std::string();
  form.cboPToolTip = row != nullptr ? row->title : std::string();
  form.cboTabToolTip = form.cboTabIndex >= 0 ? form.cboTab[static_cast<std::size_t>(form.cboTabIndex)] : "";
  EmptyGrid(form);
  if (row == nullptr) return;
  for (std::size_t p = 0; p < row->points.size() && p + 1 < form.txtV.size(); ++p) {
    form.txtV[p + 1] = GeneralForm(row->points[p].x);
    form.txtSt[p + 1] = GeneralForm(row->points[p].price);
  }
}

void ClickOptPrim(MainContext& ctx, int option) { ctx.frm1.optPrim = option == 1 ? 1 : 0; }

std::optional<BasePrice> CalculateBasePrice(MainContext& ctx) {
  AppState& state = ctx.state;
  const MainForm& form = ctx.frm1;
  if (state.NomTab == 0) {
    state.norms.userTable = PackUserTable(form.txtV, form.txtSt, state.KolStrPol);
    // An empty table would price the item at 0 without a word.
    if (state.norms.userTable.points.empty()) throw PricingError(kEmptyUserTable);
  }
  PricingRequest request;
  request.NomTab = state.NomTab;
  request.X = form.txtKolic;
  request.t = state.NomTab + 1;
  request.r = form.cboPIndex + 1;
  request.category = form.cboSMRIndex + 1;
  return RaschCb(state.norms, request);
}

bool CmdOk(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  if (Trim(form.txtKolic).empty() && !form.chkProcent) {
    return InputError(ctx, "Не задан объем натурального показателя - графа Количество!!!");
  }
  if (form.txtProcent.empty() && form.chkProcent) {
    return InputError(ctx, "Не задан номер рассчитанного объекта!!!");
  }
  if (!form.txtProcent.empty() && form.chkProcent) {
    state.NomProc = ItemNumber(form.txtProcent);
    if (state.NomProc > state.KolZd() || state.NomProc == 0) {
      return InputError(ctx, "Объект с таким номером не рассчитан!!!");
    }
  }
  // Checked before anything changes, so that a bad value prices nothing.
  if (const auto problem = CheckTickedCoefficients(ctx.frmKoeff)) return InputError(ctx, *problem);
  if (const auto problem = RateProblem(form.txtStd)) return InputError(ctx, *problem);
  if (const auto problem = QuantityProblem(form)) return InputError(ctx, *problem);

  std::optional<BasePrice> base;
  try {
    base = CurrentBase(ctx);
  } catch (const PricingError& error) {
    return InputError(ctx, error.what());
  }
  const double Cb = base ? base->Cb : 0;
  const double Cp = RaschKoeff(ctx.frmKoeff, Cb);
  // Nothing is shown before every figure is known to be a sound number.
  if (!WithinAmountBound(Cb) || !WithinAmountBound(Cp)) return InputError(ctx, CostProblem());
  const std::optional<double> dollars = DollarAmount(Cp, form.txtStd);
  if (!dollars) return InputError(ctx, DollarProblem(form.txtStd));

  form.txtStB = base ? base->Text : std::string();
  form.txtStBaz = ShownAmount(Cb);
  state.StBaz = Cb;
  SetTxtStP(ctx, ShownAmount(Cp));
  form.txtStPd = GeneralForm(*dollars);
  return true;
}

std::optional<std::string> QuantityProblem(const MainForm& form) {
  return TypedAmountProblem(form.lblZd[kLabelQuantity], form.txtKolic);
}

void ClickChkProcent(MainContext& ctx, bool ticked) {
  MainForm& form = ctx.frm1;
  form.chkProcent = ticked;
  if (ticked) {
    form.txtProcentVisible = true;
    SelectRow(ctx, -1, false);
    SelectTable(ctx, -1);
    // The selections above switch the item fields on again; the mode wants
    // the table, the row, the grid and the quantity out of use.
    EnableItemFields(form, false);
    form.cboTabEnabled = false;
    form.txtKolic.clear();
  } else {
    form.txtProcentVisible = false;
    form.txtProcent.clear();
    ctx.state.NomProc = 0;
    EnableItemFields(form, true);
    form.cboTabEnabled = true;
  }
}

void SetTxtStP(MainContext& ctx, const std::string& text) {
  MainForm& form = ctx.frm1;
  if (form.txtStP == text) return;
  form.txtStP = text;
  if (ctx.state.NomTab != kEntryWithoutCalculation) return;
  form.txtStBaz = form.txtStP;
  if (form.txtStP.empty()) return;
  const auto cost = ParseTypedNumber(form.txtStP);
  const auto dollars = cost ? DollarAmount(*cost, form.txtStd) : std::nullopt;
  form.txtStPd = dollars ? GeneralForm(*dollars) : std::string();
}

std::optional<double> DollarAmount(double cost, const std::string& txtStd) {
  const auto rate = ParseTypedNumber(txtStd);
  if (!rate || *rate == 0 || !WithinAmountBound(*rate)) return std::nullopt;
  const double dollars = std::floor(cost * 1000 / *rate);
  if (!WithinAmountBound(dollars)) return std::nullopt;
  return dollars;
}

void EmptyGrid(MainForm& form) {
  for (auto& cell : form.txtV) cell.clear();
  for (auto& cell : form.txtSt) cell.clear();
}

std::string ShownAmount(double value) { return GeneralForm(TruncateToThousandths(value)); }

std::string ShownTotal(double sum) {
  if (!std::isfinite(sum)) return GeneralForm(sum);
  return GeneralForm(WholePart(sum * 1000) / 1000);
}

std::string AboutText() {
  return std::string("Программу разработал Нилов К.Т.\r") + "Версия  " + kProgramVersion + "\r" +
         "Замечания и предложения направляйте поставщику программы.\r" +
         "Для добавления таблицы в базу пришлите текстовый\r" + "файл с нужной Вам таблицей.\r" +
         "О формате данных читай ReadMe.\r" + "Обновления программы можно получить у ее поставщика.";
}

void CmdAb(Messages& messages) { messages.Show(kAboutTitle, AboutText(), MessageIcon::None); }

}  // namespace verdin
