#include <gtest/gtest.h>

#include <limits>

#include "tick_math.h"

namespace {

using frameinterp::NominalFrameDuration;
using frameinterp::WideTicks;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TEST(NominalFrameDuration, TruncatesDenTimesTenMillionOverNum) {
  EXPECT_EQ(NominalFrameDuration(30000, 1001), 333'666);
  EXPECT_EQ(NominalFrameDuration(25, 1), 400'000);
  EXPECT_EQ(NominalFrameDuration(24000, 1001), 417'083);
  EXPECT_EQ(NominalFrameDuration(3, 1), 3'333'333);
  EXPECT_EQ(NominalFrameDuration(10'000'001, 1), 0);
}

TEST(NominalFrameDuration, HugeRatesStayExactOrSaturate) {
  // den × 10^7 overflows 64 bits here, but the quotient does not.
  EXPECT_EQ(NominalFrameDuration(kMax, kMax), 10'000'000);
  EXPECT_EQ(NominalFrameDuration(kMax / 2, kMax / 4), 4'999'999);  // (2^61 - 1) / (2^62 - 1)
  EXPECT_EQ(NominalFrameDuration(1'000'000'000'000, 999'999'999'999), 9'999'999);
  EXPECT_EQ(NominalFrameDuration(1, kMax), kMax);
  EXPECT_EQ(NominalFrameDuration(1'000'000, kMax / 1000), kMax / 1000 * 10);
}

TEST(NominalFrameDuration, NonPositiveRatesAreUnknown) {
  EXPECT_EQ(NominalFrameDuration(0, 1), 0);
  EXPECT_EQ(NominalFrameDuration(-30, 1), 0);
  EXPECT_EQ(NominalFrameDuration(30, 0), 0);
  EXPECT_EQ(NominalFrameDuration(30, -1), 0);
  EXPECT_EQ(NominalFrameDuration(kMin, kMin), 0);
}

TEST(WideTicks, SumsAndMultiplesCompareExactly) {
  EXPECT_TRUE(WideTicks(kMax) + WideTicks(1) > WideTicks(kMax) + WideTicks(0));
  EXPECT_TRUE(WideTicks(kMin) + WideTicks(-100) < WideTicks(kMin));
  EXPECT_TRUE(WideTicks(kMax) + WideTicks(kMax) > WideTicks(kMax).Times(1));
  EXPECT_FALSE(WideTicks(kMax) + WideTicks(kMax) < WideTicks(kMax).Times(2));
  EXPECT_TRUE(WideTicks(kMax).Times(2) <= WideTicks(kMax) + WideTicks(kMax));
  EXPECT_TRUE(WideTicks(kMin).Times(16) < WideTicks(kMin));
  EXPECT_TRUE(WideTicks(-1) < WideTicks(0));
  EXPECT_TRUE(WideTicks(-5) + WideTicks(5) >= WideTicks(0));
  EXPECT_TRUE(WideTicks(kMin) + WideTicks(kMax) < WideTicks(0));
  EXPECT_TRUE(WideTicks(kMin) + WideTicks(kMax) >= WideTicks(-1));
  EXPECT_TRUE(WideTicks(3).Times(16) >= WideTicks(48));
  EXPECT_TRUE(WideTicks(3).Times(16) <= WideTicks(48));
}

}  // namespace
