// Clustering of the bilateral vector field and recursive block splitting,
// against scripted costs.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "motion/block_split.h"
#include "motion/vector_clusters.h"
#include "motion_fixture.h"

namespace frameinterp {
namespace {

using testing::ContextGuard;
using testing::make_context;
using Position = std::pair<int32_t, int32_t>;

// Whole-block costs (block size 16) per block position, counted.
std::map<Position, int>* g_whole_block_costs = nullptr;

void count_whole_block(const MEContext* me, int32_t x, int32_t y) {
  if (me->block_size == 16 && g_whole_block_costs) ++(*g_whole_block_costs)[{x >> 4, y >> 4}];
}

// A quarter never beats a quarter of its block's cost: every split is refused.
uint64_t flat_cost(const MEContext* me, int32_t x, int32_t y, int32_t, int32_t) {
  count_whole_block(me, x, y);
  return 5;
}

uint64_t zero_cost(const MEContext*, int32_t, int32_t, int32_t, int32_t) { return 0; }

// A 12 x 8 block grid in bilateral mode.
class Refinement : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(reset_input(ctx_, 1, 192, 128, 0, 0, 8), 0);
    testing::aim(ctx_->estimator, plane_, plane_);
    g_whole_block_costs = &costs_;
  }
  void TearDown() override {
    g_whole_block_costs = nullptr;
    destroy(ctx_);
  }

  MIBlock& block(int32_t mb_x, int32_t mb_y) { return ctx_->bilat_blocks[mb_y * 12 + mb_x]; }

  // Sets every vector, then the clusters as estimation leaves them.
  template <class VectorOf>
  void field(VectorOf vector_of) {
    for (MVCluster& c : ctx_->clusters) c = {};
    for (int32_t mb_y = 0; mb_y < 8; ++mb_y) {
      for (int32_t mb_x = 0; mb_x < 12; ++mb_x) {
        const auto [vx, vy] = vector_of(mb_x, mb_y);
        MIBlock& b = block(mb_x, mb_y);
        b.vectors[0][0] = static_cast<int16_t>(vx);
        b.vectors[0][1] = static_cast<int16_t>(vy);
        b.cluster = 0;
        b.subdivided = 0;
        ctx_->clusters[0].sum_x += vx;
        ctx_->clusters[0].sum_y += vy;
      }
    }
    ctx_->clusters[0].count = ctx_->block_count;
  }

  std::shared_ptr<MIContext> ctx_ = make_context();
  testing::Plane plane_{192, 128, 192, 0};
  std::map<Position, int> costs_;
};

TEST_F(Refinement, MovingPatchBecomesAClusterAndItsBorderIsSplit) {
  ctx_->estimator.cost_fn = flat_cost;
  // A 3 x 3 patch at blocks (4..6, 3..5) moves by (10, 0); the rest stands still.
  const auto in_patch = [](int32_t mb_x, int32_t mb_y) {
    return mb_x >= 4 && mb_x <= 6 && mb_y >= 3 && mb_y <= 5;
  };
  field([&](int32_t mb_x, int32_t mb_y) {
    return in_patch(mb_x, mb_y) ? Position(10, 0) : Position(0, 0);
  });
  EXPECT_EQ(cluster_and_refine(ctx_), 0);

  for (int32_t mb_y = 0; mb_y < 8; ++mb_y) {
    for (int32_t mb_x = 0; mb_x < 12; ++mb_x) {
      EXPECT_EQ(block(mb_x, mb_y).cluster, in_patch(mb_x, mb_y) ? 1 : 0) << mb_x << "," << mb_y;
    }
  }

  // Split attempts: once per axis on which a block has a differing neighbour
  // and a same-cluster one opposite.
  const std::map<Position, int> expected = {
      {{4, 2}, 1}, {{5, 2}, 1}, {{6, 2}, 1},  // above the patch
      {{3, 3}, 1}, {{3, 4}, 1}, {{3, 5}, 1},  // left of it
      {{7, 3}, 1}, {{7, 4}, 1}, {{7, 5}, 1},  // right of it
      {{4, 6}, 1}, {{5, 6}, 1}, {{6, 6}, 1},  // below it
      {{4, 3}, 2}, {{6, 3}, 2}, {{4, 5}, 2}, {{6, 5}, 2},  // the patch's corners
      {{5, 3}, 1}, {{4, 4}, 1}, {{6, 4}, 1}, {{5, 5}, 1}};  // its edge middles
  EXPECT_EQ(costs_, expected);
  EXPECT_EQ(block(3, 4).subdivided, 0);  // refused: the flat cost never quarters
  EXPECT_NE(block(3, 4).quarters, nullptr);
}

// A block that leaves its cluster joins the nearest higher cluster, the bottom
// row included: (5, 6) stays near the mean until (5, 7) leaves the still
// cluster, then joins it, and so borders the still block above it. The 21
// blocks of (4, 0) outside (5, 6)'s reach hold the mean at 1 until then.
// Upside down, the top row's cluster is joined the same way.
TEST_F(Refinement, ABlockJoinsTheClusterOfABlockInTheBottomOrTopRow) {
  ctx_->estimator.cost_fn = flat_cost;
  for (const bool flipped : {false, true}) {
    const auto row = [&](int32_t y) { return flipped ? 7 - y : y; };
    costs_.clear();
    field([&](int32_t mb_x, int32_t mb_y) {
      const int32_t y = row(mb_y);
      if (mb_x == 5 && y >= 6) return Position(y == 7 ? 8 : 5, 0);
      return mb_x >= 10 || (mb_x == 0 && y < 5) ? Position(4, 0) : Position(0, 0);
    });
    EXPECT_EQ(cluster_and_refine(ctx_), 0);
    EXPECT_EQ(block(5, row(6)).cluster, block(5, row(7)).cluster) << flipped;
    const std::map<Position, int> expected = {
        {{5, row(5)}, 1}, {{4, row(6)}, 1}, {{6, row(6)}, 1}, {{5, row(6)}, 1}};
    EXPECT_EQ(costs_, expected) << flipped;
  }
}

TEST_F(Refinement, PerfectBlockOrRefusedQuarterStaysWhole) {
  MIBlock& b = block(5, 4);
  ctx_->estimator.cost_fn = zero_cost;
  b.subdivided = 1;
  EXPECT_EQ(split_block(ctx_, &b, 80, 64, 4), 0);
  EXPECT_EQ(b.subdivided, 0);
  EXPECT_EQ(b.quarters, nullptr);  // nothing allocated for a perfect match

  ctx_->estimator.cost_fn = flat_cost;
  EXPECT_EQ(split_block(ctx_, &b, 80, 64, 4), 0);
  EXPECT_EQ(b.subdivided, 0);
  MIBlock* quarters = b.quarters;
  EXPECT_NE(quarters, nullptr);
  EXPECT_EQ(split_block(ctx_, &b, 80, 64, 4), 0);
  EXPECT_EQ(b.quarters, quarters);  // reused at later splits
}

}  // namespace
}  // namespace frameinterp
