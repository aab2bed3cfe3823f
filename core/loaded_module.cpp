#include "core/loaded_module.h"

#include <dlfcn.h>

#include <system_error>

#include "core/line_file.h"

namespace verdin {

namespace {

// The system's last loader failure, or a plain word when it has none.
std::string LoaderReason() {
  const char* reason = ::dlerror();
  return reason != nullptr ? reason : "причина неизвестна";
}

std::string FolderList(const std::vector<std::filesystem::path>& folders) {
  std::string list;
  for (const auto& folder : folders) list += (list.empty() ? "«" : ", «") + PathText(folder) + "»";
  return list;
}

}  // namespace

void ThrowBrokenModule(const std::filesystem::path& module, const std::string& reason) {
  // The Russian words first, the system's own reason (English) after them.
  throw ModuleError(ModuleError::Kind::Broken, module,
                    "модуль «" + PathText(module) + "» повреждён или не от этой версии программы: " + reason, reason);
}

std::vector<std::filesystem::path> ModuleFolders() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const auto folder = self.parent_path();
  return {folder, (folder.parent_path() / "lib" / "verdin").lexically_normal()};
}

LoadedModule::LoadedModule(const std::string& fileName) {
  const auto folders = ModuleFolders();
  for (const auto& folder : folders) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(folder / fileName, error)) continue;
    path_ = folder / fileName;
    // Its own symbols stay private (RTLD_LOCAL); RTLD_NODELETE keeps the
    // libraries behind it loaded for the rest of the process.
    handle_ = ::dlopen(path_.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_ == nullptr) ThrowBrokenModule(path_, "не загружается: " + LoaderReason());
    return;
  }
  throw ModuleError(ModuleError::Kind::Missing, fileName, "файла «" + fileName + "» нет в папках " + FolderList(folders));
}

LoadedModule::~LoadedModule() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* LoadedModule::Address(const char* name) const {
  ::dlerror();
  void* address = ::dlsym(handle_, name);
  if (address == nullptr) ThrowBrokenModule(path_, std::string("нет функции ") + name + ": " + LoaderReason());
  return address;
}

}  // namespace verdin
