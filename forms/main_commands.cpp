#include "forms/main_commands.h"

#include <cmath>

#include "core/amount_bound.h"
#include "core/folders.h"
#include "core/item_input.h"
#include "core/norm_loader.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

constexpr const char* kCaption = "Расчет стоимости проектных работ по СБЦ (Беларусь).";
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

void ClearCalculation(MainContext& ctx);

// A refused calculation leaves no figures on screen that belong to other
// inputs. The entry without calculation keeps its typed cost: there the
// cost box is an input, not a result.
bool RefusedCalculation(MainContext& ctx, const std::string& text) {
  if (ctx.state.NomTab != kEntryWithoutCalculation) ClearCalculation(ctx);
  return InputError(ctx, text);
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

// Every table selection runs the coefficient window's option handling,
// also when the option stays the same, so that the indexation row always
// holds the coefficient of the option: a value edited by hand or left by
// an item taken back does not carry over to the next table.
void SelectOptGilByProgram(CoefficientForm& koeff, int option) { ClickOptGil(koeff, option); }

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
constexpr const char* kCostField = "Цена с учетом коэффициентов";

// Why the dollar rate cannot be used, or nullopt when it can.
std::optional<std::string> RateProblem(const std::string& txtStd) {
  if (auto problem = TypedAmountProblem(kRateField, txtStd)) return problem;
  if (ParseTypedNumber(txtStd).value_or(0) != 0) return std::nullopt;
  return "Курс доллара «" + txtStd + "» в поле «" + kRateField + "» должен быть числом, отличным от нуля.";
}

std::string DollarProblem(const std::string& txtStd) {
  return "Стоимость в долларах при курсе «" + Trim(txtStd) + "» получилась больше " + AmountBoundText() +
         ": объект не рассчитан. Проверьте курс в поле «" + kRateField + "».";
}

// The quantity as the item keeps it: read and checked where the mode
// prices from it; elsewhere a box that holds no sound amount stores 0.
void ReadQuantity(const MainForm& form, ItemInput& input) {
  const bool priced = input.mode != PricingMode::TypedCost && input.mode != PricingMode::ShareOfItem;
  input.quantityText = WithDecimalComma(form.txtKolic);
  if (priced) {
    input.quantity = ReadTypedAmount(form.lblZd[kLabelQuantity], form.txtKolic);
    return;
  }
  const double value = ParseTypedNumber(form.txtKolic).value_or(0);
  input.quantity = WithinAmountBound(value) && value >= 0 ? value : 0;
}

// The calculation text and the figures of the previous calculation: a new
// table or row prices something else, so they no longer belong on screen.
void ClearCalculation(MainContext& ctx) {
  MainForm& form = ctx.frm1;
  form.txtStB.clear();
  form.txtStBaz.clear();
  SetTxtStP(ctx, "");
  form.txtStPd.clear();
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
    for (const auto& row : state.norms.Table(state.NomTab).rows) form.cboP.push_back(row.title);
    if (form.cboP.empty()) {
      EmptyGrid(form);  // a table without rows: nothing to show or price
    } else {
      SelectRow(ctx, 0, true);
    }
  } else {
    EmptyGrid(form);
  }
  ShowPercentageEntryLabels(form, state.NomTab == kPercentageEntry);
  form.lblPrim = ShownNote(state.norms.Note(state.NomTab));
}

void SelectRow(MainContext& ctx, int index, bool byProgram) {
  MainForm& form = ctx.frm1;
  if (index < -1 || index >= static_cast<int>(form.cboP.size())) index = -1;
  if (byProgram && index == form.cboPIndex) return;
  form.cboPIndex = index;
  ClearCalculation(ctx);
  const NormRow* row = index < 0 ? nullptr : NormRowAt(ctx.state.norms, ctx.state.NomTab, index);
  form.txtNp = (row != nullptr && !row->points.empty()) ? std::string(row->points.front().unit) : std::string();
  form.cboPToolTip = row != nullptr ? row->title : std::string();
  form.cboTabToolTip = form.cboTabIndex >= 0 ? form.cboTab[static_cast<std::size_t>(form.cboTabIndex)] : "";
  EmptyGrid(form);
  if (row == nullptr) return;
  for (std::size_t p = 0; p < row->points.size() && p < form.GridX().size(); ++p) {
    form.GridX()[p] = GeneralForm(row->points[p].x);
    form.GridPrice()[p] = GeneralForm(row->points[p].price);
  }
}

void ClickOptPrim(MainContext& ctx, int option) { ctx.frm1.optPrim = option == 1 ? 1 : 0; }

ItemInput ReadItemInput(const MainContext& ctx) {
  const AppState& state = ctx.state;
  const MainForm& form = ctx.frm1;
  ItemInput input;
  input.coefficientRows = CoefficientRowsOf(ctx.frmKoeff);
  if (form.chkProcent) {
    // The «№» box as it stands now, not as it stood at the last calculation.
    const int source = ItemNumber(form.txtProcent);
    if (Trim(form.txtProcent).empty()) throw PricingError("Не задан номер рассчитанного объекта!!!");
    if (source == 0 || source > state.KolZd()) throw PricingError("Объект с таким номером не рассчитан!!!");
    input.mode = PricingMode::ShareOfItem;
    input.shareSource = source - 1;
  } else {
    if (state.NomTab < 0) throw PricingError("Не выбрана таблица СБЦ.");
    input.mode = ModeOfTableListEntry(state.NomTab);
    input.tableEntry = state.NomTab;
  }
  input.row = form.cboPIndex;
  input.category = std::max(form.cboSMRIndex, 0);
  ReadQuantity(form, input);
  if (input.mode == PricingMode::TypedCost) input.typedCost = ReadTypedAmount(kCostField, form.txtStP);
  if (input.mode == PricingMode::UserTable) input.userTable = PackUserTable(form.GridX(), form.GridPrice(), state.KolStrPol);
  return input;
}

void ShowPrice(MainContext& ctx, const PricedItem& price, std::optional<double> dollars) {
  MainForm& form = ctx.frm1;
  form.txtStB = price.calculation;
  form.txtStBaz = ShownAmount(price.basePrice);
  SetTxtStP(ctx, GeneralForm(price.cost));
  form.txtStPd = dollars ? GeneralForm(*dollars) : std::string();
}

std::optional<BasePrice> CalculateBasePrice(MainContext& ctx) {
  const PricedItem price = PriceItem(ctx.state.norms, ReadItemInput(ctx), ctx.state.estimate);
  if (price.calculation.empty()) return std::nullopt;
  return BasePrice{price.basePrice, price.calculation};
}

std::optional<std::string> PriceCurrentItem(MainContext& ctx, CurrentItem& current) {
  try {
    current.input = ReadItemInput(ctx);
    current.price = PriceItem(ctx.state.norms, current.input, ctx.state.estimate);
  } catch (const PricingError& error) {
    return error.what();
  }
  current.dollars = DollarAmount(current.price.cost, ctx.frm1.txtStd);
  return std::nullopt;
}

bool CmdOk(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  if (Trim(form.txtKolic).empty() && !form.chkProcent) {
    return RefusedCalculation(ctx, "Не задан объем натурального показателя - графа Количество!!!");
  }
  if (form.txtProcent.empty() && form.chkProcent) {
    return RefusedCalculation(ctx, "Не задан номер рассчитанного объекта!!!");
  }
  if (!form.txtProcent.empty() && form.chkProcent) {
    state.NomProc = ItemNumber(form.txtProcent);
    if (state.NomProc > state.KolZd() || state.NomProc == 0) {
      return RefusedCalculation(ctx, "Объект с таким номером не рассчитан!!!");
    }
  }
  if (const auto problem = RateProblem(form.txtStd)) return RefusedCalculation(ctx, *problem);
  CurrentItem current;
  // Nothing is shown before every figure is known to be a sound number.
  if (const auto problem = PriceCurrentItem(ctx, current)) return RefusedCalculation(ctx, *problem);
  if (!current.dollars) return RefusedCalculation(ctx, DollarProblem(form.txtStd));
  ShowPrice(ctx, current.price, current.dollars);
  return true;
}

void FollowCoefficients(MainContext& ctx) {
  const bool typedCost = ctx.state.NomTab == kEntryWithoutCalculation && !ctx.frm1.chkProcent;
  if (typedCost || ctx.frm1.txtStP.empty()) return;
  CurrentItem current;
  if (PriceCurrentItem(ctx, current) || !current.dollars) {
    ClearCalculation(ctx);
    return;
  }
  ShowPrice(ctx, current.price, current.dollars);
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
    // The share mode left no table chosen; the lists show the first norm
    // table again, as at the start, rather than an empty row list.
    if (form.cboTabIndex < 0) SelectTable(ctx, ctx.state.KolSpec + 1);
    EnableItemFields(form, true);
    form.cboTabEnabled = true;
  }
  SetShareMode(ctx.frmKoeff, ticked);
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
