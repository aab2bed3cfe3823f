#include "forms/save_estimate.h"

#include <memory>

#include "core/line_file.h"
#include "isx/isx_file.h"

namespace verdin {

namespace {

constexpr const char* kConfirmTitle = "Подтверждение записи";
constexpr const char* kWriteErrorTitle = "Ошибка записи!!";

bool AskWithoutCharges(MainContext& ctx) {
  const std::string text = std::string("Включен переключатель Для г-на Ш. \r") +
                           "При этом смета рассчитываеитя без учета\r" + "отчислений и НДС\r" +
                           "Нажмите кнопку Ок для подтверждения\r" +
                           "Нажмите кнопку Отмена для расчета с учетом \r" + "отчислений и НДС ";
  return ctx.messages.AskOkCancel(kConfirmTitle, text, MessageIcon::Question);
}

// What the workbook writer changes in the estimate, kept to be put back
// when the save fails half-way.
struct EstimateSnapshot {
  explicit EstimateSnapshot(const AppState& state)
      : items(std::make_unique<decltype(AppState::items)>(state.items)), OtchislSum(state.OtchislSum) {}
  void Restore(AppState& state) const {
    state.items = *items;
    state.OtchislSum = OtchislSum;
  }
  std::unique_ptr<decltype(AppState::items)> items;
  decltype(AppState::OtchislSum) OtchislSum;
};

bool BuildWorkbook(MainContext& ctx, Progress& progress, const PayOutBoxes& frmW, EstimateWorkbook* built) {
  const EstimateSnapshot snapshot(ctx.state);
  try {
    EstimateWorkbook workbook = WriteEstimateWorkbook(ctx.state, ctx.frmObD, frmW, progress);
    if (built != nullptr) *built = std::move(workbook);
    return true;
  } catch (const std::exception& error) {
    snapshot.Restore(ctx.state);
    ctx.messages.Show(kWriteErrorTitle,
                      "Смета не записана в файл «" + PathText(ctx.state.FileXls) + "».\r" + error.what(),
                      MessageIcon::Exclamation);
    return false;
  }
}

bool WriteInputData(MainContext& ctx, const SaveChoice& choice) {
  if (choice.FileIsx == kInputDataNotSaved) return true;
  ctx.state.FileIsx = choice.FileIsx;
  try {
    WriteIsx(ctx.state, ctx.state.FileIsx);
    return true;
  } catch (const FileError& error) {
    ctx.messages.Show(kWriteErrorTitle, std::string("Исходные данные не записаны.\r") + error.what(),
                      MessageIcon::Exclamation);
    return false;
  }
}

}  // namespace

bool CmdSave(MainContext& ctx, SaveDialog& dialog, Progress& progress, const PayOutBoxes& frmW,
             EstimateWorkbook* built) {
  AppState& state = ctx.state;
  if (state.KolZd == 0) {
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
  state.Svodka = choice->Svodka;
  progress.SetCaption("Рассчитываю ..");
  TakeObD(ctx.frmObD, state.general);
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
