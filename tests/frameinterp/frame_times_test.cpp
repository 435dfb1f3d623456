// Exact frame times, the seek look-up and the request schedule.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "frame_times.h"

namespace fitool {
namespace {

constexpr Rational kNtsc{30000, 1001};

#if defined(__SIZEOF_INT128__)
// The compiler's own 128-bit type serves as the reference.
__extension__ typedef unsigned __int128 Wide;

TEST(MulDivFloor, MatchesWideArithmeticAndRejectsOverflow) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    const int64_t a = static_cast<int64_t>(random() >> (1 + random() % 63));
    const int64_t b = static_cast<int64_t>(random() >> (1 + random() % 63));
    const int64_t c = std::max<int64_t>(1, static_cast<int64_t>(random() >> (1 + random() % 63)));
    const Wide expected = static_cast<Wide>(a) * b / c;
    const auto got = MulDivFloor(a, b, c);
    if (expected > static_cast<Wide>(std::numeric_limits<int64_t>::max())) {
      EXPECT_FALSE(got.has_value()) << a << " " << b << " " << c;
    } else {
      ASSERT_TRUE(got.has_value()) << a << " " << b << " " << c;
      EXPECT_EQ(static_cast<Wide>(*got), expected) << a << " " << b << " " << c;
    }
  }
}
#endif

TEST(MulDivFloor, RejectsZeroDivisorsAndNegativeFactors) {
  EXPECT_FALSE(MulDivFloor(1, 1, 0).has_value());
  EXPECT_FALSE(MulDivFloor(-1, 1, 1).has_value());
  EXPECT_EQ(MulDivFloor(std::numeric_limits<int64_t>::max(), 3, 3),
            std::numeric_limits<int64_t>::max());
}

TEST(FrameTime, IsExactForNtscRatesWithoutAccumulatedRounding) {
  EXPECT_EQ(FrameTime(0, kNtsc), 0);
  EXPECT_EQ(FrameTime(1, kNtsc), 333666);
  EXPECT_EQ(FrameTime(2, kNtsc), 667333);
  EXPECT_EQ(FrameTime(3, kNtsc), 1001000);
  // Summing the truncated duration would drift by 0.67 ticks a frame.
  EXPECT_EQ(FrameTime(1'000'000, kNtsc), 333'666'666'666);
  EXPECT_EQ(FrameTime(7, Rational{25, 1}), 2'800'000);
}

TEST(FrameTime, TimelineFitsOnlyWhileTheEndTimeFits) {
  const Rational slowest{1, 1000};  // 10^10 ticks a frame
  EXPECT_TRUE(TimelineFits(slowest, 900'000'000));
  EXPECT_FALSE(TimelineFits(slowest, 1'000'000'000));
  EXPECT_TRUE(TimelineFits(kNtsc, 2'147'483'647));
}

TEST(FrameIndexAt, FindsTheFrameCoveringATimeOfAnEndlessStream) {
  struct Case {
    int64_t pts;
    int64_t index;
  };
  for (const Case c : {Case{-5, 0}, Case{0, 0}, Case{333'665, 0}, Case{333'666, 1},
                       Case{667'332, 1}, Case{667'333, 2}, Case{333'666'666'666, 1'000'000},
                       Case{std::numeric_limits<int64_t>::max(), 27'642'473'636'927}}) {
    EXPECT_EQ(FrameIndexAt(c.pts, kNtsc), c.index) << c.pts;
  }
}

TEST(RequestTimes, CoverTheClipUpToItsEnd) {
  // 30 frames at 30 fps last one second: 60 frames at 60 fps, 75 at 75.
  const int64_t second = FrameTime(30, Rational{30, 1});
  EXPECT_EQ(RequestCount({60, 1}, second), 60);
  EXPECT_EQ(RequestCount({75, 1}, second), 75);
  EXPECT_EQ(RequestTimes({75, 1}, second).size(), 75u);
  // Rounded down to ticks, a time can fall just before the end.
  EXPECT_EQ(RequestCount(kNtsc, 333'667), 2);
  EXPECT_EQ(RequestCount(kNtsc, 333'666), 1);
  EXPECT_EQ(RequestCount({48, 1}, 0), 0);
  EXPECT_EQ(RequestCount({100000, 1}, std::numeric_limits<int64_t>::max()),
            92'233'720'368'547'759);
}

}  // namespace
}  // namespace fitool
