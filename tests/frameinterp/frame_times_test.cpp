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

TEST(RequestSchedule, RunsWhileTimesReachTheLastFrame) {
  // Ten frames at 30000/1001 doubled: the last request lands on the last frame.
  const std::vector<int64_t> doubled = RequestSchedule({60000, 1001}, FrameTime(9, kNtsc));
  ASSERT_EQ(doubled.size(), 19u);
  for (size_t k = 0; k < doubled.size(); ++k) {
    EXPECT_EQ(doubled[k], FrameTime(static_cast<int64_t>(k), Rational{60000, 1001}));
  }
  EXPECT_EQ(doubled.back(), FrameTime(9, kNtsc));

  // 25 fps to 30000/1001: 2 s of input (50 frames, last at 1.96 s) gives
  // requests up to floor(1.96 × 29.97) = 58.
  const std::vector<int64_t> ntsc = RequestSchedule(kNtsc, FrameTime(49, Rational{25, 1}));
  ASSERT_EQ(ntsc.size(), 59u);
  EXPECT_EQ(ntsc[58], 19'352'666);
  EXPECT_LE(ntsc.back(), 19'600'000);

  // One frame: one request at 0.
  EXPECT_EQ(RequestSchedule({48, 1}, 0), std::vector<int64_t>{0});
}

}  // namespace
}  // namespace fitool
