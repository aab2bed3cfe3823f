// The estimates opened or saved last, newest first, for the open window
// and `verdin --recent`. The list is kept per user beside the window
// places and written by the atomic writer; an entry whose file is gone is
// shown greyed and removed when it is chosen.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/messages.h"
#include "forms/open_estimate.h"

namespace verdin {

inline constexpr const char* kRecentFileName = "recent_estimates.txt";
inline constexpr std::size_t kRecentEstimates = 8;

class RecentEstimates {
 public:
  // `store` is the list's file; an empty path keeps the list in memory
  // only. The file is read at once: a missing or unreadable one is an
  // empty list.
  explicit RecentEstimates(std::filesystem::path store);

  const std::vector<std::filesystem::path>& Files() const { return files_; }

  // Puts `file` first (an earlier entry of it goes), keeps the newest
  // kRecentEstimates and writes the list. Returns the Russian reason when
  // the list could not be written; the list in memory is right anyway.
  std::optional<std::string> Remember(const std::filesystem::path& file);
  // Removes `file` and writes the list.
  std::optional<std::string> Forget(const std::filesystem::path& file);

 private:
  std::optional<std::string> Write() const;

  std::filesystem::path store_;
  std::vector<std::filesystem::path> files_;
};

// Whether an entry's file is still there.
bool RecentFilePresent(const std::filesystem::path& file);

// Entry `index` chosen in the open window: what the open dialog hands
// back for it (the file and its summary). An entry whose file is gone is
// removed with a message, and nullopt is returned.
std::optional<OpenChoice> ChooseRecent(RecentEstimates& recent, int index, Messages& messages);

// The lines `verdin --recent` prints: one file a line, newest first, a
// missing one marked.
std::vector<std::string> RecentLines(const RecentEstimates& recent);

}  // namespace verdin
