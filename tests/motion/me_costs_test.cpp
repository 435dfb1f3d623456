#include "motion/me_costs.h"

#include <gtest/gtest.h>

#include "synthetic_planes.h"

namespace frameinterp {
namespace {

using testing::Plane;

// 64 x 64 pictures with 16-pixel blocks: positions 0..48 on both axes.
class Costs : public ::testing::Test {
protected:
  void SetUp() override { init_estimator(&me_, 16, 32, 64, 64, 0, 48, 0, 48); }

  void use(const Plane& cur, const Plane& ref) {
    me_.cur_plane = cur.data();
    me_.ref_plane = ref.data();
    me_.linesize = cur.stride;
  }

  MEContext me_;
};

TEST_F(Costs, ZeroVectorOnIdenticalPlanesCostsOnlyThePenalty) {
  const Plane p = testing::random_plane(64, 64, 72, 3);
  use(p, p);
  me_.predicted_x = 2;
  me_.predicted_y = -3;
  EXPECT_EQ(block_sad(&me_, 16, 32, 16, 32), 0u);
  EXPECT_EQ(overlapped_sad(&me_, 16, 32, 16, 32), 64u * 5);
  EXPECT_EQ(bilateral_sad(&me_, 16, 32, 16, 32), 64u * 5);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 16, 32, 16, 32), 64u * 5);
}

TEST_F(Costs, PenaltyGrowsWithTheDistanceFromThePrediction) {
  const Plane p(64, 64, 64, 77);
  use(p, p);
  EXPECT_EQ(block_sad(&me_, 16, 16, 19, 14), 0u);
  EXPECT_EQ(overlapped_sad(&me_, 16, 16, 19, 14), 320u);
  EXPECT_EQ(bilateral_sad(&me_, 16, 16, 19, 14), 320u);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 16, 16, 19, 14), 320u);
  me_.predicted_x = 3;
  me_.predicted_y = -2;
  EXPECT_EQ(overlapped_sad(&me_, 16, 16, 19, 14), 0u);
}

TEST_F(Costs, BlockSadCoversExactlyTheBlockAtTheCandidate) {
  const Plane cur = testing::random_plane(64, 64, 64, 4);
  Plane ref = testing::shifted(cur, 3, 1);  // ref(p + (3, 1)) = cur(p)
  use(cur, ref);
  EXPECT_EQ(block_sad(&me_, 16, 16, 19, 17), 0u);
  ref.at(19 + 15, 17 + 15) ^= 0x10;  // last sample of the candidate block
  ref.at(19 + 16, 17) ^= 0x20;       // first sample right of it
  ref.at(19, 17 - 1) ^= 0x40;        // above it
  EXPECT_EQ(block_sad(&me_, 16, 16, 19, 17), 16u);
}

TEST_F(Costs, OverlappedWindowIsClampedIntoThePicture) {
  Plane cur(64, 64, 64, 50);
  Plane ref = cur;
  use(cur, ref);
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
  use(cur, ref);
  EXPECT_EQ(bilateral_sad(&me_, 16, 32, 18, 31), 64u * 3);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 16, 32, 18, 31), 64u * 3);
  EXPECT_GT(bilateral_sad(&me_, 16, 32, 14, 33), 64u * 3 + 1000);
}

TEST_F(Costs, BilateralVectorIsShortenedToStayInside) {
  const Plane cur = testing::random_plane(64, 64, 64, 5);
  const Plane ref = testing::random_plane(64, 64, 64, 6);
  use(cur, ref);
  // At x_min + 2 a horizontal vector of 5 is cut to 2; the penalty still counts 5.
  EXPECT_EQ(bilateral_sad(&me_, 2, 24, 7, 24), bilateral_sad(&me_, 2, 24, 4, 24) + 3 * 64);
}

TEST_F(Costs, BilateralOverlappedAtTheCornerHasNoVector) {
  const Plane cur = testing::random_plane(64, 64, 64, 7);
  const Plane ref = testing::random_plane(64, 64, 64, 8);
  use(cur, ref);
  const uint64_t still = bilateral_overlapped_sad(&me_, 0, 0, 0, 0);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 0, 0, 3, 4), still + 7 * 64);
  EXPECT_EQ(bilateral_overlapped_sad(&me_, 8, 8, 8, 8), still);  // moved to (x_min + 8, y_min + 8)
}

}  // namespace
}  // namespace frameinterp
