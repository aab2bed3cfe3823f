#include "forms/item_copy.h"

#include "core/index.h"
#include "core/item_input.h"
#include "forms/calculator_forms.h"
#include "forms/estimate_list.h"

namespace verdin {

bool CmdCopy(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  const int line = form.lstZdIndex[0];
  if (line < 0 || line >= state.KolZd()) {
    ctx.messages.Beep();
    ctx.messages.Show("Ошибка копирования!!", "Не выбран объект  для копирования!!!", MessageIcon::Exclamation);
    return false;
  }
  if (state.KolZd() >= kMaxItems) {
    ReportEstimateFull(ctx);
    return false;
  }
  EstimateItem copy = state.estimate.items[At(line)];
  copy.name += kCopySuffix;
  InsertItem(state.estimate, line + 1, std::move(copy));
  // A write-back pending on an item below keeps its item.
  if (state.NomRed > line) ++state.NomRed;
  RepriceShares(state.norms, state.estimate);
  ShowEstimateList(ctx);
  form.lstZdIndex = {line + 1, line + 1};
  OpenPayOut(ctx.frmW, form);
  EstimateChanged(ctx);
  return true;
}

}  // namespace verdin
