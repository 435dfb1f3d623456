#include <gtest/gtest.h>

#include <limits>

#include "tick_math.h"

namespace {

using frameinterp::NominalFrameDuration;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TEST(NominalFrameDuration, TruncatesExactlySaturatesAndKnowsNoNonPositiveDuration) {
  struct Case {
    int64_t num, den, duration;
  };
  for (const Case& c : {
           Case{30000, 1001, 333'666}, Case{25, 1, 400'000}, Case{24000, 1001, 417'083},
           Case{3, 1, 3'333'333}, Case{10'000'001, 1, 0},
           // den × 10^7 overflows 64 bits here, but the quotient does not.
           Case{kMax, kMax, 10'000'000}, Case{kMax / 2, kMax / 4, 4'999'999},
           Case{1'000'000'000'000, 999'999'999'999, 9'999'999}, Case{1, kMax, kMax},
           Case{1'000'000, kMax / 1000, kMax / 1000 * 10},
           // Signed division: two negative signs cancel, even at the most negative value.
           Case{-25, -1, 400'000}, Case{-30000, -1001, 333'666}, Case{kMin, kMin, 10'000'000},
           Case{kMin, -1, 0}, Case{-1, kMin, kMax},
           // Without a positive duration, none is known.
           Case{0, 1, 0}, Case{0, -1, 0}, Case{-30, 1, 0}, Case{30, 0, 0}, Case{-30, 0, 0},
           Case{30, -1, 0}}) {
    EXPECT_EQ(NominalFrameDuration(c.num, c.den), c.duration) << c.num << " / " << c.den;
  }
}

}  // namespace
