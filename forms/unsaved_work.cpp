#include "forms/unsaved_work.h"

#include <chrono>
#include <ctime>
#include <string>
#include <system_error>

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

bool ConfirmExit(MainContext& ctx, const std::function<void()>& save) {
  if (ctx.state.unsavedChanges) {
    const Answer answer = ctx.messages.AskYesNoCancel(
        "Выход из программы",
        "Смета изменена после последнего сохранения.\rСохранить изменения в смете?", MessageIcon::Question);
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::Yes) {
      save();
      // A cancelled or failed save keeps the program and the estimate.
      if (ctx.state.unsavedChanges) return false;
    }
  }
  SettleAutosaves(ctx.state);
  return true;
}

void SettleAutosaves(const AppState& state) {
  const fs::path& folder = state.folders.PathTemp;
  if (folder.empty()) return;
  try {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    WriteLineFile(FileInFolder(folder, kAutosavesSettledFileName),
                  {"Автосохраненные сметы старше этого файла записаны или отклонены пользователем."});
  } catch (const std::exception&) {
    // Nothing of the estimate is lost; the next start merely offers again.
  }
}

std::optional<fs::path> UnsettledAutosave(const AppState& state) {
  const fs::path& folder = state.folders.PathTemp;
  std::error_code error;
  if (folder.empty() || !fs::is_directory(folder, error)) return std::nullopt;
  const std::optional<fs::file_time_type> settled = ModifiedAt(FileInFolder(folder, kAutosavesSettledFileName));
  std::optional<fs::path> newest;
  std::optional<fs::file_time_type> newestTime;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!IsAutosaveCopy(*it)) continue;
    const std::optional<fs::file_time_type> time = ModifiedAt(it->path());
    if (!time || (settled && *time <= *settled)) continue;
    if (!newestTime || *time > *newestTime) {
      newest = it->path();
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
  const bool restore = ctx.messages.AskYesNo(
      "Восстановление сметы",
      "Найдена автоматически сохраненная смета «" + PathText(copy->filename()) + "»" + when +
          ", изменения которой не были сохранены (программа была закрыта аварийно).\r"
          "Восстановить её?",
      MessageIcon::Question);
  if (!restore) {
    SettleAutosaves(ctx.state);
    return false;
  }
  if (!OpenEstimate(ctx, *copy)) return false;
  // The restored work lives in the temporary folder only.
  ctx.state.unsavedChanges = true;
  return true;
}

}  // namespace verdin
