#include "forms/estimate_list.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/amount_bound.h"
#include "core/folders.h"
#include "core/index.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"

namespace verdin {

namespace {

constexpr const char* kWriteErrorTitle = "Ошибка записи!!";
constexpr const char* kDeleteQuestionTitle = "Подтверждение удаления данных";
constexpr const char* kMoveErrorTitle = "Ошибка перемещения!!";
constexpr int kEntryWithoutCalculation = 1;
constexpr int kLastCategory = 4;  // "V"

EstimateItem& Item(MainContext& ctx, int i) { return ctx.state.estimate.Item(i); }

// A typed value as the item stores it: a text that is no number, or a
// number beyond the amount bound, counts as 0 so that the record and the
// files written from it hold only numbers that read back. The add command
// refuses such numbers in its fields before it stores anything.
double NumberOrZero(const std::string& text) {
  const double value = ParseTypedNumber(text).value_or(0);
  return WithinAmountBound(value) ? value : 0;
}

std::string SelectedText(const std::vector<std::string>& list, int index) {
  return index >= 0 && index < static_cast<int>(list.size()) ? list[At(index)] : std::string();
}

// The part of a list entry before its number's closing point: the text up
// to the character before the first blank, trimmed ("2.1. Жилые здания"
// gives "2.1"). A text without a blank gives nothing.
std::string NumberPart(const std::string& text) {
  const std::size_t blank = text.find(' ');
  if (blank == std::string::npos || blank == 0) return {};
  return Trim(WithoutLastCharacters(std::string_view(text).substr(0, blank), 1));
}

void MessageAndBeep(MainContext& ctx, const std::string& title, const std::string& text) {
  ctx.messages.Beep();
  ctx.messages.Show(title, text, MessageIcon::Exclamation);
}

// Why the current item cannot be added because a number of it lies beyond
// the amount bound (or its base price is not a finite number); nullopt when
// every number is sound.
std::optional<std::string> AddProblem(const MainContext& ctx) {
  const MainForm& form = ctx.frm1;
  if (auto problem = QuantityProblem(form)) return problem;
  if (auto problem = TypedAmountProblem("Цена с учетом коэффициентов", form.txtStP)) return problem;
  if (auto problem = TypedAmountProblem("Базовая цена", form.txtStBaz)) return problem;
  if (!WithinAmountBound(ctx.state.StBaz)) {
    return "Базовая цена объекта больше " + AmountBoundText() +
           " по абсолютной величине или не является числом. Рассчитайте объект заново.";
  }
  return std::nullopt;
}

void SelectListLine(MainForm& form, int line) { form.lstZdIndex = {line, line}; }

void SwapListLines(MainForm& form, int a, int b) {
  for (auto& list : form.lstZd) std::swap(list[At(a)], list[At(b)]);
}

void Autosave(MainContext& ctx) {
  const auto folder = ctx.state.folders.PathTemp;
  const auto file = FileInFolder(folder, AutosaveFileName(ctx.frmObD.txtNdog, ctx.frmObD.txtDataDog));
  ctx.state.FileIsx = file;
  try {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    // The autosave keeps what a save would keep: the general data as the
    // window holds them now.
    WriteIsx(ctx.state.estimate, GeneralDataOf(ctx.frmObD, ctx.state.general), file);
  } catch (const std::exception& error) {
    ctx.messages.Show(kWriteErrorTitle,
                      std::string("Объект добавлен в список, но автосохранение не выполнено.\r") + error.what(),
                      MessageIcon::Exclamation);
  }
}

// The item number the add writes to; 0 when the add is refused.
int AddTarget(MainContext& ctx) {
  AppState& state = ctx.state;
  if (state.NomRed != -1) {
    const std::string text =
        "Вы редактировали, либо просматривали элемент " + Item(ctx, state.NomRed).name + ".\r" +
        "Если Вы отредактировали данный элемент и после расчета хотите \r" +
        "его записать на то же место, нажмите кнопку Ок. Если Вы хотите создать\r" +
        " новый элемент  и поместить его в конец списка - нажмите кнопку  Отмена";
    if (ctx.messages.AskOkCancel("Подтверждение записи данных", text, MessageIcon::Question)) {
      return state.NomRed;
    }
    state.NomRed = -1;
  }
  if (state.KolZd() >= kMaxItems) {
    ctx.messages.Show(kWriteErrorTitle,
                      "В смете уже " + std::to_string(kMaxItems) +
                          " объектов - больше в список добавить нельзя.\rУдалите ненужные объекты "
                          "или сохраните смету и начните новую.",
                      MessageIcon::Exclamation);
    return 0;
  }
  state.estimate.items.emplace_back();
  return state.KolZd();
}

void StoreCoefficientWindow(const CoefficientForm& koeff, EstimateItem& item) {
  for (std::size_t m = 0; m < kCoefficientRows; ++m) {
    CoefficientRow& row = item.coefficientRows[m];
    row.ticked = koeff.chkKoeff[m];
    row.industryIndex = koeff.cboKotrIndex;
    row.value = NumberOrZero(koeff.txtKoeffK[m]);
    row.name = koeff.txtKoeffIm[m];
    row.symbol = koeff.txtKoeffI[m];
    row.basis = koeff.txtKoeffP[m];
  }
}

// A row the user left empty stores its empty value box as 0; it shows
// empty again rather than as a "0" nobody typed.
std::string ShownCoefficientValue(const CoefficientRow& row) {
  const bool emptyRow = !row.ticked && Trim(row.name).empty() && Trim(row.symbol).empty() && Trim(row.basis).empty();
  return emptyRow && row.value == 0 ? std::string() : GeneralForm(row.value);
}

void ShowCoefficientWindow(MainContext& ctx, const EstimateItem& item) {
  CoefficientForm& koeff = ctx.frmKoeff;
  for (std::size_t m = 0; m < kCoefficientRows; ++m) {
    const CoefficientRow& row = item.coefficientRows[m];
    koeff.chkKoeff[m] = row.ticked;
    SelectKotr(koeff, ctx.state.norms, row.industryIndex, true);
    koeff.txtKoeffK[m] = ShownCoefficientValue(row);
    koeff.txtKoeffIm[m] = row.name;
    koeff.txtKoeffI[m] = row.symbol;
    koeff.txtKoeffP[m] = row.basis;
  }
}

// The table an item was priced from, found again by its title among the
// first 50 tables, so that a database whose tables changed order still
// prices the item from the right one.
void FindTableByTitle(const AppState& state, EstimateItem& item) {
  if (item.mode == PricingMode::ShareOfItem) return;
  const int last = std::min(state.norms.TableCount(), 50);
  for (int t = 1; t <= last; ++t) {
    if (state.norms.Table(t).title == item.tableTitle) {
      item.SetTableListEntry(t - 1);
      return;
    }
  }
}

// Keeps a pending write-back on the same item when items shift or swap,
// and ends it when its item is deleted.
void FollowDeletion(AppState& state, int deleted) {
  if (state.NomRed == deleted) state.NomRed = -1;
  else if (state.NomRed > deleted) --state.NomRed;
}

void FollowSwap(AppState& state, int a, int b) {
  if (state.NomRed == a) state.NomRed = b;
  else if (state.NomRed == b) state.NomRed = a;
}

void DeleteItem(MainContext& ctx, int k) {
  AppState& state = ctx.state;
  for (auto& list : ctx.frm1.lstZd) list.erase(list.begin() + (k - 1));
  // Items k+1.. move one place towards the front.
  auto& items = state.estimate.items;
  items.erase(items.begin() + (k - 1));
  FollowDeletion(state, k);
}

}  // namespace

std::string AutosaveFileName(const std::string& txtNdog, const std::string& txtDataDog) {
  std::string name = "Смета к дог " + txtNdog + " от " + txtDataDog;
  std::replace(name.begin(), name.end(), '\\', '_');
  std::replace(name.begin(), name.end(), '/', '_');
  std::replace(name.begin(), name.end(), '.', '-');
  return name + "_tmp.isx";
}

double EstimateTotal(const AppState& state) {
  double sum = 0;
  for (const EstimateItem& item : state.estimate.items) sum += item.cost;
  return sum;
}

void StoreItem(MainContext& ctx, int i) {
  const MainForm& form = ctx.frm1;
  EstimateItem& item = Item(ctx, i);
  item.SetTableListEntry(ctx.state.NomTab);
  item.row = form.cboPIndex;
  item.quantity = NumberOrZero(form.txtKolic);
  item.housing = ctx.frmKoeff.optGil == CoefficientForm::kHousing;
  item.shareOf = ToWholeNumber(std::round(NumberOrZero(form.txtProcent)));
  item.typedCost = NumberOrZero(form.txtStP);
  item.category = std::max(form.cboSMRIndex, 0);
  item.tableTitle = SelectedText(form.cboTab, form.cboTabIndex);
  item.rowTitle = SelectedText(form.cboP, form.cboPIndex);
  item.unit = form.txtNp;
  item.name = form.txtZd;
  for (int j = 1; j <= ctx.state.KolStrPol; ++j) {
    item.grid[At(j - 1)] = {form.txtV[At(j)], form.txtSt[At(j)]};
  }
  StoreCoefficientWindow(ctx.frmKoeff, item);
}

std::string ItemReference(const MainContext& ctx) {
  const MainForm& form = ctx.frm1;
  const std::string table = SelectedText(form.cboTab, form.cboTabIndex);
  const std::string row = SelectedText(form.cboP, form.cboPIndex);
  std::string reference;
  if (ctx.state.NomTab == kEntryWithoutCalculation) {
    reference = table + " " + row;
  } else if (ctx.state.NomTab != -1) {
    reference = "Табл. " + NumberPart(table) + ", п. " + NumberPart(row);
  }
  if (ctx.state.NomProc > 0) reference.clear();
  return reference;
}

void ZapisZd(MainContext& ctx, int i) {
  const MainForm& form = ctx.frm1;
  EstimateItem& item = Item(ctx, i);
  item.SetTableListEntry(ctx.state.NomTab);
  item.name = form.txtZd;
  item.unit = form.txtNp;
  item.quantityText = form.txtKolic;
  item.reference = ItemReference(ctx);
  item.calculation = form.txtStB;
  RecordAppliedCoefficients(ctx.frmKoeff, item);
  if (!form.txtStBaz.empty()) item.basePrice = NumberOrZero(form.txtStBaz);
  item.cost = NumberOrZero(form.txtStP);
}

void ShowItem(MainContext& ctx, EstimateItem& item) {
  MainForm& form = ctx.frm1;
  FindTableByTitle(ctx.state, item);
  const int entry = item.TableListEntry();
  form.cboSMRIndex = std::clamp(item.category, 0, kLastCategory);
  SelectTable(ctx, entry);
  SelectRow(ctx, item.row, true);
  form.txtKolic = GeneralForm(item.quantity);
  const int option = item.housing ? CoefficientForm::kHousing : CoefficientForm::kOther;
  if (ctx.frmKoeff.optGil != option) ClickOptGil(ctx.frmKoeff, option);
  if (entry != -1) {
    form.cboTabEnabled = true;
    if (form.chkProcent) ClickChkProcent(ctx, false);
  } else {
    form.txtProcent = GeneralForm(item.shareOf);
    if (!form.chkProcent) ClickChkProcent(ctx, true);
  }
  if (entry == kEntryWithoutCalculation) SetTxtStP(ctx, GeneralForm(item.typedCost));
  if (entry >= 0 && entry < 2) {
    form.txtNp = item.unit;
    for (int j = 1; j <= ctx.state.KolStrPol; ++j) {
      form.txtV[At(j)] = item.grid[At(j - 1)].x;
      form.txtSt[At(j)] = item.grid[At(j - 1)].price;
    }
  }
  form.txtZd = item.name;
  ShowCoefficientWindow(ctx, item);
}

bool CmdDob(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  if (LeadingNumber(form.txtStP) == 0 && state.NomTab != kEntryWithoutCalculation) {
    ctx.messages.Show(kWriteErrorTitle, "Текущий пункт сметы не рассчитан. Добавлять нечего",
                      MessageIcon::Exclamation);
    return false;
  }
  if (const auto problem = CheckTickedCoefficients(ctx.frmKoeff)) {
    ctx.messages.Show(kWriteErrorTitle, *problem, MessageIcon::Exclamation);
    return false;
  }
  if (const auto problem = AddProblem(ctx)) {
    ctx.messages.Show(kWriteErrorTitle, *problem, MessageIcon::Exclamation);
    return false;
  }
  const bool appending = state.NomRed == -1;
  const int i = AddTarget(ctx);
  if (i == 0) return false;
  const bool writingBack = !appending && state.NomRed == i;
  StoreItem(ctx, i);
  ZapisZd(ctx, i);
  if (writingBack) {
    form.lstZd[0][At(i - 1)] = Item(ctx, i).name;
    form.lstZd[1][At(i - 1)] = form.txtStP;
  } else {
    form.lstZd[0].push_back(Item(ctx, i).name);
    form.lstZd[1].push_back(form.txtStP);
  }
  state.SumSm = EstimateTotal(state);
  form.txtSym = ShownTotal(state.SumSm);
  state.NomRed = -1;
  EstimateItem& item = Item(ctx, i);
  item.baseAmount = item.mode != PricingMode::TypedCost ? state.StBaz : NumberOrZero(form.txtStP);
  OpenPayOut(ctx.frmW, form);
  if (form.chkAsave) Autosave(ctx);
  return true;
}

void CmdDel(MainContext& ctx) {
  MainForm& form = ctx.frm1;
  const int s = form.lstZdIndex[0];
  if (s < 0 || s >= ctx.state.KolZd()) {
    MessageAndBeep(ctx, "Ошибка удаления данных!!", "Не выбран объект  для удаления!!!");
    return;
  }
  if (!ctx.messages.AskOkCancel(kDeleteQuestionTitle, "Данные по выделенному в списке объекту будут удалены",
                                MessageIcon::Question)) {
    return;
  }
  DeleteItem(ctx, s + 1);
  SelectListLine(form, -1);
  // The total drops by the deleted cost. It is summed afresh from the
  // remaining items rather than subtracted from the shown text, which
  // would leave binary noise in the last digits (249,870000000003).
  form.txtSym = ShownTotal(EstimateTotal(ctx.state));
  OpenPayOut(ctx.frmW, form);
}

void CmdDelZd(MainContext& ctx) {
  if (!ctx.messages.AskOkCancel(kDeleteQuestionTitle, "Все введенные данные будут удалены!!! Вы уверены?",
                                MessageIcon::Question)) {
    return;
  }
  MainForm& form = ctx.frm1;
  for (auto& list : form.lstZd) list.clear();
  SelectListLine(form, -1);
  form.txtSym.clear();
  ctx.state.estimate.items.clear();
  ctx.state.NomRed = -1;  // the item under edit is gone
  OpenPayOut(ctx.frmW, form);
}

void CmdRed(MainContext& ctx) {
  const int line = ctx.frm1.lstZdIndex[0];
  if (line < 0 || line >= ctx.state.KolZd()) {
    MessageAndBeep(ctx, "Ошибка редактирования!!", "Не выбран объект  для редактирования!!!");
    ctx.state.NomRed = -1;
    return;
  }
  ctx.state.NomRed = line + 1;
  ctx.frm1.txtStB.clear();
  ShowItem(ctx, Item(ctx, ctx.state.NomRed));
}

void ClickLstZd(MainContext& ctx, int list, int line) {
  MainForm& form = ctx.frm1;
  const int lines = static_cast<int>(form.lstZd[0].size());
  if (line < -1 || line >= lines) line = -1;
  if (list == 0) form.lstZdIndex[0] = line;
  SelectListLine(form, form.lstZdIndex[0]);
}

void CmdVerx(MainContext& ctx, int direction) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  const int line = form.lstZdIndex[0];
  if (line < 0 || line >= state.KolZd()) {
    MessageAndBeep(ctx, kMoveErrorTitle, "Не выбран объект  для перемещения!!!");
    return;
  }
  const int k = line + 1;
  if (k == state.KolZd() && direction == 1) {
    ctx.messages.Show(kMoveErrorTitle, "Последний элемент в списке!!!", MessageIcon::Exclamation);
    return;
  }
  if (k == 1 && direction == 0) {
    ctx.messages.Show(kMoveErrorTitle, "Первый элемент в списке!!!", MessageIcon::Exclamation);
    return;
  }
  const int t = direction == 1 ? k + 1 : k - 1;
  std::swap(Item(ctx, k), Item(ctx, t));
  SwapListLines(form, k - 1, t - 1);
  FollowSwap(state, k, t);
  SelectListLine(form, t - 1);
}

}  // namespace verdin
