#include "motion/mi_context.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "motion/scene_cut.h"
#include "motion_fixture.h"
#include "standin/log_control.h"

namespace frameinterp {
namespace {

using testing::ContextGuard;
using testing::make_context;

// A restart at the same size takes the same memory again, cleared where the
// mode reads it before a search writes it (the bilateral vectors; the
// window's in the bidirectional mode); another size replaces the buffers (the
// leak check fails otherwise).
TEST(ResetInput, ARestartReusesItsMemoryClearedAndAnotherSizeReplacesIt) {
  for (const int32_t mode : {ME_MODE_BILAT, ME_MODE_BIDIR}) {
    MotionSettings config;
    config.me_mode = mode;
    auto ctx = make_context(config);
    ContextGuard guard{ctx};
    ASSERT_EQ(reset_input(ctx, 3, 1920, 1080, 1, 1, 8), 0);
    EXPECT_EQ(ctx->blocks_y, 67);  // rows 1072..1079 belong to no block
    MIBlock* const blocks = mode == ME_MODE_BILAT ? ctx->bilat_blocks : ctx->frames[0].blocks;
    blocks[5].vectors[0][0] = 7;
    destroy(ctx);
    ASSERT_EQ(reset_input(ctx, 3, 1920, 1080, 1, 1, 8), 0);
    EXPECT_EQ(mode == ME_MODE_BILAT ? ctx->bilat_blocks : ctx->frames[0].blocks, blocks);
    EXPECT_EQ(blocks[5].vectors[0][0], 0) << mode;
    ASSERT_EQ(reset_input(ctx, 1, 320, 240, 0, 0, 8), 0);
    EXPECT_EQ(ctx->block_count, 20 * 15);
  }
}

TEST(ResetInput, TooFewBlocksFailsWithTheSlotArraysAllocatedUntilDestroy) {
  auto ctx = make_context();
  EXPECT_EQ(reset_input(ctx, 3, 31, 480, 1, 1, 8), kInvalidSize);
  EXPECT_EQ(ctx->blocks_x, 1);
  EXPECT_NE(ctx->frames[0].blocks, nullptr);
  EXPECT_EQ(ctx->px_totals, nullptr);
  EXPECT_EQ(reset_input(ctx, 3, 480, 31, 1, 1, 8), kInvalidSize);
  EXPECT_EQ(reset_input(ctx, 3, 8, 8, 1, 1, 8), kInvalidSize);  // no block at all
  EXPECT_EQ(ctx->ready, 0);
  standin::LogCapture log;
  destroy(ctx);
  EXPECT_EQ(ctx->frames[0].blocks, nullptr);
  EXPECT_EQ(log.lines().size(), 1u);
}

TEST(ResetInput, UnaddressableSizesBlockSizesAndBitDepthsFail) {
  // {configured block size, width, height}
  const int32_t cases[][3] = {{16, -32, -32}, {16, -64, 480}, {16, 640, -1}, {16, 65536, 65536},
                              {16, 1 << 30, 4}, {0, 640, 480},  {1, 640, 480}, {17, 640, 480},
                              {32, 640, 480}};
  for (const auto& [bs, w, h] : cases) {
    MotionSettings config;
    config.block_size = bs;
    auto ctx = make_context(config);
    ContextGuard guard{ctx};
    EXPECT_EQ(reset_input(ctx, 1, w, h, 0, 0, 8), kInvalidSize) << bs << ": " << w << "x" << h;
    EXPECT_EQ(ctx->frames[0].blocks, nullptr);
    EXPECT_EQ(ctx->ready, 0);
    if (w < 0 || h < 0 || int64_t{w} * h > INT32_MAX) {  // nor working frames of any layout
      for (const int32_t format : {kFormatPlanar, kFormatInterleaved, kFormatPacked}) {
        WorkingLayout layout;
        EXPECT_FALSE(working_layout(format, w, h, &layout)) << format << ": " << w << "x" << h;
      }
    }
  }
  // The scene check reads samples of 1 to 16 bits only.
  for (const int32_t bit_depth : {0, 17}) {
    auto ctx = make_context();
    ContextGuard guard{ctx};
    EXPECT_EQ(reset_input(ctx, 1, 640, 480, 0, 0, bit_depth), kInvalidSize) << bit_depth;
  }
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
  ctx_->scene_threshold = 12.0;  // a difference at the threshold is a cut
  EXPECT_TRUE(check(a, b));
}

}  // namespace
}  // namespace frameinterp
