#include "workbook/norm_workbook.h"

#include "core/line_file.h"
#include "core/loaded_module.h"
#include "workbook/sheet.h"
#include "workbook/writer_module.h"

namespace verdin {

namespace {

constexpr const char* kModuleName = "verdin-norms";
constexpr const char* kModuleFormat = "norms";

// Runs `call` with the module's entry `entry`, after the module has said
// it is the norm module of this version.
template <typename Function, typename Call>
void WithEntry(const char* entry, const std::filesystem::path& file, const std::string& failed, Call call) {
  std::string message;
  bool done = false;
  try {
    const LoadedModule module(ModuleFileName(kModuleName));
    const char* stamp = module.Find<WriterFormatFunction>(kWriterFormatFunction)();
    if (stamp == nullptr || stamp != WriterStamp(kModuleFormat)) {
      ThrowBrokenModule(module.path(), "он не от этой версии программы");
    }
    done = call(*module.Find<Function>(entry), message);
  } catch (const ModuleError& error) {
    throw SheetOperationError("Модуль книг базы норм недоступен, " + failed + ": " + error.what() + ".");
  }
  if (done) return;
  if (message.empty()) message = "Файл «" + PathText(file) + "»: недостаточно памяти.";
  throw SheetOperationError(message);
}

}  // namespace

void WriteNormWorkbook(const std::vector<GridSheet>& sheets, const std::filesystem::path& file) {
  WithEntry<WriteNormsFunction>("verdin_write_norms", file, "книга «" + PathText(file) + "» не записана",
                                [&](WriteNormsFunction& write, std::string& message) {
                                  return write(sheets, file, message);
                                });
}

std::vector<GridSheet> ReadNormWorkbook(const std::filesystem::path& file) {
  std::vector<GridSheet> sheets;
  WithEntry<ReadNormsFunction>("verdin_read_norms", file, "книга «" + PathText(file) + "» не прочитана",
                               [&](ReadNormsFunction& read, std::string& message) {
                                 return read(file, sheets, message);
                               });
  return sheets;
}

}  // namespace verdin
