#include "forms/save_estimate.h"


#include "core/index.h"
#include "core/line_file.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"

namespace verdin {

namespace {

constexpr const char* kConfirmTitle = "Подтверждение записи";
constexpr const char* kWriteErrorTitle = "Ошибка записи!!";

bool AskWithoutCharges(MainContext& ctx) {
  const std::string text = std::string("Включен переключатель Для г-на Ш. \r") +
                           "При этом смета рассчитывается без учета\r" + "отчислений и НДС\r" +
                           "Нажмите кнопку Ок для подтверждения\r" +
                           "Нажмите кнопку Отмена для расчета с учетом \r" + "отчислений и НДС ";
  return ctx.messages.AskOkCancel(kConfirmTitle, text, MessageIcon::Question);
}

// Computes the figures, lays the sheet out and saves it. The item costs as
// the sheet computes them are stored only when that went through.
bool BuildWorkbook(MainContext& ctx, Progress& progress, const PayOutPercentages& frmW, BuiltEstimate* built) {
  AppState& state = ctx.state;
  try {
    BuiltEstimate result;
    result.figures = ComputeEstimateFigures(state.estimate, state.general, state.BezOtchisl, frmW);
    result.sheet = WriteEstimateSheet(state.estimate, state.general, result.figures, state.BezOtchisl,
                                      state.FileXls, progress);
    state.ErrRez = result.sheet.errorCode;
    state.ErrRezText = result.sheet.errorText;
    for (int i = 1; i <= state.KolZd(); ++i) state.estimate.Item(i).cost = result.figures.items[At(i - 1)].cost;
    if (built != nullptr) *built = std::move(result);
    return true;
  } catch (const std::exception& error) {
    ctx.messages.Show(kWriteErrorTitle,
                      "Смета не записана в файл «" + PathText(state.FileXls) + "».\r" + error.what(),
                      MessageIcon::Exclamation);
    return false;
  }
}

bool WriteInputData(MainContext& ctx, const SaveChoice& choice) {
  if (choice.FileIsx == kInputDataNotSaved) return true;
  ctx.state.FileIsx = choice.FileIsx;
  try {
    WriteIsx(ctx.state.estimate, ctx.state.general, ctx.state.FileIsx);
    return true;
  } catch (const FileError& error) {
    ctx.messages.Show(kWriteErrorTitle, std::string("Исходные данные не записаны.\r") + error.what(),
                      MessageIcon::Exclamation);
    return false;
  }
}

}  // namespace

bool CmdSave(MainContext& ctx, SaveDialog& dialog, Progress& progress, const PayOutPercentages& frmW,
             BuiltEstimate* built) {
  AppState& state = ctx.state;
  if (state.KolZd() == 0) {
    ctx.messages.Show("Ошибка записи!", "Ни одного пункта в списке нет!!!", MessageIcon::Exclamation);
    return false;
  }
  state.BezOtchisl = false;
  if (ctx.frm1.chkW && AskWithoutCharges(ctx)) state.BezOtchisl = true;
  const std::optional<SaveChoice> choice = dialog.Ask(ctx);
  if (!choice) return false;
  if (const auto problem = CheckChargeRates(ctx.frmObD)) {
    ctx.messages.Show(kWriteErrorTitle, *problem, MessageIcon::Exclamation);
    return false;
  }
  state.FileXls = choice->FileXls;
  state.estimate.summary = choice->Svodka;
  progress.SetCaption("Рассчитываю ..");
  TakeObD(ctx.frmObD, state.general);
  state.general.header = HeaderTextsOf(ctx.frmObD);
  progress.SetCaption("Рассчитываю ...");
  progress.SetCaption("Сохраняю результаты ..");
  if (!BuildWorkbook(ctx, progress, frmW, built)) return false;
  progress.SetCaption("Сохраняю исходные данные ..");
  if (state.ErrRez != -1) {
    ctx.messages.Show(kWriteErrorTitle, "Книга сметы не записана.\r" + state.ErrRezText, MessageIcon::Exclamation);
  }
  if (!WriteInputData(ctx, *choice)) return state.ErrRez == -1;
  // The workbook failed and no input data were to be written: nothing is
  // on the disk, so nothing is confirmed.
  if (state.ErrRez != -1 && choice->FileIsx == kInputDataNotSaved) return false;
  ctx.messages.Show(kConfirmTitle,
                    state.ErrRez != -1 ? "Записаны только исходные данные ." : "Исходные данные и результаты записаны .",
                    MessageIcon::Exclamation);
  return true;
}

}  // namespace verdin
