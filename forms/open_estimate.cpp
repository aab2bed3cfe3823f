#include "forms/open_estimate.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/index.h"
#include "core/text_forms.h"
#include "isx/isx_file.h"
#include "forms/estimate_list.h"

namespace verdin {

namespace {

constexpr int kEntryWithoutCalculation = 1;

double NumberOrZero(const std::string& text) { return ParseTypedNumber(text).value_or(0); }

// What went wrong while an item was priced again.
struct OpenProblem {
  int item;
  std::string text;
};

// The base of item k: the cost of an earlier item for a share of an item,
// else the base price from the item's table. Problems are collected and
// the base is then 0.
double RebuiltBase(MainContext& ctx, int k, std::vector<OpenProblem>& problems) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  if (state.NomProc != 0) {
    form.txtStB.clear();
    if (state.NomProc >= k) {
      problems.push_back({k, "рассчитывается от суммы объекта № " + std::to_string(state.NomProc) +
                                 ", который в списке стоит не выше него"});
      return 0;
    }
    return state.items[At(state.NomProc)].ZdD[col::kCost];
  }
  try {
    const auto base = CalculateBasePrice(ctx);
    form.txtStB = base ? base->Text : std::string();
    return base ? base->Cb : 0;
  } catch (const PricingError& error) {
    form.txtStB.clear();
    problems.push_back({k, error.what()});
    return 0;
  }
}

void RebuildItem(MainContext& ctx, int k, std::vector<OpenProblem>& problems) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  state.KolZd = k;
  ShowItem(ctx, k);
  EstimateItem& item = state.items[At(k)];
  const bool share = item.ZdD[10] == -1;
  // Only an item priced as a share of another one takes the object number;
  // a number left in the column by another item is ignored.
  state.NomProc = share ? static_cast<int>(std::lround(item.ZdD[14])) : 0;
  if (form.chkProcent != (state.NomProc != 0)) {
    const int keep = state.NomProc;
    ClickChkProcent(ctx, state.NomProc != 0);
    state.NomProc = keep;
  }
  const bool calculated = item.ZdD[10] != kEntryWithoutCalculation;
  if (calculated) {
    const double base = RebuiltBase(ctx, k, problems);
    form.txtStBaz = GeneralForm(TruncateToThousandths(base));
    state.StBaz = base;
    SetTxtStP(ctx, GeneralForm(TruncateToThousandths(RaschKoeff(ctx.frmKoeff, base))));
  }
  const auto dollars = DollarAmount(NumberOrZero(form.txtStP), form.txtStd);
  form.txtStPd = dollars ? GeneralForm(*dollars) : std::string();
  ZapisZd(ctx, k);
  form.lstZd[0].push_back(item.ZdS[col::kName]);
  form.lstZd[1].push_back(form.txtStP);
  state.SumSm += NumberOrZero(form.txtStP);
  form.txtSym = GeneralForm(state.SumSm);
  state.NomRed = -1;
  item.ZdBaz[1] = item.ZdD[col::kNomTab] != kEntryWithoutCalculation ? state.StBaz : NumberOrZero(form.txtStP);
}

void ReportProblems(MainContext& ctx, const std::vector<OpenProblem>& problems) {
  if (problems.empty()) return;
  std::string text = "Не все объекты удалось рассчитать заново; их стоимость принята равной 0:";
  for (const auto& problem : problems) {
    text += "\rобъект № " + std::to_string(problem.item) + " («" +
            ctx.state.items[At(problem.item)].ZdS[col::kName] + "»): " + problem.text;
  }
  ctx.messages.Show("Ошибка в исходных данных!!", text, MessageIcon::Exclamation);
}

}  // namespace

bool OpenEstimate(MainContext& ctx, const std::filesystem::path& file) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  try {
    ReadIsx(file, state, ctx.frmObD);
  } catch (const IsxError& error) {
    ctx.messages.Show("Ошибка чтения файла", error.what(), MessageIcon::Exclamation);
    return false;
  }
  state.FileIsx = file;
  for (auto& list : form.lstZd) list.clear();
  form.lstZdIndex = {-1, -1};
  state.NomRed = -1;
  state.SumSm = 0;
  form.txtSym.clear();
  const int n = state.KolZd;
  std::vector<OpenProblem> problems;
  for (int k = 1; k <= n; ++k) RebuildItem(ctx, k, problems);
  state.KolZd = n;
  ReportProblems(ctx, problems);
  return true;
}

bool CmdOpen(MainContext& ctx, OpenDialog& dialog) {
  const std::optional<OpenChoice> choice = dialog.Ask(ctx);
  if (!choice) return false;
  if (!OpenEstimate(ctx, choice->FileIsx)) return false;
  ctx.state.Svodka = choice->Svodka;
  return true;
}

}  // namespace verdin
