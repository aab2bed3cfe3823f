#include "forms/range_note.h"

#include "core/pricing.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

constexpr int kUserTableEntry = 0;

// The points the current item is priced from; empty when it has none.
std::vector<NormPoint> CurrentPoints(const MainContext& ctx) {
  const AppState& state = ctx.state;
  const MainForm& form = ctx.frm1;
  if (state.NomProc != 0) return {};
  if (state.NomTab == kUserTableEntry) {
    try {
      return PackUserTable(form.GridX(), form.GridPrice(), state.KolStrPol).points;
    } catch (const PricingError&) {
      return {};
    }
  }
  if (state.NomTab <= state.KolSpec) return {};
  const NormRow* row = NormRowAt(state.norms, state.NomTab, form.cboPIndex);
  return row != nullptr ? row->points : std::vector<NormPoint>{};
}

}  // namespace

std::string RangeNote(const MainContext& ctx) {
  const std::vector<NormPoint> points = CurrentPoints(ctx);
  if (points.size() < 2) return {};
  const auto quantity = ParseTypedNumber(ctx.frm1.txtKolic);
  if (!quantity) return {};
  const double low = points.front().x;
  const double high = points.back().x;
  if (*quantity >= low && *quantity <= high) return {};
  return "Количество вне диапазона таблицы (от " + GeneralForm(low) + " до " + GeneralForm(high) +
         "): цена найдена экстраполяцией";
}

bool CalculateWithRangeNote(MainContext& ctx) {
  const bool priced = CmdOk(ctx);
  MainForm& form = ctx.frm1;
  form.lblRange = priced ? RangeNote(ctx) : std::string();
  form.lblRangeCalculation = priced ? form.txtStB : std::string();
  return priced;
}

}  // namespace verdin
