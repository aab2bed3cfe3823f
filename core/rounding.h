// Rounding half away from zero, computed here rather than taken from the C
// library: mingw-w64's round() adds one half and floors, which turns the
// largest double below one half (0.49999999999999994) into 1.
#pragma once

#include <cmath>

namespace verdin {

// The whole number nearest to `value`, halves away from zero. Exact for
// every double: the fraction value - trunc(value) is computed without
// rounding.
inline double RoundHalfAwayFromZero(double value) {
  const double whole = std::trunc(value);
  const double fraction = value - whole;
  if (std::fabs(fraction) >= 0.5) return whole + std::copysign(1.0, value);
  return whole;
}

}  // namespace verdin
