#include "motion/me_costs.h"

#include <gtest/gtest.h>

#include "motion_fixture.h"

namespace frameinterp {
namespace {

using testing::Plane;

// 64 x 64 pictures with 16-pixel blocks: positions 0..48 on both axes.
class Costs : public ::testing::Test {
protected:
  void SetUp() override { init_estimator(&me_, 16, 32, 64, 64, 0, 48, 0, 48); }
  MEContext me_;
};

TEST_F(Costs, OnEqualPlanesThePenalisedCostsAreThePenaltyAlone) {
  const Plane p(64, 64, 64, 77);
  testing::aim(me_, p, p);
  // {predicted x, y, candidate vector x, y, penalty}
  const int32_t cases[][5] = {{2, -3, 0, 0, 64 * 5}, {0, 0, 3, -2, 320}, {3, -2, 3, -2, 0}};
  for (const auto& [px, py, vx, vy, penalty] : cases) {
    me_.predicted_x = px;
    me_.predicted_y = py;
    EXPECT_EQ(block_sad(&me_, 16, 16, 16 + vx, 16 + vy), 0u);
    for (MECostFn cost : {overlapped_sad, bilateral_sad, bilateral_overlapped_sad}) {
      EXPECT_EQ(cost(&me_, 16, 16, 16 + vx, 16 + vy), static_cast<uint64_t>(penalty)) << px;
    }
  }
}

TEST_F(Costs, BlockSadCoversExactlyTheBlockAtTheCandidate) {
  const Plane cur = testing::random_plane(64, 64, 64, 4);
  Plane ref = testing::shifted(cur, 3, 1);  // ref(p + (3, 1)) = cur(p)
  testing::aim(me_, cur, ref);
  EXPECT_EQ(block_sad(&me_, 16, 16, 19, 17), 0u);
  ref.at(19 + 15, 17 + 15) ^= 0x10;  // last sample of the candidate block
  ref.at(19 + 16, 17) ^= 0x20;       // first sample right of it
  ref.at(19, 17 - 1) ^= 0x40;        // above it
  EXPECT_EQ(block_sad(&me_, 16, 16, 19, 17), 16u);
}

TEST_F(Costs, OverlappedWindowIsClampedIntoThePicture) {
  Plane cur(64, 64, 64, 50);
  Plane ref = cur;
  testing::aim(me_, cur, ref);
  // Block at x = 0 is moved to x = 8: the window spans columns 0..31.
  ref.at(31, 20) = 57;
  ref.at(32, 20) = 90;
  EXPECT_EQ(overlapped_sad(&me_, 0, 24, 0, 24), 7u);
  // Block at x_max = 48 is moved to 40: the window spans columns 32..63.
  EXPECT_EQ(overlapped_sad(&me_, 48, 24, 48, 24), 40u);
  ref.at(63, 20) = 51;
  EXPECT_EQ(overlapped_sad(&me_, 48, 24, 48, 24), 41u);
  // The candidate is clamped the same way; the penalty keeps the vector as passed.
  EXPECT_EQ(overlapped_sad(&me_, 0, 24, -5, 24), 7u + 5 * 64);
}

TEST_F(Costs, BilateralCostMatchesOppositeEndsOfTheVector) {
  // Motion of (4, -2) over the interval: cur(p + v) = ref(p - v) for v = (2, -1).
  const Plane ref = testing::smooth_texture(64, 64, 64);
  const Plane cur = testing::shifted(ref, 4, -2);
  testing::aim(me_, cur, ref);
  EXPECT_EQ(bilateral_sad(&me_, 16, 32, 18, 31), 64u * 3);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 16, 32, 18, 31), 64u * 3);
  EXPECT_GT(bilateral_sad(&me_, 16, 32, 14, 33), 64u * 3 + 1000);
}

TEST_F(Costs, BilateralVectorIsShortenedToStayInside) {
  const Plane cur = testing::random_plane(64, 64, 64, 5);
  const Plane ref = testing::random_plane(64, 64, 64, 6);
  testing::aim(me_, cur, ref);
  // At x_min + 2 a horizontal vector of 5 is cut to 2; the penalty still counts 5.
  EXPECT_EQ(bilateral_sad(&me_, 2, 24, 7, 24), bilateral_sad(&me_, 2, 24, 4, 24) + 3 * 64);
  // At the corner of the rectangle shrunk by 8 the overlapped cost keeps no vector.
  const uint64_t still = bilateral_overlapped_sad(&me_, 0, 0, 0, 0);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 0, 0, 3, 4), still + 7 * 64);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 8, 8, 8, 8), still);  // (0, 0) moves to (8, 8)
}

}  // namespace
}  // namespace frameinterp
