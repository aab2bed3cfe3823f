// The estimate command without the process: an input-data file opened
// against the shipped demo database (every item priced again), then saved
// by the save command as an .xls workbook and the input data. A save the
// estimate figures refuse must write nothing and leave the earlier
// workbook as it was; a save that goes through must write both files, and
// no cell of the workbook may hold a number that is not finite or is below
// zero (no price, cost or total of an estimate is negative).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>

#include "core/line_file.h"
#include "core/progress.h"
#include "isx/isx_file.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "forms/save_estimate.h"
#include "workbook/estimate_sheet.h"
#include "fuzz_support.h"

namespace {

// What stands in the workbook's place before every save.
constexpr std::string_view kEarlierWorkbook = "прежняя книга";

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

// Whether the estimate figures refuse the estimate as it stands.
bool FiguresRefused(const verdin::Program& program, bool withoutCharges) {
  try {
    verdin::ComputeEstimateFigures(program.state.estimate,
                                   verdin::GeneralDataOf(program.frmObD, program.state.general),
                                   withoutCharges, {});
    return false;
  } catch (const verdin::EstimateFiguresError&) {
    return true;
  }
}

void RequireSoundCells(const verdin::Sheet& sheet) {
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const verdin::Cell* cell = sheet.CellAt(row, column);
      if (cell == nullptr) continue;
      const double* number = std::get_if<double>(&cell->value);
      if (number != nullptr && !std::isfinite(*number)) {
        std::fprintf(stderr, "row %d, column %d\n", row, column);
        verdin::fuzz::Fail("a workbook cell holds a number that is not finite");
      }
      if (number != nullptr && *number < 0) {
        std::fprintf(stderr, "row %d, column %d: %g\n", row, column, *number);
        verdin::fuzz::Fail("a workbook cell holds a negative amount");
      }
    }
  }
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
  // is not a number; the variant without charges for odd-sized inputs
  // (its question is answered OK).
  AppState& state = program->state;
  if (state.KolZd() == 0 || CheckChargeRates(program->frmObD)) return 0;
  program->frm1.chkW = (size % 2) == 1;
  const bool refused = FiguresRefused(*program, program->frm1.chkW);

  const auto workbook = fuzz::TempFolder() / "estimate.xls";
  const auto inputData = fuzz::TempFolder() / "saved.isx";
  fuzz::WriteBytes(workbook, kEarlierWorkbook);
  std::error_code ignored;
  std::filesystem::remove(inputData, ignored);

  RecordingMessages saving;
  MainContext saveCtx = program->Context(saving);
  ConfirmedSaveDialog dialog({workbook, PathText(inputData), "Сводка"});
  CaptionOnlyProgress progress;
  BuiltEstimate built;
  const bool saved = CmdSave(saveCtx, dialog, progress, PayOutPercentages{}, &built);

  if (refused) {
    if (saved) fuzz::Fail("a save of refused figures reported success");
    if (fuzz::ReadBytes(workbook) != kEarlierWorkbook) fuzz::Fail("a refused save replaced the workbook");
    if (std::filesystem::exists(inputData)) fuzz::Fail("a refused save wrote the input data");
    return 0;
  }
  if (!saved || state.ErrRez != kSheetBuilt) {
    for (const auto& entry : saving.Shown()) std::fprintf(stderr, "%s\n", entry.text.c_str());
    fuzz::Fail("the estimate workbook was not written");
  }
  if (!std::filesystem::exists(inputData)) fuzz::Fail("the input data were not written");
  RequireSoundCells(built.sheet.sheet);
  return 0;
}
