// Writes a test estimate of a given number of items: the items of an
// input-data file repeated in their order until the count is reached (a
// share keeps pointing at its source in the first round). The benchmarks
// and the Windows test take their 50-item estimate from it, so that only
// isx/ knows the file's layout.
//   verdin_estimate_of_items SOURCE.isx COUNT TARGET.isx
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/limits.h"
#include "core/line_file.h"
#include "isx/isx_file.h"

int main(int argc, char** argv) {
  using namespace verdin;
  if (argc != 4) {
    std::cerr << "Использование: verdin_estimate_of_items ИСХОДНЫЙ.isx ЧИСЛО НОВЫЙ.isx\n";
    return 2;
  }
  const int count = std::atoi(argv[2]);
  if (count < 1 || count > kMaxItems) {
    std::cerr << "Число позиций должно быть от 1 до " << kMaxItems << ".\n";
    return 2;
  }
  try {
    const IsxContent source = ReadIsx(PathFromText(argv[1]));
    if (source.items.empty()) {
      std::cerr << "В файле «" << argv[1] << "» нет позиций.\n";
      return 1;
    }
    Estimate estimate;
    estimate.summary = source.summary;
    for (int k = 0; k < count; ++k) estimate.items.push_back(source.items[static_cast<std::size_t>(k) % source.items.size()]);
    WriteIsx(estimate, source.general, PathFromText(argv[3]));
  } catch (const std::exception& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
  return 0;
}
