// Where the shipped demo database lies: beside an installed program in
// ../share/verdin/data, else in the source tree the program was built from.
#pragma once

#include <filesystem>
#include <system_error>

#include "core/platform_files.h"

namespace verdin {

inline std::filesystem::path FindDemoData() {
  std::error_code error;
  const auto self = platform::ProgramFile();
  if (!self.empty()) {
    const auto installed = self.parent_path().parent_path() / "share" / "verdin" / "data";
    if (std::filesystem::is_directory(installed, error)) return installed;
  }
  return VERDIN_DEMO_DATA_DIR;
}

}  // namespace verdin
