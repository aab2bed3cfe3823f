#include "forms/open_estimate.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/amount_bound.h"
#include "core/index.h"
#include "core/item_input.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"
#include "forms/estimate_list.h"
#include "forms/unsaved_work.h"

namespace verdin {

namespace {

// What went wrong while an item was priced again.
struct OpenProblem {
  int item;  // counted from 0
  std::string text;
};

// The texts the window would give item `item` when it shows it again: the
// unit of its norm row (the database may have changed it), the quantity as
// the quantity box shows it, and the reference.
void RefreshTexts(const NormStore& store, EstimateItem& item, bool tableFound) {
  if (item.mode == PricingMode::ShareOfItem) {
    item.unit.clear();
    item.quantityText.clear();
  } else {
    item.quantityText = GeneralForm(item.quantity);
  }
  if (item.mode == PricingMode::ConstructionCost) item.unit = kSmrUnit;
  if (item.mode == PricingMode::NormTable && tableFound) {
    const NormRow* row = NormRowAt(store, item.table, item.row);
    item.unit = row != nullptr && !row->points.empty() ? std::string(row->points.front().unit) : std::string();
  }
  item.reference = ItemReference(item, store);
}

// A norm-table item whose stored title is not in the database is priced
// by the table at its stored entry, when there is one: it then takes that
// table's and row's titles, so that its reference names the table that
// priced it, and the note says so. Returns whether the table can be used.
bool TakeTableAtStoredEntry(const NormStore& store, int k, EstimateItem& item, std::vector<OpenProblem>& notes) {
  if (item.mode != PricingMode::NormTable || item.table < 0 || item.table >= store.TableCount()) return false;
  const NormTable& table = store.Table(item.table);
  notes.push_back({k, "таблица «" + item.tableTitle + "» не найдена, объект рассчитан по таблице «" + table.title + "»"});
  item.tableTitle = table.title;
  const NormRow* row = NormRowAt(store, item.table, item.row);
  item.rowTitle = row != nullptr ? row->title : std::string();
  return true;
}

// Every item priced again from its stored inputs: the items with their own
// base price first, then the shares from their sources wherever these
// stand in the list. An item that cannot be priced keeps its inputs (its
// table number and title too) and is priced at 0.
std::vector<OpenProblem> PriceOpenedItems(const NormStore& store, Estimate& estimate, std::vector<OpenProblem>& notes) {
  std::vector<OpenProblem> problems;
  for (int k = 0; k < estimate.Count(); ++k) {
    EstimateItem& item = estimate.items[At(k)];
    const bool tableFound = FindTableByTitle(store, item) || TakeTableAtStoredEntry(store, k, item, notes);
    RefreshTexts(store, item, tableFound);
    if (item.mode == PricingMode::ShareOfItem) continue;
    try {
      const ItemInput input = StoredInput(item);
      StorePrice(input, PriceItem(store, input, estimate), item);
    } catch (const PricingError& error) {
      PriceAtZero(item);
      problems.push_back({k, error.what()});
      // Not priced by the other table either: the problem says all.
      if (!notes.empty() && notes.back().item == k) notes.pop_back();
    }
  }
  for (const ShareProblem& share : RepriceShares(store, estimate)) problems.push_back({share.item, share.text});
  std::sort(problems.begin(), problems.end(), [](const auto& a, const auto& b) { return a.item < b.item; });
  return problems;
}

// One message under `heading`, a line for each item: "объект № 3 («…»): …".
void ReportItems(MainContext& ctx, const Estimate& estimate, const std::vector<OpenProblem>& items,
                 const std::string& heading) {
  if (items.empty()) return;
  std::string text = heading;
  for (const auto& problem : items) {
    text += "\rобъект " + ItemNumberText(problem.item) + " («" + estimate.items[At(problem.item)].name +
            "»): " + problem.text;
  }
  ctx.messages.Show("Ошибка в исходных данных!!", text, MessageIcon::Exclamation);
}

// The opened estimate's total must itself be a sound amount, or every
// figure built from it would be wrong.
bool TotalWithinBound(MainContext& ctx, const Estimate& estimate, const std::filesystem::path& file) {
  double total = 0;
  for (const EstimateItem& item : estimate.items) total += item.cost;
  if (WithinAmountBound(total)) return true;
  ctx.messages.Show("Ошибка чтения файла",
                    "Смета из файла «" + PathText(file) + "» не открыта: сумма её объектов (" + GeneralForm(total) +
                        ") больше " + AmountBoundText() + ". Проверьте количества и коэффициенты объектов.",
                    MessageIcon::Exclamation);
  return false;
}

// The windows are left showing the last item with its figures, as after
// taking it back, but with no write-back pending.
void ShowLastItem(MainContext& ctx) {
  AppState& state = ctx.state;
  if (state.estimate.items.empty()) return;
  EstimateItem& item = state.estimate.items.back();
  ShowItem(ctx, item);
  state.NomProc = item.mode == PricingMode::ShareOfItem ? item.shareSource + 1 : 0;
  PricedItem price;
  price.calculation = item.calculation;
  price.basePrice = item.baseAmount;
  price.cost = item.cost;
  ShowPrice(ctx, price, DollarAmount(item.cost, ctx.frm1.txtStd));
}

// What an open starts from: a file the user saved, or the autosave copy
// of work that was never saved.
enum class OpenedFrom { SavedFile, UnsavedCopy };

bool OpenFrom(MainContext& ctx, const std::filesystem::path& file, OpenedFrom from) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  IsxContent content;
  try {
    content = ReadIsx(file);
  } catch (const IsxError& error) {
    ctx.messages.Show("Ошибка чтения файла", error.what(), MessageIcon::Exclamation);
    return false;
  }
  Estimate opened;
  opened.items = std::move(content.items);
  std::vector<OpenProblem> tableNotes;
  const std::vector<OpenProblem> problems = PriceOpenedItems(state.norms, opened, tableNotes);
  if (!TotalWithinBound(ctx, opened, file)) return false;
  opened.summary = std::move(content.summary);
  state.FileIsx = file;
  state.estimateFile = file;
  state.estimate = std::move(opened);
  const bool keptGeneralData = !HoldsChargesOrSignatories(content.general);
  if (!keptGeneralData) {
    ShowGeneralData(content.general, ctx.frmObD);
    state.general = GeneralDataOf(ctx.frmObD, content.general);
  }
  state.NomRed = -1;
  form.lstZdIndex = {-1, -1};
  ShowLastItem(ctx);
  ShowEstimateList(ctx);
  if (state.estimate.items.empty()) form.txtSym.clear();
  // The pay-out window shows the opened estimate, not the one before.
  OpenPayOut(ctx.frmW, form);
  // The copy written now holds a saved estimate: it counts as settled, so
  // a program killed before any change offers nothing back. A restored
  // copy stays unsettled until its work is saved or discarded.
  state.unsavedChanges = from == OpenedFrom::UnsavedCopy;
  if (form.chkAsave && Autosave(ctx) && from == OpenedFrom::SavedFile) SettleAutosave(state, state.FileIsx);
  ReportItems(ctx, state.estimate, tableNotes, "Не все таблицы объектов найдены в базе нормативов:");
  ReportItems(ctx, state.estimate, problems, "Не все объекты удалось рассчитать заново; их стоимость принята равной 0:");
  if (keptGeneralData) {
    ctx.messages.Show("Открытие сметы",
                      "В файле «" + PathText(file) + "» нет общих данных по смете (отчислений и подписей).\r"
                      "Оставлены общие данные, которые были в окне «Общие данные по смете».",
                      MessageIcon::Information);
  }
  return true;
}

}  // namespace

void PriceEstimateAgain(MainContext& ctx) {
  AppState& state = ctx.state;
  std::vector<double> before;
  for (const EstimateItem& item : state.estimate.items) before.push_back(item.cost);
  std::vector<OpenProblem> tableNotes;
  const std::vector<OpenProblem> problems = PriceOpenedItems(state.norms, state.estimate, tableNotes);
  state.NomRed = -1;
  ctx.frm1.lstZdIndex = {-1, -1};
  ShowLastItem(ctx);
  ShowEstimateList(ctx);
  if (state.estimate.items.empty()) ctx.frm1.txtSym.clear();
  OpenPayOut(ctx.frmW, ctx.frm1);
  std::vector<double> after;
  for (const EstimateItem& item : state.estimate.items) after.push_back(item.cost);
  if (after != before) EstimateChanged(ctx);
  ReportItems(ctx, state.estimate, tableNotes, "Не все таблицы объектов найдены в базе нормативов:");
  ReportItems(ctx, state.estimate, problems, "Не все объекты удалось рассчитать заново; их стоимость принята равной 0:");
}

bool OpenEstimate(MainContext& ctx, const std::filesystem::path& file) {
  return OpenFrom(ctx, file, OpenedFrom::SavedFile);
}

bool RestoreEstimate(MainContext& ctx, const std::filesystem::path& copy) {
  return OpenFrom(ctx, copy, OpenedFrom::UnsavedCopy);
}

bool OpenNamedEstimate(MainContext& ctx, const std::filesystem::path& file) {
  if (!OpenEstimate(ctx, file)) return false;
  try {
    ctx.state.estimate.summary = ReadIsxSummary(file);
  } catch (const IsxError&) {
    // Read whole a moment ago; a summary lost since is only not shown.
  }
  return true;
}

bool CmdOpen(MainContext& ctx, OpenDialog& dialog, const std::function<void()>& save) {
  if (!ConfirmOpen(ctx, save)) return false;
  const std::optional<OpenChoice> choice = dialog.Ask(ctx);
  if (!choice) return false;
  if (!OpenEstimate(ctx, choice->FileIsx)) return false;
  ctx.state.estimate.summary = choice->Svodka;
  return true;
}

}  // namespace verdin
