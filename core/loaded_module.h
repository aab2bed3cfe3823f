// A module: a shared library loaded when it is first needed, so that a
// program pays for the large libraries behind it (the spreadsheet and PDF
// writers) only when it uses them. Modules lie beside the program (the
// build folder) or, for an installed program, in <prefix>/lib/verdin.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verdin {

// A module that cannot be found (missing), or that is found but cannot be
// loaded or lacks a function (broken). The text is Russian and names the
// file: "файла «…» нет в папках …", "модуль «…» повреждён или не от этой
// версии программы: <reason>", the system's reason last.
class ModuleError : public std::runtime_error {
 public:
  enum class Kind { Missing, Broken };
  ModuleError(Kind kind, std::filesystem::path module, const std::string& text, std::string reason = {})
      : std::runtime_error(text), kind_(kind), module_(std::move(module)), reason_(std::move(reason)) {}

  Kind kind() const { return kind_; }
  // The module file, or its bare name when none was found.
  const std::filesystem::path& module() const { return module_; }
  // Why a broken module cannot be used, the system's words included.
  const std::string& reason() const { return reason_; }

 private:
  Kind kind_;
  std::filesystem::path module_;
  std::string reason_;
};

// Throws ModuleError (broken) for the module, with the reason.
[[noreturn]] void ThrowBrokenModule(const std::filesystem::path& module, const std::string& reason);

// The file name of the module `name` on this system: "verdin-xls.so" on
// Linux, "verdin-xls.dll" on Windows.
std::string ModuleFileName(std::string_view name);

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

  // The exported function `name` as a pointer to Function; ModuleError
  // (broken) when the module has no such function.
  template <typename Function>
  Function* Find(const char* name) const {
    return reinterpret_cast<Function*>(Address(name));
  }

  const std::filesystem::path& path() const { return path_; }

 private:
  void* Address(const char* name) const;

  std::filesystem::path path_;
  void* handle_ = nullptr;
};

}  // namespace verdin
