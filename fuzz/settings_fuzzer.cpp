// The settings file: its lines applied to the folders directly, and the
// whole file read from disk as the start-up reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/folders.h"
#include "core/line_file.h"
#include "core/norm_loader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace verdin;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  Folders direct;
  try {
    ApplySettingsLines(SplitLines(bytes), "vb_prog.ini", direct);
    (void)FileInFolder(direct.PathData, kSettingsFileName);
    (void)DiskOf(direct.PathIsx);
  } catch (const SettingsError&) {
  }

  const auto file = fuzz::WriteInput(kSettingsFileName, data, size);
  Folders read;
  try {
    ChtIni(file, read);
    (void)FileInFolder(read.PathData, kTablesFileName);
    (void)FileInFolder(read.PathTemp, "x");
    (void)DiskOf(read.PathIsx);
  } catch (const SettingsError&) {
  }
  return 0;
}
