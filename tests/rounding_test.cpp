// Rounding half away from zero, the same on every system's C library.
#include "core/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace verdin {
namespace {

TEST(Rounding, HalvesGoAwayFromZeroAndNothingBelowAHalfDoes) {
  EXPECT_EQ(RoundHalfAwayFromZero(0.49999999999999994), 0.0);
  EXPECT_EQ(RoundHalfAwayFromZero(-0.49999999999999994), 0.0);
  EXPECT_EQ(RoundHalfAwayFromZero(0.5), 1.0);
  EXPECT_EQ(RoundHalfAwayFromZero(-0.5), -1.0);
  EXPECT_EQ(RoundHalfAwayFromZero(2.5), 3.0);
  EXPECT_EQ(RoundHalfAwayFromZero(-2.5), -3.0);
  EXPECT_EQ(RoundHalfAwayFromZero(1234.4999), 1234.0);
  // Above 2^52 every double is whole already.
  EXPECT_EQ(RoundHalfAwayFromZero(4503599627370497.0), 4503599627370497.0);
  EXPECT_EQ(RoundHalfAwayFromZero(std::numeric_limits<double>::infinity()),
            std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(RoundHalfAwayFromZero(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
}  // namespace verdin
