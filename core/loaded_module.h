// A module: a shared library loaded when it is first needed, so that a
// program pays for the large libraries behind it (the spreadsheet and PDF
// writers) only when it uses them. Modules lie beside the program (the
// build folder) or, for an installed program, in <prefix>/lib/verdin.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace verdin {

// A module that cannot be found or loaded, or lacks a function. The text
// is Russian and names the file and the system's reason.
class ModuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folders searched for a module, in order: the program's own folder,
// then the install's library folder (<program folder>/../lib/verdin).
std::vector<std::filesystem::path> ModuleFolders();

// Owns one loaded module. The library stays mapped after the owner goes
// away: libraries such as glib and Qt keep process-wide state that must
// not be unmapped, and a later load then costs nothing.
class LoadedModule {
 public:
  // Loads the first `fileName` found in ModuleFolders(). Throws
  // ModuleError when none exists or the one found cannot be loaded.
  explicit LoadedModule(const std::string& fileName);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  // The exported function `name` as a pointer to Function; ModuleError when
  // the module has no such function.
  template <typename Function>
  Function* Find(const char* name) const {
    return reinterpret_cast<Function*>(Address(name));
  }

 private:
  void* Address(const char* name) const;

  std::filesystem::path path_;
  void* handle_ = nullptr;
};

}  // namespace verdin
