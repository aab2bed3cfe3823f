#include "core/norm_store.h"

namespace verdin {

std::string NormStore::Note(int t) const {
  if (t < 1 || t > static_cast<int>(Prim.size())) return {};
  return Prim[static_cast<std::size_t>(t - 1)];
}

double NormStore::SmrD(int i, int f) const {
  if (i < 1 || i > SmrLineCount() || f < 0) return 0;
  const auto& numbers = Smr[static_cast<std::size_t>(i - 1)].numbers;
  return f < static_cast<int>(numbers.size()) ? numbers[static_cast<std::size_t>(f)] : 0;
}

}  // namespace verdin
