// The small state files in which the coefficient and general-data windows
// keep their contents from one run to the next.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_reader.h"
#include "core/messages.h"

namespace verdin {

inline constexpr const char* kStateFileReadErrorTitle = "Ошибка чтения файла";

// What a state file holds, as its messages name it: "коэффициентов",
// "общих данных" ("Файл коэффициентов «…»", "В файле общих данных «…»").
struct StateFileKind {
  std::string_view contents;
  // Appended to every message of a file that is not taken, e.g.
  // " Загружены данные по умолчанию."
  std::string_view defaultsKept;
};

// Reads a state file and hands its lines to `parse`. A missing file is
// silently left alone (the window keeps its initial contents). A file that
// cannot be read, or whose lines `parse` finds faulty (through the
// reader's Fail… functions), is reported under "Ошибка чтения файла" with
// the file, the line and what was expected there. Returns true only when
// `parse` has read the whole file.
bool ParseStateFile(const std::filesystem::path& file, const StateFileKind& kind, Messages& messages,
                    const std::function<void(LineReader&)>& parse);

// The next line as a check box state: the digit 0 or 1 with blanks around
// it. Anything else is a fault: "ожидалась <what>, а записано «…»."
bool ReadCheckState(LineReader& reader, std::string_view what);

// Writes a state file (atomically). A failure is reported with the path
// and the reason under "Ошибка записи!!"; returns false then.
bool WriteStateFileLines(const std::filesystem::path& file, const std::vector<std::string>& lines,
                         Messages& messages);

}  // namespace verdin
