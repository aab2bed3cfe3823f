#include "forms/state_file.h"

#include <system_error>

#include "core/line_file.h"

namespace verdin {

std::optional<std::vector<std::string>> ReadStateFileLines(const std::filesystem::path& file, Messages& messages,
                                                           const std::string& defaultsKept) {
  std::error_code error;
  if (std::filesystem::status(file, error).type() == std::filesystem::file_type::not_found) return std::nullopt;
  try {
    return ReadLineFile(file);
  } catch (const FileError& failure) {
    messages.Show(kStateFileReadErrorTitle, std::string(failure.what()) + defaultsKept, MessageIcon::Exclamation);
    return std::nullopt;
  }
}

bool WriteStateFileLines(const std::filesystem::path& file, const std::vector<std::string>& lines,
                         Messages& messages) {
  try {
    WriteLineFile(file, lines);
    return true;
  } catch (const FileError& failure) {
    messages.Show("Ошибка записи!!", failure.what(), MessageIcon::Exclamation);
    return false;
  }
}

}  // namespace verdin
