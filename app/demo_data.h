// Where the shipped demo database lies: beside an installed program in
// ../share/verdin/data, else in the source tree the program was built from.
#pragma once

#include <filesystem>
#include <system_error>

namespace verdin {

inline std::filesystem::path FindDemoData() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const auto installed = self.parent_path().parent_path() / "share" / "verdin" / "data";
    if (std::filesystem::is_directory(installed, error)) return installed;
  }
  return VERDIN_DEMO_DATA_DIR;
}

}  // namespace verdin
