#include "core/loaded_module.h"

#include <optional>
#include <system_error>

#include "core/line_file.h"
#include "core/module_image.h"
#include "core/platform_files.h"

namespace verdin {

namespace {

std::string FolderList(const std::vector<std::filesystem::path>& folders) {
  std::string list;
  for (const auto& folder : folders) list += (list.empty() ? "«" : ", «") + PathText(folder) + "»";
  return list;
}

// Refuses a module file whose headers claim more than the file holds,
// before the loader maps it and crashes on the missing part.
void CheckImage(const std::filesystem::path& module) {
  constexpr std::uintmax_t kLargestModule = 512U << 20;
  platform::FileDescriptor file;
  std::string image;
  int error = platform::OpenForReading(module, file);
  if (error == 0) error = platform::ReadAll(file, image, kLargestModule);
  if (error != 0) ThrowBrokenModule(module, "не читается: " + SystemErrorText(error));
  if (const std::optional<std::string> fault = ModuleImageFault(image)) ThrowBrokenModule(module, *fault);
}

}  // namespace

void ThrowBrokenModule(const std::filesystem::path& module, const std::string& reason) {
  // The Russian words first, the system's own reason (English) after them.
  throw ModuleError(ModuleError::Kind::Broken, module,
                    "модуль «" + PathText(module) + "» повреждён или не от этой версии программы: " + reason, reason);
}

std::string ModuleFileName(std::string_view name) { return std::string(name) + std::string(platform::ModuleSuffix()); }

std::vector<std::filesystem::path> ModuleFolders() {
  const auto self = platform::ProgramFile();
  if (self.empty()) return {};
  const auto folder = self.parent_path();
  return {folder, (folder.parent_path() / "lib" / "verdin").lexically_normal()};
}

LoadedModule::LoadedModule(const std::string& fileName) {
  const auto folders = ModuleFolders();
  for (const auto& folder : folders) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(folder / fileName, error)) continue;
    path_ = folder / fileName;
    CheckImage(path_);
    std::string reason;
    handle_ = platform::LoadLibraryFile(path_, reason);
    if (handle_ == nullptr) ThrowBrokenModule(path_, "не загружается: " + reason);
    return;
  }
  throw ModuleError(ModuleError::Kind::Missing, fileName, "файла «" + fileName + "» нет в папках " + FolderList(folders));
}

LoadedModule::~LoadedModule() { platform::ReleaseLibrary(handle_); }

void* LoadedModule::Address(const char* name) const {
  std::string reason;
  void* address = platform::LibraryFunction(handle_, name, reason);
  if (address == nullptr) ThrowBrokenModule(path_, std::string("нет функции ") + name + ": " + reason);
  return address;
}

}  // namespace verdin
