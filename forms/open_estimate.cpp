#include "forms/open_estimate.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/index.h"
#include "core/line_file.h"
#include "core/text_forms.h"
#include "forms/general_data_form.h"
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
    if (state.NomProc < 1) {
      problems.push_back({k, "рассчитывается от суммы объекта № " + std::to_string(state.NomProc) +
                                 ", которого в смете нет"});
      return 0;
    }
    if (state.NomProc >= k) {
      problems.push_back({k, "рассчитывается от суммы объекта № " + std::to_string(state.NomProc) +
                                 ", который в списке стоит не выше него"});
      return 0;
    }
    return state.estimate.Item(state.NomProc).cost;
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

// Item k, already appended to the estimate with its stored inputs, is put
// on screen and priced again.
void RebuildItem(MainContext& ctx, int k, std::vector<OpenProblem>& problems) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  EstimateItem& item = state.estimate.Item(k);
  ShowItem(ctx, item);
  // Only an item priced as a share of another one takes the object number;
  // a number left in the column by another item is ignored.
  state.NomProc = item.mode == PricingMode::ShareOfItem ? item.shareOf : 0;
  if (form.chkProcent != (state.NomProc != 0)) {
    const int keep = state.NomProc;
    ClickChkProcent(ctx, state.NomProc != 0);
    state.NomProc = keep;
  }
  const bool calculated = item.TableListEntry() != kEntryWithoutCalculation;
  if (calculated) {
    const double base = RebuiltBase(ctx, k, problems);
    form.txtStBaz = ShownAmount(base);
    state.StBaz = base;
    SetTxtStP(ctx, ShownAmount(RaschKoeff(ctx.frmKoeff, base)));
  }
  const auto dollars = DollarAmount(NumberOrZero(form.txtStP), form.txtStd);
  form.txtStPd = dollars ? GeneralForm(*dollars) : std::string();
  ZapisZd(ctx, k);
  form.lstZd[0].push_back(item.name);
  form.lstZd[1].push_back(form.txtStP);
  state.SumSm += NumberOrZero(form.txtStP);
  form.txtSym = ShownTotal(state.SumSm);
  state.NomRed = -1;
  item.baseAmount = item.mode != PricingMode::TypedCost ? state.StBaz : NumberOrZero(form.txtStP);
}

void ReportProblems(MainContext& ctx, const std::vector<OpenProblem>& problems) {
  if (problems.empty()) return;
  std::string text = "Не все объекты удалось рассчитать заново; их стоимость принята равной 0:";
  for (const auto& problem : problems) {
    text += "\rобъект № " + std::to_string(problem.item) + " («" +
            ctx.state.estimate.Item(problem.item).name + "»): " + problem.text;
  }
  ctx.messages.Show("Ошибка в исходных данных!!", text, MessageIcon::Exclamation);
}

}  // namespace

bool OpenEstimate(MainContext& ctx, const std::filesystem::path& file) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  IsxContent content;
  try {
    content = ReadIsx(file);
  } catch (const IsxError& error) {
    ctx.messages.Show("Ошибка чтения файла", error.what(), MessageIcon::Exclamation);
    return false;
  }
  state.FileIsx = file;
  state.estimate.summary = std::move(content.summary);
  const bool keptGeneralData = !HoldsChargesOrSignatories(content.general);
  if (!keptGeneralData) {
    ShowGeneralData(content.general, ctx.frmObD);
    state.general = GeneralDataOf(ctx.frmObD, content.general);
  }
  for (auto& list : form.lstZd) list.clear();
  form.lstZdIndex = {-1, -1};
  state.NomRed = -1;
  state.SumSm = 0;
  form.txtSym.clear();
  // Items are priced again in list order; while item k is priced the
  // estimate holds items 1..k, so a share can only be taken of an item
  // above it.
  state.estimate.items.clear();
  state.estimate.items.reserve(content.items.size());
  std::vector<OpenProblem> problems;
  for (EstimateItem& item : content.items) {
    state.estimate.items.push_back(std::move(item));
    RebuildItem(ctx, state.KolZd(), problems);
  }
  // The pay-out window shows the opened estimate, not the one before.
  OpenPayOut(ctx.frmW, form);
  ReportProblems(ctx, problems);
  if (keptGeneralData) {
    ctx.messages.Show("Открытие сметы",
                      "В файле «" + PathText(file) + "» нет общих данных по смете (отчислений и подписей).\r"
                      "Оставлены общие данные, которые были в окне «Общие данные по смете».",
                      MessageIcon::Information);
  }
  return true;
}

bool CmdOpen(MainContext& ctx, OpenDialog& dialog) {
  const std::optional<OpenChoice> choice = dialog.Ask(ctx);
  if (!choice) return false;
  if (!OpenEstimate(ctx, choice->FileIsx)) return false;
  ctx.state.estimate.summary = choice->Svodka;
  return true;
}

}  // namespace verdin
