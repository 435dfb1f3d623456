// Frame injection and the interpolation driver: the window shift, the
// estimation each mode runs, the position of a request, and when the driver
// copies instead of synthesising.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "motion/interpolation.h"
#include "motion/me_costs.h"
#include "standin/log_control.h"
#include "synthetic_planes.h"
#include "working_frames.h"

namespace frameinterp {
namespace {

using testing::ContextConfig;
using testing::ContextGuard;
using testing::OwnedFrame;
using testing::Plane;
using testing::context_for;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

size_t count_logs(const standin::LogCapture& log, const std::string& prefix) {
  size_t n = 0;
  for (const auto& l : log.lines()) {
    if (l.tag == "FrameSourceMotionImpl" && l.level == 1 && l.text.rfind(prefix, 0) == 0) ++n;
  }
  return n;
}

TEST(InterpolationPosition, IsTheTruncatedShareOfTheInterval) {
  EXPECT_EQ(interpolation_position(100000, 0, 400000), 256);
  EXPECT_EQ(interpolation_position(0, 0, 400000), 0);
  EXPECT_EQ(interpolation_position(400000, 0, 400000), 1024);
  EXPECT_EQ(interpolation_position(-5, 0, 400000), 0) << "before the interval";
  EXPECT_EQ(interpolation_position(500000, 0, 400000), 1024) << "after it";
  EXPECT_EQ(interpolation_position(1, 0, 3), 341);
  EXPECT_EQ(interpolation_position(77, 50, 50), 0) << "equal times: no division by zero";
}

TEST(InterpolationPosition, IsExactAcrossTheWholeTimeRange) {
  EXPECT_EQ(interpolation_position(0, kMin, kMax), 512);
  EXPECT_EQ(interpolation_position(kMax, kMin, kMax), 1024);
  EXPECT_EQ(interpolation_position(kMin, kMin + 1, kMax), 0);
  EXPECT_EQ(interpolation_position(kMax - 1, kMax - 4, kMax), 768);
  // A wide gap that (pts - first) << 10 would overflow.
  EXPECT_EQ(interpolation_position(int64_t{1} << 61, 0, int64_t{1} << 62), 512);
}

struct Driver : ::testing::Test {
  static constexpr int32_t kW = 64, kH = 64;
  std::shared_ptr<MIContext> ctx;
  std::unique_ptr<ContextGuard> guard;
  std::unique_ptr<OwnedFrame> frames[4];

  void Configure(ContextConfig config = {}) {
    ctx = context_for(1, kW, kH, config);
    guard.reset(new ContextGuard{ctx});
    ASSERT_EQ(ctx->ready, 1);
    for (int i = 0; i < 4; ++i) {
      frames[i] = std::make_unique<OwnedFrame>(1, kW, kH, i * 400000);
      for (int p = 0; p < 3; ++p) {
        std::memset(frames[i]->frame.data[p], 40 * (i + 1) + p,
                    static_cast<size_t>(frames[i]->frame.linesize[p]) * frames[i]->rows(p));
      }
    }
  }
  void InjectAll() {
    for (auto& f : frames) ASSERT_EQ(inject_frame(ctx, &f->frame), 0);
  }
  // The picture of `out` equals that of window frame i in every plane.
  bool Copies(const OwnedFrame& out, int i) {
    for (int p = 0; p < 3; ++p) {
      if (std::memcmp(out.frame.data[p], frames[i]->frame.data[p],
                      static_cast<size_t>(out.frame.linesize[p]) * out.rows(p)) != 0) {
        return false;
      }
    }
    return true;
  }
  // A 128 x 96 context given four frames, frame i with the luma picture(i).
  void InjectFour(const ContextConfig& config, const std::function<Plane(int)>& picture) {
    ctx = context_for(1, 128, 96, config);
    guard.reset(new ContextGuard{ctx});
    for (int i = 0; i < 4; ++i) {
      frames[i] = std::make_unique<OwnedFrame>(1, 128, 96, i * 1000);
      const Plane luma = picture(i);
      std::memcpy(frames[i]->frame.data[0], luma.data(), luma.px.size());
      ASSERT_EQ(inject_frame(ctx, &frames[i]->frame), 0);
    }
  }
  bool SynthesisCopies(int64_t pts, int i) {
    OwnedFrame out(1, kW, kH, pts);
    synthesize_frame(ctx, &out.frame);
    return Copies(out, i) && out.frame.pts == pts;
  }
};

TEST_F(Driver, InjectionShiftsTheWindowAndItsBlockArrays) {
  Configure();
  MIBlock* first_blocks = ctx->frames[0].blocks;
  InjectAll();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ctx->frames[i].frame, &frames[i]->frame);
  MIBlock* oldest = ctx->frames[0].blocks;
  OwnedFrame fifth(1, kW, kH, 1600000);
  inject_frame(ctx, &fifth.frame);
  EXPECT_EQ(ctx->frames[3].frame, &fifth.frame);
  EXPECT_EQ(ctx->frames[3].blocks, oldest) << "the dropped slot's blocks go with the new frame";
  EXPECT_EQ(ctx->frames[0].frame, &frames[1]->frame);
  EXPECT_NE(first_blocks, nullptr);
}

TEST_F(Driver, BilateralEstimatesOnlyOnceFourFramesAreIn) {
  Configure();
  standin::LogCapture log;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(inject_frame(ctx, &frames[i]->frame), 0);
  EXPECT_EQ(count_logs(log, "------------------inject_frame"), 0u);
  ctx->bilat_blocks[9].vectors[0][0] = 5;
  ctx->bilat_blocks[9].subdivided = 1;
  EXPECT_EQ(inject_frame(ctx, &frames[3]->frame), 0);
  EXPECT_EQ(count_logs(log, "------------------inject_frame me_mode == ME_MODE_BILAT  "), 1u);
  EXPECT_EQ(ctx->bilat_blocks[9].vectors[0][0], 0) << "flat frames: the zero vector";
  EXPECT_EQ(ctx->bilat_blocks[9].subdivided, 0);
  EXPECT_EQ(ctx->estimator.cur_plane, frames[1]->frame.data[0]);
  EXPECT_EQ(ctx->estimator.ref_plane, frames[2]->frame.data[0]);
}

TEST_F(Driver, BidirectionalLogsEvenBeforeItCanEstimate) {
  ContextConfig config;
  config.me_mode = ME_MODE_BIDIR;
  Configure(config);
  standin::LogCapture log;
  inject_frame(ctx, &frames[0]->frame);
  EXPECT_EQ(count_logs(log, "------------------inject_frame me_mode == ME_MODE_BIDIR  "), 1u);
}

TEST_F(Driver, AdaptiveModeStoresEachBlocksOwnBilateralCost) {
  ContextConfig config;
  config.comp_mode = COMP_MODE_ADAPTIVE;
  Configure(config);
  frames[2]->frame.data[0][20 * kW + 20] = 0;  // frames differ somewhere
  InjectAll();
  const MIBlock& b = ctx->bilat_blocks[1 * ctx->blocks_x + 1];
  EXPECT_EQ(b.bilat_cost, bilateral_sad(&ctx->estimator, 16, 16, 16 + b.vectors[0][0],
                                        16 + b.vectors[0][1]));
}

TEST_F(Driver, CopiesAtTheEndsOfTheIntervalAndAfterASceneCut) {
  Configure();
  InjectAll();
  EXPECT_TRUE(SynthesisCopies(400000, 1)) << "alpha 0";
  EXPECT_TRUE(SynthesisCopies(800000, 2)) << "alpha 1024";
  EXPECT_TRUE(SynthesisCopies(200000, 1)) << "between frames[0] and frames[1]";
  ctx->scene_cut = 1;
  EXPECT_TRUE(SynthesisCopies(400000 + 200000, 1)) << "alpha 512";
  EXPECT_TRUE(SynthesisCopies(400000 + 200000 + 391, 2)) << "alpha 513";
  ctx->scene_cut = 0;
  frames[2]->frame.pts = frames[1]->frame.pts;
  EXPECT_TRUE(SynthesisCopies(400000 + 100, 1)) << "equal times: alpha 0";
}

// Two regions moving apart: the refinement clusters the field, splits the
// blocks on the border, and the synthesis draws their quarters.
TEST_F(Driver, SplitRefinementRunsAfterTheBilateralSearch) {
  ContextConfig config;
  config.split_refinement = 1;
  const Plane texture = testing::smooth_texture(128, 96, 128);
  InjectFour(config, [&](int i) {
    Plane picture = testing::shifted(texture, 24 * i, 0);
    for (int32_t y = 0; y < 96; ++y) {
      for (int32_t x = 64; x < 128; ++x) picture.at(x, y) = texture.at(x, y);
    }
    return picture;
  });
  int32_t clustered = 0, split = 0;
  for (const MVCluster& c : ctx->clusters) clustered += c.count;
  for (int32_t i = 0; i < ctx->block_count; ++i) split += ctx->bilat_blocks[i].subdivided;
  EXPECT_EQ(clustered, ctx->block_count);
  EXPECT_GT(ctx->clusters[1].count, 0) << "the moving half leaves cluster 0";
  EXPECT_GT(split, 0);
  OwnedFrame out(1, 128, 96, 1500);
  synthesize_frame(ctx, &out.frame);
  EXPECT_EQ(out.at(0, 100, 50), texture.at(100, 50)) << "the still half stays";
}

// Bidirectional estimation on a texture moving by (4, 2) per frame: halfway
// between frames[1] and frames[2] the interior is the texture moved by half
// that step.
TEST_F(Driver, BidirectionalSynthesisPlacesTheTextureHalfway) {
  ContextConfig config;
  config.me_mode = ME_MODE_BIDIR;
  config.search_method = 1;
  config.search_range = 8;
  const Plane texture = testing::smooth_texture(128, 96, 128);
  InjectFour(config, [&](int i) { return testing::shifted(texture, 4 * i, 2 * i); });
  OwnedFrame out(1, 128, 96, 1500);
  synthesize_frame(ctx, &out.frame);
  const Plane expected = testing::shifted(texture, 6, 3);
  for (int32_t y = 32; y < 64; ++y) {
    for (int32_t x = 40; x < 88; ++x) ASSERT_EQ(out.at(0, x, y), expected.at(x, y)) << x << " " << y;
  }
}

}  // namespace
}  // namespace frameinterp
