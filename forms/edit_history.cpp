#include "forms/edit_history.h"

#include <algorithm>
#include <utility>

#include "core/index.h"
#include "core/item_input.h"
#include "core/line_file.h"
#include "forms/calculator_forms.h"
#include "forms/estimate_list.h"
#include "forms/item_copy.h"

namespace verdin {

namespace {

// The boxes of the general-data window that hold the user's data (not
// their enabled states or tool tips).
bool SameBoxes(const GeneralDataForm& a, const GeneralDataForm& b) {
  return a.txtNdog == b.txtNdog && a.txtDataDog == b.txtDataDog && a.txtShapka == b.txtShapka && a.chkK == b.chkK &&
         a.txtK == b.txtK && a.txtKc == b.txtKc && a.chk1 == b.chk1 && a.txt1 == b.txt1 && a.txt2 == b.txt2;
}

void CopyBoxes(const GeneralDataForm& from, GeneralDataForm& to) {
  to.txtNdog = from.txtNdog;
  to.txtDataDog = from.txtDataDog;
  to.txtShapka = from.txtShapka;
  to.chkK = from.chkK;
  to.txtK = from.txtK;
  to.txtKc = from.txtKc;
  to.chk1 = from.chk1;
  to.txt1 = from.txt1;
  to.txt2 = from.txt2;
}

std::string Quoted(const std::string& text) { return "«" + text + "»"; }

// The first position where the two lists differ (the shorter list's
// length when one continues the other).
std::size_t FirstDifference(const std::vector<EstimateItem>& a, const std::vector<EstimateItem>& b) {
  std::size_t k = 0;
  while (k < a.size() && k < b.size() && a[k] == b[k]) ++k;
  return k;
}

// The item a change of equal-length lists is about: the first changed
// item priced on its own (shares follow their source), else the first
// changed one.
const EstimateItem& ChangedItem(const std::vector<EstimateItem>& a, const std::vector<EstimateItem>& b,
                                std::size_t first) {
  for (std::size_t k = first; k < b.size(); ++k) {
    if (!(a[k] == b[k]) && b[k].mode != PricingMode::ShareOfItem) return b[k];
  }
  return b[first];
}

bool SwappedAt(const std::vector<EstimateItem>& a, const std::vector<EstimateItem>& b, std::size_t k) {
  return k + 1 < a.size() && a.size() == b.size() && a[k].name == b[k + 1].name && a[k + 1].name == b[k].name &&
         a[k].cost == b[k + 1].cost && a[k + 1].cost == b[k].cost;
}

std::string ListStepName(const std::vector<EstimateItem>& a, const std::vector<EstimateItem>& b, int selected) {
  if (b.empty()) return a.size() == 1 ? "удаление " + Quoted(a.front().name) : "удаление всех объектов";
  const std::size_t first = FirstDifference(a, b);
  if (b.size() == a.size() + 1) {
    const std::string& name = b[first].name;
    const std::string_view suffix = kCopySuffix;
    if (name.ends_with(suffix)) return "копирование " + Quoted(name.substr(0, name.size() - suffix.size()));
    return "добавление " + Quoted(name);
  }
  if (b.size() + 1 == a.size()) return "удаление " + Quoted(a[first].name);
  if (a.size() != b.size()) return "изменение сметы";
  if (SwappedAt(a, b, first)) {
    const std::size_t moved = selected == static_cast<int>(first) ? first : first + 1;
    return "перемещение " + Quoted(b[moved].name);
  }
  return "изменение " + Quoted(ChangedItem(a, b, first).name);
}

void Restore(MainContext& ctx, const EditSnapshot& snapshot) {
  AppState& state = ctx.state;
  state.estimate = snapshot.estimate;
  state.general = snapshot.general;
  CopyBoxes(snapshot.generalBoxes, ctx.frmObD);
  state.estimateFile = snapshot.estimateFile;
  RepriceShares(state.norms, state.estimate);
  // No write-back may land on an item the undo moved or removed.
  state.NomRed = -1;
  ctx.frm1.lstZdIndex = {-1, -1};
  ShowEstimateList(ctx);
  if (state.estimate.items.empty()) ctx.frm1.txtSym.clear();
  OpenPayOut(ctx.frmW, ctx.frm1);
  EstimateChanged(ctx);
}

}  // namespace

bool EditSnapshot::SameContent(const EditSnapshot& other) const {
  return estimate.items == other.estimate.items && SameBoxes(generalBoxes, other.generalBoxes);
}

EditSnapshot TakeSnapshot(const MainContext& ctx) {
  return {ctx.state.estimate, ctx.state.general, ctx.frmObD, ctx.state.estimateFile};
}

std::string StepName(const EditSnapshot& before, const EditSnapshot& after, int selected) {
  const auto& a = before.estimate.items;
  const auto& b = after.estimate.items;
  if (before.estimateFile != after.estimateFile && !after.estimateFile.empty() && a != b) {
    return "открытие сметы " + Quoted(PathText(after.estimateFile.stem()));
  }
  if (a == b) return "изменение общих данных";
  return ListStepName(a, b, selected);
}

void EditHistory::Record(const MainContext& ctx) {
  EditSnapshot now = TakeSnapshot(ctx);
  if (!current_ || now.SameContent(*current_)) {
    // A save or a first look: nothing to undo, but the own file and the
    // general data as saved are the ones to come back to.
    current_ = std::move(now);
    return;
  }
  const bool typing = now.estimate.items == current_->estimate.items;
  if (typing && !sealed_ && !undo_.empty() && undo_.back().typing) {
    current_ = std::move(now);
    return;
  }
  undo_.push_back({StepName(*current_, now, ctx.frm1.lstZdIndex[0]), std::move(*current_), typing});
  if (undo_.size() > kHistorySteps) undo_.erase(undo_.begin());
  redo_.clear();
  sealed_ = !typing;
  current_ = std::move(now);
}

std::string EditHistory::UndoText() const { return undo_.empty() ? "Отменить" : "Отменить " + undo_.back().name; }

std::string EditHistory::RedoText() const { return redo_.empty() ? "Повторить" : "Повторить " + redo_.back().name; }

bool EditHistory::Undo(MainContext& ctx) { return Move(ctx, undo_, redo_); }

bool EditHistory::Redo(MainContext& ctx) { return Move(ctx, redo_, undo_); }

bool EditHistory::Move(MainContext& ctx, std::vector<Step>& from, std::vector<Step>& to) {
  // Typing in the general-data window that no refresh has kept yet is a
  // step of its own, undone first.
  Record(ctx);
  if (from.empty() || !current_) return false;
  Step step = std::move(from.back());
  from.pop_back();
  to.push_back({step.name, std::move(*current_), step.typing});
  Restore(ctx, step.state);
  current_ = TakeSnapshot(ctx);
  sealed_ = true;
  return true;
}

}  // namespace verdin
