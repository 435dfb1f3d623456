#include "motion/mi_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "motion/me_costs.h"
#include "motion_fixture.h"
#include "standin/log_control.h"

namespace frameinterp {
namespace {

using testing::ContextConfig;
using testing::ContextGuard;
using testing::make_context;

size_t count_lines(const std::vector<standin::LogLine>& lines, const std::string& prefix) {
  size_t n = 0;
  for (const auto& l : lines) {
    if (l.tag == "FrameSourceMotionImpl" && l.level == 1 && l.text.rfind(prefix, 0) == 0) {
      ++n;
    }
  }
  return n;
}

TEST(ResetInput, FullHdGridDropsThePartialBottomRowAndAReconfigurationReplacesIt) {
  auto ctx = make_context();
  ContextGuard guard{ctx};
  standin::LogCapture log;
  ASSERT_EQ(reset_input(ctx, 3, 1920, 1080, 1, 1, 8), 0);
  EXPECT_EQ(ctx->blocks_x, 120);
  EXPECT_EQ(ctx->blocks_y, 67);
  EXPECT_EQ(ctx->block_count, 8040);
  EXPECT_EQ(ctx->log2_block_size, 4);
  EXPECT_EQ(ctx->estimator.x_max, 119 * 16);
  EXPECT_EQ(ctx->estimator.y_max, 66 * 16);  // rows 1072..1079 belong to no block
  EXPECT_EQ(ctx->frame_sad, &frame_sad_8);
  EXPECT_NE(ctx->mv_history[2], nullptr);
  EXPECT_EQ(ctx->ready, 1);
  EXPECT_EQ(count_lines(log.lines(), "reset_input "), 1u);
  // A restart at the same size takes the same memory again, cleared.
  const MIBlock* blocks = ctx->frames[0].blocks;
  const uint32_t* sums = ctx->px_sums;
  ctx->frames[0].blocks[5].vectors[0][0] = 7;
  destroy(ctx);
  ASSERT_EQ(reset_input(ctx, 3, 1920, 1080, 1, 1, 8), 0);
  EXPECT_EQ(ctx->frames[0].blocks, blocks);
  EXPECT_EQ(ctx->px_sums, sums);
  EXPECT_EQ(ctx->frames[0].blocks[5].vectors[0][0], 0);
  // Reconfiguring for another size replaces the buffers (the leak check fails
  // otherwise).
  ASSERT_EQ(reset_input(ctx, 1, 320, 240, 0, 0, 8), 0);
  EXPECT_EQ(ctx->block_count, 20 * 15);
}

TEST(ResetInput, BlockSizeRoundsUpAndTheModePicksTheCost) {
  struct Case {
    int32_t block_size, me_mode, rounded;
    MECostFn cost;
  };
  const Case cases[] = {{16, ME_MODE_BILAT, 16, &bilateral_overlapped_sad},
                        {12, ME_MODE_BIDIR, 16, &overlapped_sad},
                        {9, 7, 16, &block_sad},
                        {8, ME_MODE_BILAT, 8, &bilateral_overlapped_sad},
                        {5, ME_MODE_BIDIR, 8, &overlapped_sad},
                        {3, ME_MODE_BILAT, 4, &bilateral_overlapped_sad},
                        {2, ME_MODE_BIDIR, 2, &overlapped_sad}};
  for (const Case& c : cases) {
    ContextConfig config;
    config.block_size = c.block_size;
    config.me_mode = c.me_mode;
    config.search_method = 6;
    auto ctx = make_context(config);
    ContextGuard guard{ctx};
    ASSERT_EQ(reset_input(ctx, 1, 64, 64, 0, 0, 8), 0) << c.block_size;
    EXPECT_EQ(ctx->block_size, c.rounded) << c.block_size;
    EXPECT_EQ(ctx->estimator.block_size, c.rounded) << c.block_size;
    EXPECT_EQ(ctx->estimator.cost_fn, c.cost) << c.block_size;
    EXPECT_EQ(ctx->bilat_blocks != nullptr, c.me_mode == ME_MODE_BILAT);
    EXPECT_EQ(ctx->mv_history[0], nullptr);  // method 6 keeps no history
  }
}

TEST(ResetInput, TooFewBlocksFailsWithTheSlotArraysAllocatedUntilDestroy) {
  auto ctx = make_context();
  EXPECT_EQ(reset_input(ctx, 3, 31, 480, 1, 1, 8), -22);
  EXPECT_EQ(ctx->blocks_x, 1);
  EXPECT_NE(ctx->frames[0].blocks, nullptr);
  EXPECT_EQ(ctx->px_totals, nullptr);
  EXPECT_EQ(reset_input(ctx, 3, 480, 31, 1, 1, 8), -22);
  EXPECT_EQ(reset_input(ctx, 3, 8, 8, 1, 1, 8), -22);  // no block at all
  EXPECT_EQ(ctx->ready, 0);
  standin::LogCapture log;
  destroy(ctx);
  EXPECT_EQ(ctx->frames[0].blocks, nullptr);
  EXPECT_EQ(log.lines().size(), 1u);
}

TEST(ResetInput, UnaddressableSizesAndBlockSizesFailWithoutAllocating) {
  // {configured block size, width, height}
  const int32_t cases[][3] = {{16, -32, -32}, {16, -64, 480}, {16, 640, -1}, {16, 65536, 65536},
                              {16, 1 << 30, 4}, {0, 640, 480},  {1, 640, 480}, {17, 640, 480},
                              {32, 640, 480}};
  for (const auto& [bs, w, h] : cases) {
    ContextConfig config;
    config.block_size = bs;
    auto ctx = make_context(config);
    ContextGuard guard{ctx};
    EXPECT_EQ(reset_input(ctx, 1, w, h, 0, 0, 8), -22) << bs << ": " << w << "x" << h;
    EXPECT_EQ(ctx->frames[0].blocks, nullptr);
    EXPECT_EQ(ctx->ready, 0);
  }
}

TEST(ResetInput, BitDepthPicksTheFrameSad) {
  for (int32_t depth : {0, 17, 40}) {
    auto ctx = make_context();
    ContextGuard guard{ctx};
    EXPECT_EQ(reset_input(ctx, 1, 64, 64, 0, 0, depth), -22) << depth;
    EXPECT_NE(ctx->px_totals, nullptr);  // every buffer allocated, still not ready
    EXPECT_EQ(ctx->ready, 0);
  }
  auto ctx = make_context();
  ContextGuard guard{ctx};
  ASSERT_EQ(reset_input(ctx, 1, 64, 64, 0, 0, 10), 0);
  EXPECT_EQ(ctx->frame_sad, &frame_sad_16);
}

TEST(Destroy, ReleasesOnceThenDoesNothing) {
  auto ctx = make_context();
  ASSERT_EQ(reset_input(ctx, 1, 64, 64, 0, 0, 8), 0);
  MIFrame frame{};
  ctx->frames[2].frame = &frame;
  ctx->bilat_blocks[3].quarters = ctx->buffers.quarters.take();
  ctx->bilat_blocks[3].quarters[1].quarters = ctx->buffers.quarters.take();
  ctx->prev_frame_diff = 4.5;
  ctx->scene_cut = 1;

  standin::LogCapture log;
  destroy(ctx);
  destroy(ctx);
  EXPECT_EQ(count_lines(log.lines(), "void destroy(std::shared_ptr<MIContext> mi_ctx) "), 1u);
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(ctx->frames[2].frame, nullptr);
  EXPECT_EQ(ctx->frames[2].blocks, nullptr);
  EXPECT_EQ(ctx->bilat_blocks, nullptr);
  EXPECT_EQ(ctx->px_sums, nullptr);
  EXPECT_EQ(ctx->mv_history[0], nullptr);
  EXPECT_EQ(ctx->ready, 0);
  EXPECT_EQ(ctx->prev_frame_diff, 4.5);  // detector state carries over
  EXPECT_EQ(ctx->scene_cut, 1);
}

// Scene-change check on two frames of the configured size.
class SceneCut : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(reset_input(ctx_, 1, 50, 40, 0, 0, 8), 0); }
  void TearDown() override { destroy(ctx_); }

  bool check(testing::Plane& a, testing::Plane& b) {
    a_ = {0, 0, 0, a.width, a.height, {a.data()}, {a.stride}};
    b_ = {0, 0, 0, b.width, b.height, {b.data()}, {b.stride}};
    ctx_->frames[1].frame = &a_;
    ctx_->frames[2].frame = &b_;
    return check_scene_cut(ctx_);
  }

  std::shared_ptr<MIContext> ctx_ = make_context();
  MIFrame a_{}, b_{};
};

TEST_F(SceneCut, LargeDifferenceAfterASteadyPairIsACutOnlyOnce) {
  testing::Plane same = testing::random_plane(50, 40, 80, 1);
  testing::Plane copy = same;
  ctx_->prev_frame_diff = 7.0;
  EXPECT_FALSE(check(same, copy));  // m = 0
  EXPECT_EQ(ctx_->prev_frame_diff, 0.0);

  // 50 x 40 pixels, 1440 differing by 31 and 560 by 30: 30.72 levels on
  // average, 12 % of 256.
  testing::Plane a(50, 40, 50, 100);
  testing::Plane b(50, 40, 50, 130);
  std::fill(b.px.begin(), b.px.begin() + 1440, uint8_t{131});
  EXPECT_TRUE(check(a, b));
  EXPECT_EQ(ctx_->prev_frame_diff, 12.0);
  EXPECT_FALSE(check(a, b));  // the same difference again: no jump
  EXPECT_EQ(ctx_->prev_frame_diff, 12.0);
  EXPECT_FALSE(check(a, a));  // a jump of 12, but m = 0
  EXPECT_EQ(ctx_->prev_frame_diff, 0.0);
}

TEST_F(SceneCut, DetectionOffOrMissingFrameAnswersFalseAndKeepsState) {
  testing::Plane a(50, 40, 50, 0);
  testing::Plane b(50, 40, 50, 255);
  ctx_->scene_detect = 2;
  EXPECT_FALSE(check(a, b));
  EXPECT_EQ(ctx_->prev_frame_diff, 0.0);
  ctx_->scene_detect = 1;
  ctx_->frames[1].frame = nullptr;
  EXPECT_FALSE(check_scene_cut(ctx_));
  EXPECT_EQ(ctx_->prev_frame_diff, 0.0);
}

}  // namespace
}  // namespace frameinterp
