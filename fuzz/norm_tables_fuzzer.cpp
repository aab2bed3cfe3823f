// The norm tables file, then every row of every table priced at a few quantities.
#include <cstddef>
#include <cstdint>

#include "core/norm_loader.h"
#include "norm_file_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  verdin::fuzz::LoadAndUse(data, size, verdin::kTablesFileName, verdin::LoadNormTables);
  return 0;
}
