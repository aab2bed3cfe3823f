// The working folders and the settings file "vb_prog.ini".
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app_state.h"

namespace verdin {

inline constexpr const char* kSettingsFileName = "vb_prog.ini";

// A settings file that cannot be read or holds a malformed line. what() is
// the Russian message for the user, naming the file and the line.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file inside a working folder. A folder that the settings leave empty
// means the root folder, as the program always did ("\" + name).
std::filesystem::path FileInFolder(const std::filesystem::path& folder, const std::string& name);

// Applies the lines of a settings file to the folders: the key is the text
// before the first "=", trimmed and compared without regard to case; the
// value starts at the second character after the "=" and is trimmed; a
// later key wins; unknown keys are ignored. A line without "=" is an error
// that names the file and the line.
void ApplySettingsLines(const std::vector<std::string>& lines,
                        const std::filesystem::path& file, Folders& folders);

// ChtIni: reads the settings file, sets PathWin to its folder, the four
// folders from its keys and DiskIsx from PathIsx.
void ChtIni(const std::filesystem::path& settingsFile, Folders& folders);

// First two characters of the input-data folder (the drive on Windows).
std::string DiskOf(const std::filesystem::path& folder);

// Where the program looks for its settings and keeps its own data.
struct SettingsLocation {
  std::optional<std::filesystem::path> iniOverride;  // --ini FILE
  std::filesystem::path configFolder;   // $XDG_CONFIG_HOME/verdin
  std::filesystem::path windowsFolder;  // C:\Windows on Windows, empty on Linux
  std::filesystem::path userFolder;     // $XDG_DATA_HOME/verdin
  std::filesystem::path demoData;       // the shipped demo database
};

// The usual location from the environment ($XDG_CONFIG_HOME,
// $XDG_DATA_HOME, $HOME), with the given demo database.
SettingsLocation DefaultSettingsLocation(const std::filesystem::path& demoData);

// Sets the folders for a run: the settings file named with --ini (which
// must exist), else the one in the Windows folder (an older installation's,
// only read), else the one in the configuration folder, else the built-in
// layout in the user's folder (data/ seeded from the demo database, Isx/,
// Temp/, created when missing). Throws SettingsError or FileError.
void SetUpFolders(const SettingsLocation& location, Folders& folders);

// The built-in layout: PathProg = the user's folder, data/, Isx/, Temp/ in
// it. Creates missing folders and copies the demo database files that the
// data folder lacks (files already there are never overwritten).
void UseBuiltInLayout(const std::filesystem::path& userFolder,
                      const std::filesystem::path& demoData, Folders& folders);

}  // namespace verdin
