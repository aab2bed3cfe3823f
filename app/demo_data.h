// Where the shipped demo database lies: in data beside the program (the
// Windows package), in ../share/verdin/data (a program installed on
// Linux), else in the source tree the program was built from.
#pragma once

#include <filesystem>
#include <system_error>

#include "core/platform_files.h"

namespace verdin {

inline std::filesystem::path FindDemoData() {
  std::error_code error;
  const auto self = platform::ProgramFile();
  if (!self.empty()) {
    const auto folder = self.parent_path();
    for (const auto& installed : {folder / "data", folder.parent_path() / "share" / "verdin" / "data"}) {
      if (std::filesystem::is_directory(installed, error)) return installed;
    }
  }
  return VERDIN_DEMO_DATA_DIR;
}

}  // namespace verdin
