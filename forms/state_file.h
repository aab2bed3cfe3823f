// The small state files in which the coefficient and general-data windows
// keep their contents from one run to the next.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/messages.h"

namespace verdin {

inline constexpr const char* kStateFileReadErrorTitle = "Ошибка чтения файла";

// The lines of a state file. A missing file gives nullopt silently (the
// window keeps its initial contents); a file that cannot be read is
// reported with the reason followed by `defaultsKept`, and gives nullopt.
std::optional<std::vector<std::string>> ReadStateFileLines(const std::filesystem::path& file, Messages& messages,
                                                           const std::string& defaultsKept);

// Writes a state file (atomically). A failure is reported with the path
// and the reason under "Ошибка записи!!"; returns false then.
bool WriteStateFileLines(const std::filesystem::path& file, const std::vector<std::string>& lines,
                         Messages& messages);

}  // namespace verdin
