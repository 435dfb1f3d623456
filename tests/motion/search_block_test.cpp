// The dispatcher on a picture moving by a known shift: every search method, in
// both estimation modes, finds it for every block off the grid's edge (the
// model digests of the golden table check every method's vectors on footage).
#include "motion/search_block.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "motion_fixture.h"

namespace frameinterp {
namespace {

using testing::ContextConfig;
using testing::ContextGuard;
using testing::make_context;
using testing::Plane;
using Vector = std::pair<int32_t, int32_t>;

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

}  // namespace
}  // namespace frameinterp
