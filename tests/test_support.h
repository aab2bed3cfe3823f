// Helpers shared by the tests: a temporary folder that removes itself,
// writers of Windows-1251 line files from UTF-8 lines, a file's bytes, and
// running a command (a Python interpreter with a given module among them).
#pragma once

#if __has_include(<sys/wait.h>)
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "core/line_file.h"
#include "core/platform_files.h"

namespace verdin::testing {

class TempFolder {
 public:
  TempFolder() {
    if (platform::CreatePrivateFolder(std::filesystem::temp_directory_path(), "verdin-test-", path_) != 0) {
      throw std::runtime_error("no temporary folder");
    }
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Names are UTF-8 texts (or paths), as everywhere in the program.
  std::filesystem::path operator/(const std::string& name) const { return path_ / PathFromText(name); }
  std::filesystem::path operator/(const char* name) const { return path_ / PathFromText(name); }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A path written with "/" as the system shows it: "/a/b" stays on Linux
// and reads "\\a\\b" on Windows.
inline std::string NativeText(std::string_view text) { return PathText(PathFromText(text).make_preferred()); }

// A file named by a path or by a UTF-8 text, as the program names files
// (a narrow text made into a path directly is read in the system's code
// page on Windows).
struct FileName {
  FileName(std::filesystem::path name) : path(std::move(name)) {}
  FileName(const std::string& text) : path(PathFromText(text)) {}
  FileName(const char* text) : path(PathFromText(text)) {}
  std::filesystem::path path;
};

// Writes UTF-8 lines as a Windows-1251 file with CR LF line ends.
inline void WriteLines(const FileName& file, const std::vector<std::string>& lines) {
  WriteLineFile(file.path, lines);
}

// The bytes of a file as they are on disk; empty for a file that cannot be
// read.
inline std::string Bytes(const FileName& file) {
  std::ifstream in(file.path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes the bytes as the whole file.
inline void PutBytes(const FileName& file, std::string_view bytes) {
  std::ofstream out(file.path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder, sorted; empty for a folder that does not exist.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A text as one word for the shell, whatever characters it holds.
inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct CommandOutput {
  int status = -1;  // the exit status; -1 when the command did not run or end normally
  std::string text;  // what it wrote to its standard output
};

// The exit status of a finished command as pclose gives it; -1 when it
// did not end normally. (Windows' pclose gives the exit code itself.)
inline int ExitStatus(int status) {
#if __has_include(<sys/wait.h>)
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
  return status;
#endif
}

// Runs a shell command and collects its standard output.
inline CommandOutput RunCommand(const std::string& command) {
  CommandOutput output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.text.append(buffer, got);
  const int status = ::pclose(pipe);
  output.status = ExitStatus(status);
  return output;
}

// A Python interpreter that can import `module`: the system's own first
// (where the distribution's packages, python3-xlrd and python3-openpyxl,
// install), else the first python3 on the path; empty when neither can.
inline std::string PythonWith(const std::string& module) {
  static std::map<std::string, std::string> chosen;
  const auto known = chosen.find(module);
  if (known != chosen.end()) return known->second;
  std::string found;
  for (const char* candidate : {"/usr/bin/python3", "python3"}) {
    const std::string probe = std::string(candidate) + " -c " + ShellQuoted("import " + module) + " >/dev/null 2>&1";
    if (RunCommand(probe).status == 0) {
      found = candidate;
      break;
    }
  }
  chosen.emplace(module, found);
  return found;
}

// Runs a dump script on a file with `python` and returns what it printed;
// throws when the script fails.
inline std::string RunDumpScript(const std::string& python, const std::filesystem::path& script,
                                 const std::filesystem::path& file) {
  const CommandOutput output =
      RunCommand(python + " " + ShellQuoted(script.string()) + " " + ShellQuoted(file.string()));
  if (output.status != 0) {
    throw std::runtime_error(script.filename().string() + " failed on " + file.string() + ": " + output.text);
  }
  return output.text;
}

}  // namespace verdin::testing
