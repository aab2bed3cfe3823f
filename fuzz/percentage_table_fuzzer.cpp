// The construction-cost percentage table, then pricing from it in every category.
#include <cstddef>
#include <cstdint>

#include "core/norm_loader.h"
#include "norm_file_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  verdin::fuzz::LoadAndUse(data, size, verdin::kPercentageFileName, verdin::LoadPercentageTable);
  return 0;
}
