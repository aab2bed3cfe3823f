// Writing the workbook of a 50-item estimate with 15 coefficients per
// item, as .xls and as .xlsx, and the whole verdin-batch estimate process
// on the same estimate.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/line_file.h"
#include "core/progress.h"
#include "isx/isx_file.h"
#include "forms/estimate_list.h"
#include "forms/open_estimate.h"
#include "forms/program.h"
#include "forms/general_data_form.h"
#include "workbook/estimate_sheet.h"

extern char** environ;

namespace {

class FullEstimate {
 public:
  FullEstimate() {
    std::string pattern = (std::filesystem::temp_directory_path() / "verdin-wb-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    verdin::WriteLineFile(folder_ / "vb_prog.ini", {"DATA= " + std::string(VERDIN_DEMO_DATA_DIR),
                                                    "ISX= " + folder_.string(), "TEMP= " + folder_.string()});
    verdin::SettingsLocation location;
    location.iniOverride = folder_ / "vb_prog.ini";
    verdin::Main(*program_, location, messages_);
    Compose();
    verdin::TakeObD(program_->frmObD, program_->state.general);
    verdin::WriteIsx(program_->state.estimate, program_->state.general, Isx());
  }
  ~FullEstimate() { std::filesystem::remove_all(folder_); }
  FullEstimate(const FullEstimate&) = delete;
  FullEstimate& operator=(const FullEstimate&) = delete;

  verdin::Program& program() { return *program_; }
  std::filesystem::path Isx() const { return folder_ / "полная.isx"; }
  const std::filesystem::path& folder() const { return folder_; }

 private:
  void Compose() {
    auto ctx = program_->Context(messages_);
    auto& koeff = program_->frmKoeff;
    for (int i = 0; i < verdin::kCoefficientRows; ++i) {
      koeff.chkKoeff[static_cast<std::size_t>(i)] = true;
      koeff.txtKoeffK[static_cast<std::size_t>(i)] = "1,0" + std::to_string(i % 10);
      koeff.txtKoeffI[static_cast<std::size_t>(i)] = "К" + std::to_string(i);
    }
    for (int item = 1; item <= verdin::kMaxItems; ++item) {
      verdin::SelectTable(ctx, 3 + item % 7);
      verdin::SelectRow(ctx, item % 3, false);
      program_->frm1.txtKolic = std::to_string(100 + item * 37);
      program_->frm1.txtZd = "Объект проектирования номер " + std::to_string(item);
      if (!verdin::CmdOk(ctx) || !verdin::CmdDob(ctx)) std::abort();
    }
  }

  std::filesystem::path folder_;
  std::unique_ptr<verdin::Program> program_ = verdin::NewProgram();
  verdin::RecordingMessages messages_;
};

FullEstimate& Estimate() {
  static FullEstimate estimate;
  return estimate;
}

void WriteWorkbook(benchmark::State& state, const char* name) {
  auto& estimate = Estimate();
  const verdin::AppState& app = estimate.program().state;
  const verdin::GeneralData general = verdin::GeneralDataOf(estimate.program().frmObD, app.general);
  verdin::CaptionOnlyProgress progress;
  for (auto _ : state) {
    const auto figures = verdin::ComputeEstimateFigures(app.estimate, general, false, {});
    const auto built =
        verdin::WriteEstimateSheet(app.estimate, general, figures, false, estimate.folder() / name, progress);
    if (built.errorCode != verdin::kSheetBuilt) state.SkipWithError("the workbook was not written");
    benchmark::DoNotOptimize(figures.SumAll);
  }
}

// Opening the 50-item input-data file: read, check, and price every item
// again with the window's own commands.
void BM_OpenAndRecalculate50Items(benchmark::State& state) {
  auto& estimate = Estimate();
  verdin::RecordingMessages messages;
  for (auto _ : state) {
    verdin::MainContext ctx = estimate.program().Context(messages);
    if (!verdin::OpenEstimate(ctx, estimate.Isx())) state.SkipWithError("the estimate did not open");
    benchmark::DoNotOptimize(estimate.program().state.SumSm);
  }
}
BENCHMARK(BM_OpenAndRecalculate50Items)->Unit(benchmark::kMillisecond);

void BM_WriteWorkbookXls50Items(benchmark::State& state) { WriteWorkbook(state, "смета.xls"); }
BENCHMARK(BM_WriteWorkbookXls50Items)->Unit(benchmark::kMillisecond);

void BM_WriteWorkbookXlsx50Items(benchmark::State& state) { WriteWorkbook(state, "смета.xlsx"); }
BENCHMARK(BM_WriteWorkbookXlsx50Items)->Unit(benchmark::kMillisecond);

// The whole command: start-up, the norm database, open and recalculate
// the estimate, write the .xls workbook.
void BM_BatchEstimateProcess50Items(benchmark::State& state) {
  auto& estimate = Estimate();
  const std::string isx = estimate.Isx().string();
  const std::string out = (estimate.folder() / "процесс.xls").string();
  const std::string data = VERDIN_DEMO_DATA_DIR;
  for (auto _ : state) {
    std::string program = VERDIN_BATCH_PATH;
    std::string dataFlag = "--data", estimateWord = "estimate";
    char* argv[] = {program.data(), dataFlag.data(), const_cast<char*>(data.c_str()), estimateWord.data(),
                    const_cast<char*>(isx.c_str()), const_cast<char*>(out.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0x1 /* O_WRONLY */, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("verdin-batch estimate failed");
      break;
    }
  }
}
BENCHMARK(BM_BatchEstimateProcess50Items)->Unit(benchmark::kMillisecond);

}  // namespace
