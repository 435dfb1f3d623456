// The dispatcher: predictors of methods 8 and 9, the vector history, and
// whole-frame estimation of a known shift.
#include "motion/search_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "motion_fixture.h"
#include "y4m_reader.h"

namespace frameinterp {
namespace {

using testing::ContextConfig;
using testing::ContextGuard;
using testing::make_context;
using testing::Plane;
using Vector = std::pair<int32_t, int32_t>;

std::vector<Vector> entries(const PredictorSet& set) {
  std::vector<Vector> out;
  for (int32_t i = 0; i < set.count; ++i) {
    out.emplace_back(set.vectors[i][0], set.vectors[i][1]);
  }
  return out;
}

Vector predicted(const MEContext& me) { return {me.predicted_x, me.predicted_y}; }

// A 4 x 3 block grid over flat planes, so that the searches' results do not
// matter; what is checked is what they were given.
class Predictors : public ::testing::Test {
protected:
  void configure(int32_t method) {
    ContextConfig config;
    config.search_method = method;
    ctx_ = make_context(config);
    ASSERT_EQ(reset_input(ctx_, 1, 64, 48, 0, 0, 8), 0);
    testing::aim(ctx_->estimator, flat_, flat_);
  }
  void TearDown() override {
    if (ctx_) destroy(ctx_);
  }

  // Method 8 with distinct direction-1 vectors per block in all three history tables.
  void configure_with_history() {
    configure(8);
    const int32_t base[3] = {100, 10, 40};
    for (int32_t t = 0; t < 3; ++t) {
      for (int32_t i = 0; i < 12; ++i) {
        ctx_->mv_history[t][i][1][0] = base[t] + i;
        ctx_->mv_history[t][i][1][1] = -(base[t] + 2 * i);
      }
    }
  }
  Vector history(int32_t table, int32_t i) const {
    return {ctx_->mv_history[table][i][1][0], ctx_->mv_history[table][i][1][1]};
  }
  Vector extrapolated(int32_t i) const {
    return {2 * history(1, i).first - history(2, i).first,
            2 * history(1, i).second - history(2, i).second};
  }

  Plane flat_{64, 48, 64, 90};
  std::shared_ptr<MIContext> ctx_;
};

TEST_F(Predictors, PredictiveSearchListsAndPredictsFromTheNeighbours) {
  configure_with_history();
  const MEContext& me = ctx_->estimator;

  // Each search writes only its own table-0 entry, which none of the later ones reads.
  // Interior block (1, 1): left, top and top-right give a median of three.
  search_block(ctx_, ctx_->bilat_blocks, 1, 1, 1);
  EXPECT_EQ(entries(me.predictors[0]),
            (std::vector<Vector>{{0, 0}, history(0, 4), history(0, 1), history(0, 2), history(1, 5)}));
  EXPECT_EQ(predicted(me), history(0, 2));  // x: 104, 101, 102; y: -108, -102, -104
  EXPECT_EQ(me.predictors[1].count, 5);

  // Rightmost block (3, 1): no top-right, so the median takes 0 as third value.
  search_block(ctx_, ctx_->bilat_blocks, 3, 1, 1);
  EXPECT_EQ(entries(me.predictors[0]),
            (std::vector<Vector>{{0, 0}, history(0, 6), history(0, 3), history(1, 7)}));
  EXPECT_EQ(predicted(me), Vector(103, -106));
  EXPECT_EQ(entries(me.predictors[1]),
            (std::vector<Vector>{extrapolated(7), history(1, 6), history(1, 3), history(1, 11)}));

  // First row: no top neighbours.
  search_block(ctx_, ctx_->bilat_blocks, 0, 0, 1);
  EXPECT_EQ(entries(me.predictors[0]), (std::vector<Vector>{{0, 0}, history(1, 0)}));
  EXPECT_EQ(predicted(me), Vector(0, 0));
  EXPECT_EQ(entries(me.predictors[1]),
            (std::vector<Vector>{extrapolated(0), history(1, 1), history(1, 4)}));

  search_block(ctx_, ctx_->bilat_blocks, 2, 0, 1);
  EXPECT_EQ(entries(me.predictors[0]),
            (std::vector<Vector>{{0, 0}, history(0, 1), history(1, 2)}));
  EXPECT_EQ(predicted(me), history(0, 1));
  EXPECT_EQ(entries(me.predictors[1]),
            (std::vector<Vector>{extrapolated(2), history(1, 1), history(1, 3), history(1, 6)}));
}

TEST_F(Predictors, MultiHexagonTakesTheTopLeftAtTheRightEdge) {
  configure(9);
  MIBlock* blocks = ctx_->frames[2].blocks;
  for (int32_t i = 0; i < 12; ++i) {
    blocks[i].vectors[0][0] = static_cast<int16_t>(i + 1);
    blocks[i].vectors[0][1] = static_cast<int16_t>(-3 * i);
  }
  const auto v = [&](int32_t i) { return Vector(blocks[i].vectors[0][0], blocks[i].vectors[0][1]); };
  const MEContext& me = ctx_->estimator;

  search_block(ctx_, blocks, 1, 0, 0);  // first row: the left neighbour alone
  EXPECT_EQ(entries(me.predictors[0]), (std::vector<Vector>{{0, 0}, v(0)}));
  EXPECT_EQ(predicted(me), v(0));

  search_block(ctx_, blocks, 0, 1, 0);  // first column: top and top-right
  EXPECT_EQ(entries(me.predictors[0]), (std::vector<Vector>{{0, 0}, v(0), v(1)}));
  EXPECT_EQ(predicted(me), Vector(1, 0));  // medians of (1, 2, 0) and (0, -3, 0)

  search_block(ctx_, blocks, 3, 1, 0);  // right edge: left, top, top-left
  EXPECT_EQ(entries(me.predictors[0]), (std::vector<Vector>{{0, 0}, v(6), v(3), v(2)}));
  EXPECT_EQ(predicted(me), Vector(4, -9));  // medians of (7, 4, 3) and (-18, -9, -6)
}

// Estimates every block in raster order (direction 0), each over a stale
// vector, and answers the vectors of the blocks not on the grid's edge.
std::vector<Vector> estimate_interior(const std::shared_ptr<MIContext>& ctx, const Plane& cur,
                                      const Plane& ref) {
  testing::aim(ctx->estimator, cur, ref);
  MIBlock* blocks = ctx->me_mode == ME_MODE_BILAT ? ctx->bilat_blocks : ctx->frames[2].blocks;
  for (int32_t mb_y = 0; mb_y < ctx->blocks_y; ++mb_y) {
    for (int32_t mb_x = 0; mb_x < ctx->blocks_x; ++mb_x) {
      blocks[mb_y * ctx->blocks_x + mb_x].vectors[0][0] = 99;
      search_block(ctx, blocks, mb_x, mb_y, 0);
    }
  }
  std::vector<Vector> out;
  for (int32_t mb_y = 1; mb_y + 1 < ctx->blocks_y; ++mb_y) {
    for (int32_t mb_x = 1; mb_x + 1 < ctx->blocks_x; ++mb_x) {
      const MIBlock& b = blocks[mb_y * ctx->blocks_x + mb_x];
      out.emplace_back(b.vectors[0][0], b.vectors[0][1]);
    }
  }
  return out;
}

class ShiftRecovery : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> {};

// Methods 0 and 10 search nothing and store the zero vector.
TEST_P(ShiftRecovery, EveryBlockFindsTheShift) {
  const auto [me_mode, method] = GetParam();
  ContextConfig config;
  config.me_mode = me_mode;
  config.search_method = method;
  config.search_range = 8;
  auto ctx = make_context(config);
  ContextGuard guard{ctx};
  ASSERT_EQ(reset_input(ctx, 1, 160, 128, 0, 0, 8), 0);

  // Bidirectional: each block of cur sits at +(2, -2) in ref, within the new
  // three-step search's first-round shortcut. Bilateral: motion of (4, -2)
  // over the interval, so the half vector (2, -1) links cur at p + v with ref
  // at p - v.
  const bool bidir = me_mode == ME_MODE_BIDIR;
  const Vector expected = method % 10 == 0 ? Vector(0, 0) : bidir ? Vector(2, -2) : Vector(2, -1);
  const Plane texture = testing::smooth_texture(160, 128, 176);
  const Plane cur = bidir ? texture : testing::shifted(texture, 2, -1);
  const Plane ref = testing::shifted(texture, bidir ? 2 : -2, bidir ? -2 : 1);
  for (const Vector& v : estimate_interior(ctx, cur, ref)) {
    EXPECT_EQ(v, expected);
  }
  if (method == 8) {  // recorded for the next injection's predictors, direction 0 only
    const MVHistoryEntry& h = ctx->mv_history[0][ctx->blocks_x + 1];
    EXPECT_EQ(Vector(h[0][0], h[0][1]), expected);
    EXPECT_EQ(Vector(h[1][0], h[1][1]), Vector(0, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(AllMethods, ShiftRecovery,
                         ::testing::Combine(::testing::Values(ME_MODE_BIDIR, ME_MODE_BILAT),
                                            ::testing::Range(0, 11)),
                         [](const auto& test) {
                           return std::string(std::get<0>(test.param) == ME_MODE_BIDIR ? "Bidir" : "Bilat") +
                                  "Method" + std::to_string(std::get<1>(test.param));
                         });

TEST(ShiftRecoveryFootage, PredictiveSearchFollowsAShiftedRealPicture) {
  const std::string path =
      std::string(FRAMEINTERP_TESTDATA_DIR) + "/clips/park_joy_480x270_50fps_10f.y4m";
  const testing::Y4MLuma clip = testing::read_y4m_luma(path, 1);
  ASSERT_EQ(clip.frames.size(), 1u);
  const Plane picture = testing::from_luma(clip.frames[0], clip.width, clip.height);
  const Plane cur = testing::shifted(picture, 3, 1);
  const Plane ref = testing::shifted(picture, -3, -1);

  for (int32_t method : {1, 8, 9}) {
    ContextConfig config;
    config.search_method = method;
    config.search_range = 16;
    auto ctx = make_context(config);
    ContextGuard guard{ctx};
    ASSERT_EQ(reset_input(ctx, 1, clip.width, clip.height, 0, 0, 8), 0);
    const std::vector<Vector> found = estimate_interior(ctx, cur, ref);
    const auto hits = std::count(found.begin(), found.end(), Vector(3, 1));
    EXPECT_GE(hits * 100, static_cast<ptrdiff_t>(found.size()) * 95) << "method " << method;
  }
}

}  // namespace
}  // namespace frameinterp
