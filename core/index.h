// Item, row and column numbers are ints, as the windows and the files count
// them; arrays are indexed by std::size_t. At() converts one to the other in
// one visible place instead of a cast at every subscript.
#pragma once

#include <cstddef>

namespace verdin {

constexpr std::size_t At(int index) { return static_cast<std::size_t>(index); }

}  // namespace verdin
