#include "forms/save_estimate.h"


#include "core/index.h"
#include "core/line_file.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"
#include "workbook/save_workbook.h"

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

// The first check of both commands: an estimate without items is neither
// saved nor printed.
bool HasItems(MainContext& ctx) {
  if (ctx.state.KolZd() > 0) return true;
  ctx.messages.Show("Ошибка записи!", "Ни одного пункта в списке нет!!!", MessageIcon::Exclamation);
  return false;
}

// The pay-out switch on, the user chooses whether the charges and VAT are
// left out.
bool DecideWithoutCharges(MainContext& ctx) { return ctx.frm1.chkW && AskWithoutCharges(ctx); }

bool ChargeRatesAccepted(MainContext& ctx) {
  const auto problem = CheckChargeRates(ctx.frmObD);
  if (problem) ctx.messages.Show(kWriteErrorTitle, *problem, MessageIcon::Exclamation);
  return !problem;
}

void ReportBuildFailure(MainContext& ctx, const std::string& what, const std::string& reason) {
  ctx.messages.Show(kWriteErrorTitle, what + "\r" + reason, MessageIcon::Exclamation);
}

// Computes the figures, lays the sheet out and saves it. The item costs as
// the sheet computes them are stored only when that went through.
bool BuildWorkbook(MainContext& ctx, Progress& progress, const PayOutPercentages& frmW, BuiltEstimate* built) {
  AppState& state = ctx.state;
  try {
    BuiltEstimate result =
        BuildEstimate(state.estimate, state.general, state.BezOtchisl, frmW, progress, state.FileXls);
    state.ErrRez = result.sheet.errorCode;
    state.ErrRezText = result.sheet.errorText;
    if (built != nullptr) *built = std::move(result);
    return true;
  } catch (const std::exception& error) {
    ReportBuildFailure(ctx, "Смета не записана в файл «" + PathText(state.FileXls) + "».", error.what());
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

// The first line of the message about an estimate file that failed: a
// workbook, or the estimate drawn as a PDF document.
const char* NotWrittenHeading(const std::filesystem::path& file) {
  return FormatOfName(file) == WorkbookFormat::Pdf ? "Смета в PDF не записана." : "Книга сметы не записана.";
}

}  // namespace

BuiltEstimate BuildEstimate(const Estimate& estimate, const GeneralData& general, bool withoutCharges,
                            const PayOutPercentages& frmW, Progress& progress,
                            const std::optional<std::filesystem::path>& saveAs) {
  BuiltEstimate result;
  result.figures = ComputeEstimateFigures(estimate, general, withoutCharges, frmW);
  result.sheet = saveAs ? WriteEstimateSheet(estimate, general, result.figures, withoutCharges, *saveAs, progress)
                        : BuildEstimateSheet(estimate, general, result.figures, withoutCharges, progress);
  return result;
}

bool CmdSave(MainContext& ctx, SaveDialog& dialog, Progress& progress, const PayOutPercentages& frmW,
             BuiltEstimate* built) {
  AppState& state = ctx.state;
  if (!HasItems(ctx)) return false;
  state.BezOtchisl = DecideWithoutCharges(ctx);
  const std::optional<SaveChoice> choice = dialog.Ask(ctx);
  if (!choice) return false;
  if (!ChargeRatesAccepted(ctx)) return false;
  state.FileXls = choice->FileXls;
  state.estimate.summary = choice->Svodka;
  progress.SetCaption("Рассчитываю ..");
  state.general = GeneralDataOf(ctx.frmObD, state.general);
  progress.SetCaption("Рассчитываю ...");
  progress.SetCaption("Сохраняю результаты ..");
  if (!BuildWorkbook(ctx, progress, frmW, built)) return false;
  progress.SetCaption("Сохраняю исходные данные ..");
  if (state.ErrRez != -1) {
    ctx.messages.Show(kWriteErrorTitle, std::string(NotWrittenHeading(state.FileXls)) + "\r" + state.ErrRezText,
                      MessageIcon::Exclamation);
  }
  if (!WriteInputData(ctx, *choice)) return state.ErrRez == -1;
  // The estimate is safe in its input-data file; a workbook alone is not
  // an estimate that can be reopened.
  if (choice->FileIsx != kInputDataNotSaved) state.unsavedChanges = false;
  // The workbook failed and no input data were to be written: nothing is
  // on the disk, so nothing is confirmed.
  if (state.ErrRez != -1 && choice->FileIsx == kInputDataNotSaved) return false;
  ctx.messages.Show(kConfirmTitle,
                    state.ErrRez != -1 ? "Записаны только исходные данные ." : "Исходные данные и результаты записаны .",
                    MessageIcon::Exclamation);
  return true;
}

std::optional<BuiltEstimate> CmdPrintEstimate(MainContext& ctx, Progress& progress, const PayOutPercentages& frmW) {
  if (!HasItems(ctx)) return std::nullopt;
  const bool withoutCharges = DecideWithoutCharges(ctx);
  if (!ChargeRatesAccepted(ctx)) return std::nullopt;
  constexpr const char* kNotPrepared = "Смета не подготовлена к печати.";
  try {
    progress.SetCaption("Рассчитываю ..");
    BuiltEstimate built = BuildEstimate(ctx.state.estimate, GeneralDataOf(ctx.frmObD, ctx.state.general),
                                        withoutCharges, frmW, progress);
    if (built.sheet.errorCode != kSheetBuilt) {
      ReportBuildFailure(ctx, kNotPrepared, built.sheet.errorText);
      return std::nullopt;
    }
    return built;
  } catch (const std::exception& error) {
    ReportBuildFailure(ctx, kNotPrepared, error.what());
    return std::nullopt;
  }
}

}  // namespace verdin
