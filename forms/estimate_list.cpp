#include "forms/estimate_list.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/amount_bound.h"
#include "core/folders.h"
#include "core/index.h"
#include "core/item_input.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "forms/file_chooser_model.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"

namespace verdin {

namespace {

constexpr const char* kWriteErrorTitle = "Ошибка записи!!";
constexpr const char* kDeleteQuestionTitle = "Подтверждение удаления данных";
constexpr const char* kMoveErrorTitle = "Ошибка перемещения!!";
constexpr int kEntryWithoutCalculation = 1;
constexpr int kLastCategory = 4;  // "V"

EstimateItem& Item(MainContext& ctx, int i) { return ctx.state.estimate.items.at(At(i)); }

std::string SelectedText(const std::vector<std::string>& list, int index) {
  return index >= 0 && index < static_cast<int>(list.size()) ? list[At(index)] : std::string();
}

void MessageAndBeep(MainContext& ctx, const std::string& title, const std::string& text) {
  ctx.messages.Beep();
  ctx.messages.Show(title, text, MessageIcon::Exclamation);
}

void SelectListLine(MainForm& form, int line) { form.lstZdIndex = {line, line}; }

// The item the add writes to, counted from 0 (Count() for a new one); -1
// when the add is refused or cancelled. Nothing is appended yet. While an item is taken
// back, Yes writes over it, No appends a new item, and Cancel (Esc) writes
// nothing and keeps the item taken back.
int AddTarget(MainContext& ctx) {
  AppState& state = ctx.state;
  if (state.NomRed != -1) {
    const std::string text =
        "Вы редактировали, либо просматривали элемент " + Item(ctx, state.NomRed).name + ".\r" +
        "Если Вы отредактировали данный элемент и после расчета хотите \r" +
        "его записать на то же место, нажмите кнопку Да. Если Вы хотите создать\r" +
        " новый элемент  и поместить его в конец списка - нажмите кнопку  Нет.\r" +
        "Кнопка Отмена ничего не записывает.";
    switch (ctx.messages.AskYesNoCancel("Подтверждение записи данных", text, MessageIcon::Question)) {
      case Answer::Yes: return state.NomRed;
      case Answer::Cancel: return -1;
      case Answer::No: state.NomRed = -1; break;
    }
  }
  if (state.KolZd() >= kMaxItems) {
    ReportEstimateFull(ctx);
    return -1;
  }
  return state.KolZd();
}

// True when item `index` (from 0) is `target` or is priced, through shares,
// from `target`: writing a share of it back into `target` would price
// `target` from itself.
bool DependsOn(const Estimate& estimate, int index, int target) {
  for (int steps = 0; index >= 0 && index < estimate.Count() && steps <= estimate.Count(); ++steps) {
    if (index == target) return true;
    const EstimateItem& item = estimate.items[At(index)];
    if (item.mode != PricingMode::ShareOfItem) return false;
    index = item.shareSource;
  }
  return false;
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

// The items priced from item `source` (from 0) as the delete question
// names them: "№ 8 («Обмерные работы»), № 9 («…»)".
std::string SharesText(const Estimate& estimate, const std::vector<int>& shares) {
  std::string text;
  for (const int share : shares) {
    if (!text.empty()) text += ", ";
    text += ItemNumberText(share) + " («" + estimate.items[At(share)].name + "»)";
  }
  return text;
}

bool ConfirmDeletion(MainContext& ctx, int index) {
  const std::vector<int> shares = SharesOf(ctx.state.estimate, index);
  std::string question = "Данные по выделенному в списке объекту будут удалены";
  if (!shares.empty()) {
    question += ".\rОт суммы этого объекта рассчитаны объекты " + SharesText(ctx.state.estimate, shares) +
                ": после удаления их стоимость станет равной 0, пока Вы не рассчитаете их заново "
                "от суммы другого объекта.";
  }
  return ctx.messages.AskOkCancel(kDeleteQuestionTitle, question, MessageIcon::Question, DefaultButton::LeaveAsIs);
}

}  // namespace

void ReportEstimateFull(MainContext& ctx) {
  ctx.messages.Show(kWriteErrorTitle,
                    "В смете уже " + std::to_string(kMaxItems) +
                        " объектов - больше в список добавить нельзя.\rУдалите ненужные объекты "
                        "или сохраните смету и начните новую.",
                    MessageIcon::Exclamation);
}

std::string AutosaveFileName(const std::string& txtNdog, const std::string& txtDataDog) {
  return ProposedFileName(txtNdog, txtDataDog) + "_tmp.isx";
}

double EstimateTotal(const AppState& state) {
  double sum = 0;
  for (const EstimateItem& item : state.estimate.items) sum += item.cost;
  return sum;
}

void ShowEstimateList(MainContext& ctx) {
  MainForm& form = ctx.frm1;
  for (auto& list : form.lstZd) list.clear();
  for (const EstimateItem& item : ctx.state.estimate.items) {
    form.lstZd[0].push_back(item.name);
    // A typed cost shows as typed; a calculated one as the window shows it.
    form.lstZd[1].push_back(item.mode == PricingMode::TypedCost ? GeneralForm(item.cost) : ShownAmount(item.cost));
  }
  ctx.state.SumSm = EstimateTotal(ctx.state);
  form.txtSym = ShownTotal(ctx.state.SumSm);
}

void StoreItem(MainContext& ctx, int i, const ItemInput& input) {
  const MainForm& form = ctx.frm1;
  EstimateItem& item = Item(ctx, i);
  StoreInput(input, item);
  item.housing = ctx.frmKoeff.optGil == CoefficientForm::kHousing;
  item.tableTitle = SelectedText(form.cboTab, form.cboTabIndex);
  item.rowTitle = SelectedText(form.cboP, form.cboPIndex);
  item.unit = form.txtNp;
  item.name = form.txtZd;
  for (int j = 0; j < ctx.state.KolStrPol; ++j) {
    item.grid[At(j)] = {WithDecimalComma(form.GridX()[At(j)]), WithDecimalComma(form.GridPrice()[At(j)])};
  }
}

void ZapisZd(MainContext& ctx, int i, const ItemInput& input, const PricedItem& price) {
  EstimateItem& item = Item(ctx, i);
  item.quantityText = input.mode == PricingMode::ShareOfItem ? std::string() : input.quantityText;
  item.reference = ItemReference(item, ctx.state.norms);
  StorePrice(input, price, item);
  // The typed-cost column of the input-data file holds the cost of every
  // item added in the window, as it always has; only the entry without
  // calculation reads it back.
  item.typedCost = price.cost;
}

void ShowItem(MainContext& ctx, EstimateItem& item) {
  MainForm& form = ctx.frm1;
  FindTableByTitle(ctx.state.norms, item);
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
    form.txtProcent = GeneralForm(item.shareSource + 1);
    if (!form.chkProcent) ClickChkProcent(ctx, true);
  }
  if (entry == kEntryWithoutCalculation) SetTxtStP(ctx, GeneralForm(item.typedCost));
  if (entry >= 0 && entry < 2) {
    form.txtNp = item.unit;
    for (int j = 0; j < ctx.state.KolStrPol; ++j) {
      form.GridX()[At(j)] = item.grid[At(j)].x;
      form.GridPrice()[At(j)] = item.grid[At(j)].price;
    }
  }
  form.txtZd = item.name;
  ShowCoefficientWindow(ctx, item);
  // A share from a file written before keeps its indexation row as stored
  // until it is written back; the window prices it without.
  if (form.chkProcent) SetShareMode(ctx.frmKoeff, true);
}

void EstimateChanged(MainContext& ctx) {
  ctx.state.unsavedChanges = true;
  if (ctx.frm1.chkAsave) Autosave(ctx);
}

bool Autosave(MainContext& ctx) {
  const auto folder = ctx.state.folders.PathTemp;
  const auto file = FileInFolder(folder, AutosaveFileName(ctx.frmObD.txtNdog, ctx.frmObD.txtDataDog));
  ctx.state.FileIsx = file;
  try {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    // The autosave keeps what a save would keep: the general data as the
    // window holds them now.
    WriteIsx(ctx.state.estimate, GeneralDataOf(ctx.frmObD, ctx.state.general), file);
    return true;
  } catch (const std::exception& error) {
    ctx.messages.Show(kWriteErrorTitle,
                      std::string("Смета изменена, но автосохранение не выполнено.\r") + error.what(),
                      MessageIcon::Exclamation);
    return false;
  }
}

bool CmdDob(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  // Any figure in the cost box counts as a calculation, a cost below one
  // too; an empty box, a text or 0 is none.
  if (ParseTypedNumber(form.txtStP).value_or(0) == 0 && state.NomTab != kEntryWithoutCalculation) {
    ctx.messages.Show(kWriteErrorTitle, "Текущий пункт сметы не рассчитан. Добавлять нечего",
                      MessageIcon::Exclamation);
    return false;
  }
  // The item is priced again from the inputs it stores, so a quantity or
  // coefficient changed after the calculation is never stored beside the
  // figures of the old one.
  CurrentItem current;
  if (const auto problem = PriceCurrentItem(ctx, current)) {
    ctx.messages.Show(kWriteErrorTitle, *problem, MessageIcon::Exclamation);
    return false;
  }
  const int i = AddTarget(ctx);
  if (i < 0) return false;
  if (current.input.mode == PricingMode::ShareOfItem && DependsOn(state.estimate, current.input.shareSource, i)) {
    ctx.messages.Show(kWriteErrorTitle,
                      "Объект " + ItemNumberText(i) + " не может рассчитываться от суммы объекта " +
                          ItemNumberText(current.input.shareSource) +
                          ", который сам рассчитан от суммы этого объекта. Выберите другой объект.",
                      MessageIcon::Exclamation);
    return false;
  }
  if (i == state.KolZd()) state.estimate.items.emplace_back();
  StoreItem(ctx, i, current.input);
  ZapisZd(ctx, i, current.input, current.price);
  // Shares of a written-back item follow its new cost.
  RepriceShares(state.norms, state.estimate);
  ShowPrice(ctx, current.price, current.dollars);
  ShowEstimateList(ctx);
  SelectListLine(form, i);  // the item just stored is the one selected
  state.NomRed = -1;
  OpenPayOut(ctx.frmW, form);
  EstimateChanged(ctx);
  return true;
}

void CmdDel(MainContext& ctx) {
  MainForm& form = ctx.frm1;
  const int s = form.lstZdIndex[0];
  if (s < 0 || s >= ctx.state.KolZd()) {
    MessageAndBeep(ctx, "Ошибка удаления данных!!", "Не выбран объект  для удаления!!!");
    return;
  }
  if (!ConfirmDeletion(ctx, s)) return;
  RemoveItem(ctx.state.estimate, s);
  FollowDeletion(ctx.state, s);
  RepriceShares(ctx.state.norms, ctx.state.estimate);
  ShowEstimateList(ctx);
  SelectListLine(form, -1);
  OpenPayOut(ctx.frmW, form);
  EstimateChanged(ctx);
}

void CmdDelZd(MainContext& ctx) {
  if (!ctx.messages.AskOkCancel(kDeleteQuestionTitle, "Все введенные данные будут удалены!!! Вы уверены?",
                                MessageIcon::Question, DefaultButton::LeaveAsIs)) {
    return;
  }
  MainForm& form = ctx.frm1;
  ctx.state.estimate.items.clear();
  ShowEstimateList(ctx);
  form.txtSym.clear();
  SelectListLine(form, -1);
  ctx.state.NomRed = -1;  // the item under edit is gone
  OpenPayOut(ctx.frmW, form);
  EstimateChanged(ctx);
}

void CmdRed(MainContext& ctx) {
  const int line = ctx.frm1.lstZdIndex[0];
  if (line < 0 || line >= ctx.state.KolZd()) {
    MessageAndBeep(ctx, "Ошибка редактирования!!", "Не выбран объект  для редактирования!!!");
    ctx.state.NomRed = -1;
    return;
  }
  ctx.state.NomRed = line;
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

bool ItemSelected(const MainForm& form) {
  return form.lstZdIndex[0] >= 0 && form.lstZdIndex[0] < static_cast<int>(form.lstZd[0].size());
}

void CmdVerx(MainContext& ctx, int direction) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  const int line = form.lstZdIndex[0];
  if (line < 0 || line >= state.KolZd()) {
    MessageAndBeep(ctx, kMoveErrorTitle, "Не выбран объект  для перемещения!!!");
    return;
  }
  if (line == state.KolZd() - 1 && direction == 1) {
    ctx.messages.Show(kMoveErrorTitle, "Последний элемент в списке!!!", MessageIcon::Exclamation);
    return;
  }
  if (line == 0 && direction == 0) {
    ctx.messages.Show(kMoveErrorTitle, "Первый элемент в списке!!!", MessageIcon::Exclamation);
    return;
  }
  const int other = direction == 1 ? line + 1 : line - 1;  // the neighbour below or above
  // The shares keep their sources: the positions they hold move with them.
  SwapItems(state.estimate, line, other);
  ShowEstimateList(ctx);
  FollowSwap(state, line, other);
  SelectListLine(form, other);
  EstimateChanged(ctx);
}

}  // namespace verdin
