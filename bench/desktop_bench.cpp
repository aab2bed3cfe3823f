// The desktop program from a cold start to its windows shown (offscreen),
// on the shipped demo database and on a full-size database, with the peak
// memory of the process as a counter.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "full_size_database.h"

extern char** environ;

namespace {

// Runs verdin until its windows are shown; returns the peak resident size
// in megabytes, or a negative number when the run failed.
double RunToWindowsShown(const std::string& ini) {
  std::string program = VERDIN_DESKTOP_PATH;
  std::string iniFlag = "--ini", exitFlag = "--exit-when-shown", iniPath = ini;
  std::vector<char*> argv = {program.data(), iniFlag.data(), iniPath.data(), exitFlag.data(), nullptr};
  // The settings file's own folder (made by mkdtemp, so private) serves as
  // the runtime folder Qt asks for.
  const std::string runtime = std::filesystem::path(ini).parent_path().string();
  std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen", "HOME=/tmp", "XDG_RUNTIME_DIR=" + runtime};
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string WriteIni(const std::filesystem::path& folder, const std::filesystem::path& data) {
  const auto ini = folder / "vb_prog.ini";
  verdin::WriteLineFile(ini, {"DATA= " + data.string(), "ISX= " + folder.string(), "TEMP= " + folder.string()});
  return ini.string();
}

void Measure(benchmark::State& state, const std::string& ini) {
  double peak = 0;
  for (auto _ : state) {
    const double megabytes = RunToWindowsShown(ini);
    if (megabytes < 0) {
      state.SkipWithError("verdin did not start");
      break;
    }
    peak = std::max(peak, megabytes);
  }
  state.counters["peak_MB"] = peak;
}

// A folder for the settings file of the demo run.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "verdin-start-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_DesktopColdStartDemoDatabase(benchmark::State& state) {
  static ScratchFolder folder;
  static const std::string ini = WriteIni(folder.path(), VERDIN_DEMO_DATA_DIR);
  Measure(state, ini);
}
BENCHMARK(BM_DesktopColdStartDemoDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DesktopColdStartFullSizeDatabase(benchmark::State& state) {
  static FullSizeDatabase database;
  static const std::string ini = WriteIni(database.folder(), database.folder());
  Measure(state, ini);
}
BENCHMARK(BM_DesktopColdStartFullSizeDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
