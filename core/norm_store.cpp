#include "core/norm_store.h"

namespace verdin {

std::string NormStore::Note(int t) const {
  if (t < 0 || t >= static_cast<int>(Prim.size())) return {};
  return Prim[static_cast<std::size_t>(t)];
}

double NormStore::SmrD(int i, int f) const {
  if (i < 0 || i >= SmrLineCount() || f < 0) return 0;
  const auto& numbers = Smr[static_cast<std::size_t>(i)].numbers;
  return f < static_cast<int>(numbers.size()) ? numbers[static_cast<std::size_t>(f)] : 0;
}

}  // namespace verdin
