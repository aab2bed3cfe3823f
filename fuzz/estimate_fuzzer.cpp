// The estimate command without the process: an input-data file opened
// against the shipped demo database (every item priced again), then the
// estimate workbook written to an .xls file and the input data saved.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/line_file.h"
#include "core/progress.h"
#include "isx/isx_file.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "workbook/estimate_sheet.h"
#include "fuzz_support.h"

namespace {

// The program as it stands after start-up on the demo database; every
// input starts from a copy of it.
const verdin::Program& StartedProgram() {
  static const std::unique_ptr<verdin::Program> program = [] {
    auto started = verdin::NewProgram();
    auto& folders = started->state.folders;
    folders.PathProg = verdin::fuzz::TempFolder();
    folders.PathData = verdin::fuzz::DemoData();
    folders.PathIsx = folders.PathRez = folders.PathTemp = verdin::fuzz::TempFolder();
    verdin::RecordingMessages messages;
    verdin::Main(*started, messages);
    if (!messages.entries.empty()) verdin::fuzz::Fail("the demo database does not start");
    return started;
  }();
  return *program;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace verdin;
  auto program = std::make_unique<Program>(StartedProgram());
  const auto input = fuzz::WriteInput("input.isx", data, size);

  RecordingMessages opening;
  MainContext ctx = program->Context(opening);
  if (!OpenEstimate(ctx, input) || !opening.Shown().empty()) return 0;

  // The save command: refused for an empty estimate or a charge rate that
  // is not a number; the variant without charges for odd-sized inputs.
  AppState& state = program->state;
  if (state.KolZd() == 0 || CheckChargeRates(program->frmObD)) return 0;
  const bool withoutCharges = (size % 2) == 1;
  const GeneralData general = GeneralDataOf(program->frmObD, state.general);
  CaptionOnlyProgress progress;
  const EstimateFigures figures = ComputeEstimateFigures(state.estimate, general, withoutCharges, {});
  const EstimateSheet built = WriteEstimateSheet(state.estimate, general, figures, withoutCharges,
                                                 fuzz::TempFolder() / "estimate.xls", progress);
  if (built.errorCode != kSheetBuilt) {
    std::fprintf(stderr, "%s\n", built.errorText.c_str());
    fuzz::Fail("the estimate workbook was not written");
  }
  WriteIsx(state.estimate, general, fuzz::TempFolder() / "saved.isx");
  return 0;
}
