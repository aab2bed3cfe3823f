#include "forms/unsaved_work.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <system_error>
#include <vector>

#include "core/platform_files.h"
#include "core/folders.h"
#include "core/line_file.h"
#include "forms/open_estimate.h"

namespace verdin {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kAutosaveEnding = "_tmp.isx";

std::optional<fs::file_time_type> ModifiedAt(const fs::path& file) {
  std::error_code error;
  const fs::file_time_type time = fs::last_write_time(file, error);
  if (error) return std::nullopt;
  return time;
}

bool IsAutosaveCopy(const fs::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_regular_file(error)) return false;
  const std::string name = PathText(entry.path().filename());
  return name.size() > kAutosaveEnding.size() && name.ends_with(kAutosaveEnding);
}

// "08.12.2026 14:05", the local time of a file's last change.
std::string LocalTimeText(fs::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  const std::time_t seconds = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
  std::tm local{};
  if (!platform::LocalTime(seconds, local)) return {};
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &local);
  return text;
}

}  // namespace

namespace {

// The question before the estimate is left behind: its title and, for an
// estimate that cannot be saved, the offer to go on without saving.
struct LeaveQuestion {
  const char* title;
  const char* withoutSaving;
};

// Asks before a changed estimate is left behind. Yes runs `save` and lets
// go only when the estimate was saved; No lets go as it is; Cancel keeps
// it. An estimate without items cannot be saved: then the question says so
// and offers to go on without saving (Enter keeps it).
bool MayLeaveEstimate(MainContext& ctx, const LeaveQuestion& question, const std::function<void()>& save) {
  if (!ctx.state.unsavedChanges) return true;
  if (ctx.state.KolZd() == 0) {
    return ctx.messages.AskYesNo(question.title,
                                 std::string("Смета изменена после последнего сохранения, но ни одного пункта в "
                                             "списке нет, и сохранить её нельзя.\r") +
                                     question.withoutSaving,
                                 MessageIcon::Question, DefaultButton::LeaveAsIs);
  }
  const Answer answer = ctx.messages.AskYesNoCancel(
      question.title, "Смета изменена после последнего сохранения.\rСохранить изменения в смете?",
      MessageIcon::Question);
  if (answer == Answer::Cancel) return false;
  if (answer == Answer::Yes) {
    save();
    // A cancelled or failed save keeps the program and the estimate.
    return !ctx.state.unsavedChanges;
  }
  return true;
}

}  // namespace

bool ConfirmExit(MainContext& ctx, const std::function<void()>& save) {
  if (!MayLeaveEstimate(ctx, {"Выход из программы", "Выйти из программы без сохранения?"}, save)) return false;
  SettleAutosaves(ctx.state);
  return true;
}

bool ConfirmOpen(MainContext& ctx, const std::function<void()>& save) {
  return MayLeaveEstimate(ctx, {"Открытие сметы", "Открыть другую смету без сохранения?"}, save);
}

namespace {

constexpr const char* kSettledHeading =
    "Автосохраненные сметы с этими отпечатками записаны или отклонены пользователем.";

// A copy's content in one line: its size and a 64-bit FNV-1a hash of its
// bytes. The content, not the time, tells a settled copy from a newer one:
// a file's time may be as coarse as two seconds.
std::optional<std::string> Fingerprint(const fs::path& copy) {
  try {
    const LineFileBytes bytes = ReadLineFileBytes(copy, kInputDataFileLimit);
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes.content) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    char text[64];
    std::snprintf(text, sizeof text, "%zu %016llx", bytes.content.size(), static_cast<unsigned long long>(hash));
    return text;
  } catch (const std::exception&) {
    return std::nullopt;  // a copy that cannot be read cannot be restored either
  }
}

std::vector<fs::path> AutosaveCopies(const fs::path& folder) {
  std::vector<fs::path> copies;
  std::error_code error;
  if (folder.empty() || !fs::is_directory(folder, error)) return copies;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsAutosaveCopy(*it)) copies.push_back(it->path());
  }
  return copies;
}

std::vector<std::string> SettledFingerprints(const fs::path& folder) {
  try {
    return ReadLineFile(FileInFolder(folder, kAutosavesSettledFileName));
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

namespace {

void WriteSettled(const fs::path& folder, const std::vector<std::string>& fingerprints) {
  std::vector<std::string> lines{kSettledHeading};
  lines.insert(lines.end(), fingerprints.begin(), fingerprints.end());
  try {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    WriteLineFile(FileInFolder(folder, kAutosavesSettledFileName), lines);
  } catch (const std::exception&) {
    // Nothing of the estimate is lost; the next start merely offers again.
  }
}

}  // namespace

void SettleAutosaves(const AppState& state) {
  const fs::path& folder = state.folders.PathTemp;
  if (folder.empty()) return;
  std::vector<std::string> fingerprints;
  for (const fs::path& copy : AutosaveCopies(folder)) {
    if (const auto fingerprint = Fingerprint(copy)) fingerprints.push_back(*fingerprint);
  }
  WriteSettled(folder, fingerprints);
}

void SettleAutosave(const AppState& state, const fs::path& copy) {
  const fs::path& folder = state.folders.PathTemp;
  const std::optional<std::string> settling = Fingerprint(copy);
  if (folder.empty() || !settling) return;
  // The note keeps the copies still present that it already listed, so it
  // never outgrows the folder.
  const std::vector<std::string> settled = SettledFingerprints(folder);
  std::vector<std::string> fingerprints{*settling};
  for (const fs::path& other : AutosaveCopies(folder)) {
    const std::optional<std::string> fingerprint = Fingerprint(other);
    if (fingerprint && *fingerprint != *settling &&
        std::find(settled.begin(), settled.end(), *fingerprint) != settled.end()) {
      fingerprints.push_back(*fingerprint);
    }
  }
  WriteSettled(folder, fingerprints);
}

std::optional<fs::path> UnsettledAutosave(const AppState& state) {
  const fs::path& folder = state.folders.PathTemp;
  const std::vector<std::string> settled = SettledFingerprints(folder);
  std::optional<fs::path> newest;
  std::optional<fs::file_time_type> newestTime;
  for (const fs::path& copy : AutosaveCopies(folder)) {
    const std::optional<std::string> fingerprint = Fingerprint(copy);
    if (!fingerprint || std::find(settled.begin(), settled.end(), *fingerprint) != settled.end()) continue;
    const std::optional<fs::file_time_type> time = ModifiedAt(copy);
    if (!time) continue;
    if (!newestTime || *time > *newestTime) {
      newest = copy;
      newestTime = time;
    }
  }
  return newest;
}

bool OfferAutosaveRecovery(MainContext& ctx) {
  const std::optional<fs::path> copy = UnsettledAutosave(ctx.state);
  if (!copy) return false;
  const std::optional<fs::file_time_type> time = ModifiedAt(*copy);
  const std::string when = time ? " от " + LocalTimeText(*time) : std::string();
  const Answer answer = ctx.messages.AskYesNoCancel(
      "Восстановление сметы",
      "Найдена автоматически сохраненная смета «" + PathText(copy->filename()) + "»" + when +
          ", изменения которой не были сохранены (программа была закрыта аварийно).\r"
          "Восстановить её?\r"
          "Нет — больше не предлагать эту смету; Отмена — спросить при следующем запуске.",
      MessageIcon::Question);
  if (answer == Answer::Cancel) return false;
  if (answer == Answer::No) {
    SettleAutosaves(ctx.state);
    return false;
  }
  return RestoreEstimate(ctx, *copy);
}

}  // namespace verdin
