// Helpers shared by the tests: a temporary folder that removes itself and
// writers of Windows-1251 line files from UTF-8 lines.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/line_file.h"

namespace verdin::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "verdin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes UTF-8 lines as a Windows-1251 file with CR LF line ends.
inline void WriteLines(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  WriteLineFile(file, lines);
}

}  // namespace verdin::testing
