// The shipped demo database as the data of a program under test: a
// settings file in the test's own folder that names it, and the demo
// estimate examples/demo.isx of the source tree.
#pragma once

#include <filesystem>
#include <string>

#include "core/folders.h"
#include "test_support.h"

namespace verdin::testing {

inline std::filesystem::path DemoEstimateFile() {
  return std::filesystem::path(VERDIN_DEMO_DATA_DIR).parent_path() / "examples" / "demo.isx";
}

// Writes `folder`/vb_prog.ini naming the demo database, `isxFolder` for the
// input-data files and `folder` for temporaries; returns where it lies.
inline SettingsLocation WriteDemoSettings(const std::filesystem::path& folder,
                                          const std::filesystem::path& isxFolder) {
  WriteLines(folder / "vb_prog.ini", {"DATA= " + std::string(VERDIN_DEMO_DATA_DIR), "ISX= " + isxFolder.string(),
                                      "TEMP= " + folder.string()});
  SettingsLocation location;
  location.iniOverride = folder / "vb_prog.ini";
  return location;
}

}  // namespace verdin::testing
