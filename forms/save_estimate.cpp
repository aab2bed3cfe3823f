#include "forms/save_estimate.h"

#include <cerrno>
#include <deque>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/atomic_file.h"
#include "core/index.h"
#include "core/line_file.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"
#include "workbook/save_workbook.h"

namespace verdin {

namespace {

constexpr const char* kConfirmTitle = "Подтверждение записи";
constexpr const char* kWriteErrorTitle = "Ошибка записи!!";

// Да leaves the charges and VAT out, Нет keeps them, Отмена (and Esc)
// writes and prints nothing: no key press goes on with a variant the
// user did not choose.
std::optional<bool> AskWithoutCharges(MainContext& ctx) {
  const std::string text = std::string("Включен переключатель Для г-на Ш. \r") +
                           "При этом смета рассчитывается без учета\r" + "отчислений и НДС\r" +
                           "Нажмите кнопку Да для подтверждения\r" +
                           "Нажмите кнопку Нет для расчета с учетом \r" + "отчислений и НДС\r" +
                           "Нажмите кнопку Отмена, чтобы ничего не делать";
  switch (ctx.messages.AskYesNoCancel(kConfirmTitle, text, MessageIcon::Question)) {
    case Answer::Yes: return true;
    case Answer::No: return false;
    case Answer::Cancel: break;
  }
  return std::nullopt;
}

// The first check of both commands: an estimate without items is neither
// saved nor printed.
bool HasItems(MainContext& ctx) {
  if (ctx.state.KolZd() > 0) return true;
  ctx.messages.Show("Ошибка записи!", "Ни одного пункта в списке нет!!!", MessageIcon::Exclamation);
  return false;
}

// The pay-out switch on, the user chooses whether the charges and VAT are
// left out; nothing when the user cancels.
std::optional<bool> DecideWithoutCharges(MainContext& ctx) {
  if (!ctx.frm1.chkW) return false;
  return AskWithoutCharges(ctx);
}

bool ChargeRatesAccepted(MainContext& ctx) {
  const auto problem = CheckChargeRates(ctx.frmObD);
  if (problem) ctx.messages.Show(kWriteErrorTitle, *problem, MessageIcon::Exclamation);
  return !problem;
}

void ReportBuildFailure(MainContext& ctx, const std::string& what, const std::string& reason) {
  ctx.messages.Show(kWriteErrorTitle, what + "\r" + reason, MessageIcon::Exclamation);
}

// Computes the figures, lays the sheet out and saves it; the sheet's
// status is kept in ErrRez.
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
  ctx.state.FileIsx = PathFromText(choice.FileIsx);
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

// The files a save replaces: the workbook (or the PDF document) and, when
// they are saved, the input data. A workbook name the sheet refuses is
// left to the build, which reports it.
std::vector<std::filesystem::path> SaveTargets(const SaveChoice& choice) {
  std::vector<std::filesystem::path> targets;
  try {
    targets.push_back(WorkbookPath(choice.FileXls));
  } catch (const std::invalid_argument&) {
  }
  if (choice.FileIsx != kInputDataNotSaved) {
    const std::filesystem::path isx = PathFromText(choice.FileIsx);
    std::error_code error;
    const bool sameFile = !targets.empty() && std::filesystem::weakly_canonical(isx, error) ==
                                                  std::filesystem::weakly_canonical(targets.front(), error);
    if (!sameFile) targets.push_back(isx);
  }
  return targets;
}

// Takes the lock of every target before any of them is written: a second
// program saving the same estimate at the same time is refused and writes
// nothing. False (after the message) then.
bool LockTargets(MainContext& ctx, const std::vector<std::filesystem::path>& targets, std::deque<WriteLock>& locks) {
  for (const std::filesystem::path& target : targets) {
    try {
      locks.emplace_back(target);
    } catch (const WriteFault& fault) {
      // A lock that is held, or a lock file that is there but cannot be
      // opened: nothing is written without the lock.
      const std::string text =
          fault.error() == EWOULDBLOCK
              ? "Смета сейчас записывается другой программой.\rФайл «" + PathText(target) +
                    "» занят; ничего не записано, повторите запись позже."
              : "Смета не записана: " + std::string(fault.what()) + ".\rНи один файл не изменён.";
      ctx.messages.Show(kWriteErrorTitle, text, MessageIcon::Exclamation);
      return false;
    }
  }
  return true;
}

// The input-data file is written after the workbook; it is checked (its
// folder there and writable, no folder, device or read-only file in its
// place) before the workbook is replaced, so that a save does not stop
// half-way with the new workbook beside the old input data. The workbook's
// own write makes the same checks before it replaces anything. False
// (after the message) when the input data could not be written.
bool InputDataWritable(MainContext& ctx, const SaveChoice& choice) {
  if (choice.FileIsx == kInputDataNotSaved) return true;
  try {
    static_cast<void>(ReplaceableTarget(PathFromText(choice.FileIsx)));
    return true;
  } catch (const WriteFault& fault) {
    ctx.messages.Show(kWriteErrorTitle,
                      std::string("Исходные данные не записаны.\rНе удалось записать файл «") + choice.FileIsx +
                          "»: " + fault.what() + ".\rКнига сметы тоже не записана: ни один файл не изменён.",
                      MessageIcon::Exclamation);
    return false;
  }
}

// The closing message of a save names what was written, and only that.
std::string SavedText(bool sheetWritten, bool inputWritten, const std::filesystem::path& sheetFile) {
  if (!sheetWritten) return "Записаны только исходные данные .";
  if (inputWritten) return "Исходные данные и результаты записаны .";
  return "Результаты записаны в файл «" + PathText(sheetFile) + "». Исходные данные не записаны.";
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
  const std::optional<bool> withoutCharges = DecideWithoutCharges(ctx);
  if (!withoutCharges) return false;
  state.BezOtchisl = *withoutCharges;
  const std::optional<SaveChoice> choice = dialog.Ask(ctx);
  if (!choice) return false;
  if (!ChargeRatesAccepted(ctx)) return false;
  std::deque<WriteLock> locks;
  if (!LockTargets(ctx, SaveTargets(*choice), locks) || !InputDataWritable(ctx, *choice)) return false;
  state.FileXls = choice->FileXls;
  state.estimate.summary = choice->Svodka;
  progress.SetCaption("Рассчитываю ..");
  state.general = GeneralDataOf(ctx.frmObD, state.general);
  progress.SetCaption("Рассчитываю ...");
  progress.SetCaption("Сохраняю результаты ..");
  if (!BuildWorkbook(ctx, progress, frmW, built)) return false;
  progress.SetCaption("Сохраняю исходные данные ..");
  const bool sheetWritten = state.ErrRez == kSheetBuilt;
  if (!sheetWritten) {
    ctx.messages.Show(kWriteErrorTitle, std::string(NotWrittenHeading(state.FileXls)) + "\r" + state.ErrRezText,
                      MessageIcon::Exclamation);
  }
  if (!WriteInputData(ctx, *choice)) return sheetWritten;
  // The estimate is safe in its input-data file; a workbook alone is not
  // an estimate that can be reopened.
  if (choice->FileIsx != kInputDataNotSaved) {
    state.unsavedChanges = false;
    state.estimateFile = choice->FileIsx;
  }
  // The workbook failed and no input data were to be written: nothing is
  // on the disk, so nothing is confirmed.
  const bool inputWritten = choice->FileIsx != kInputDataNotSaved;
  if (!sheetWritten && !inputWritten) return false;
  ctx.messages.Show(kConfirmTitle, SavedText(sheetWritten, inputWritten, state.FileXls),
                    sheetWritten ? MessageIcon::Information : MessageIcon::Exclamation);
  return true;
}

std::optional<BuiltEstimate> CmdPrintEstimate(MainContext& ctx, Progress& progress, const PayOutPercentages& frmW) {
  if (!HasItems(ctx)) return std::nullopt;
  const std::optional<bool> withoutCharges = DecideWithoutCharges(ctx);
  if (!withoutCharges || !ChargeRatesAccepted(ctx)) return std::nullopt;
  constexpr const char* kNotPrepared = "Смета не подготовлена к печати.";
  try {
    progress.SetCaption("Рассчитываю ..");
    BuiltEstimate built = BuildEstimate(ctx.state.estimate, GeneralDataOf(ctx.frmObD, ctx.state.general),
                                        *withoutCharges, frmW, progress);
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
