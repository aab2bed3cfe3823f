// The notes file, then the note of every table.
#include <cstddef>
#include <cstdint>

#include "core/norm_loader.h"
#include "norm_file_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  verdin::fuzz::LoadAndUse(data, size, verdin::kNotesFileName, verdin::LoadNotes);
  return 0;
}
