// "Рассчитать и сохранить смету": the workbook (or the PDF document) first
// (it prepares the header texts the input-data file stores), then the
// input-data file. "Печать…" builds the same sheet without writing
// anything.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "core/progress.h"
#include "forms/main_commands.h"
#include "core/estimate_figures.h"
#include "workbook/estimate_sheet.h"

namespace verdin {

// The text the save dialog hands back in place of an input-data path when
// the input data are not to be saved.
inline constexpr const char* kInputDataNotSaved = "Данные не сохраняются";

// What the save dialog hands back when the user confirms it.
struct SaveChoice {
  std::filesystem::path FileXls;  // the workbook, or the PDF document when it ends in ".pdf"
  std::string FileIsx;            // the input-data file, or kInputDataNotSaved
  std::string Svodka;             // the summary line
};

// The save dialog as the save command sees it.
class SaveDialog {
 public:
  virtual ~SaveDialog() = default;
  // nullopt when the user cancels.
  virtual std::optional<SaveChoice> Ask(MainContext& ctx) = 0;
};

// The save dialog answered beforehand: it confirms with the choice it was
// given, as a command without windows (the batch tool, the tests) saves.
class ConfirmedSaveDialog : public SaveDialog {
 public:
  explicit ConfirmedSaveDialog(SaveChoice choice) : choice_(std::move(choice)) {}
  std::optional<SaveChoice> Ask(MainContext&) override { return choice_; }

 private:
  SaveChoice choice_;
};

// What a save built: the figures of the estimate and the sheet.
struct BuiltEstimate {
  EstimateFigures figures;
  EstimateSheet sheet;
};

// The estimate computed and laid out as the save does it: the figures from
// the estimate, the general data, the without-charges choice and the
// pay-out boxes, the sheet from the figures. With `saveAs` the sheet is
// also saved under WorkbookPath(saveAs), in the format its name asks for;
// without it nothing is written. Refused figures throw
// EstimateFiguresError; a failed sheet operation (or saving) is kept in
// the sheet's error status.
BuiltEstimate BuildEstimate(const Estimate& estimate, const GeneralData& general, bool withoutCharges,
                            const PayOutPercentages& frmW, Progress& progress,
                            const std::optional<std::filesystem::path>& saveAs = std::nullopt);

// cmdSave. The pay-out boxes are read in the pay-out variant. Returns true
// when the workbook or the input data were written, and closes with a
// message naming what was written. The figures are
// computed first and the sheet laid out from them. The items keep the
// costs the window priced them at, which are the sheet's «ИТОГО» (both come
// from one chain of coefficients), so the estimate in memory stays the one
// its input-data file reopens to, and a failure leaves it as it was. Writing the input
// data ends the estimate's unsaved changes. Figures that are refused (a number that is
// not finite or lies beyond the amount bound, EstimateFiguresError) are
// reported the same way: neither the workbook nor the input data are
// written, the earlier files stay as they were, and false is returned.
// `built`, when given, receives the figures and the sheet.
bool CmdSave(MainContext& ctx, SaveDialog& dialog, Progress& progress, const PayOutPercentages& frmW,
             BuiltEstimate* built = nullptr);

// "Печать…": the estimate as cmdSave would write it now, for the print
// preview: the same question about the charges while chkW is on, the
// general data taken from the general-data window as the save takes them,
// the same figures and sheet. Nothing is written into the state or onto
// the disk. An empty estimate, refused charge rates, refused figures or a
// failed sheet operation are reported as the save reports them (naming no
// file) and give nullopt.
std::optional<BuiltEstimate> CmdPrintEstimate(MainContext& ctx, Progress& progress, const PayOutPercentages& frmW);

}  // namespace verdin
