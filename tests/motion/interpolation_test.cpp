// The interpolation driver: the position of a request between the two middle
// frames, when the bilateral estimation runs, and when the driver copies
// instead of synthesising (the synthesis itself is checked against a model
// and by the golden table).
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "motion/inject_frame.h"
#include "motion/synthesize_frame.h"
#include "motion_fixture.h"

namespace frameinterp {
namespace {

using testing::ContextGuard;
using testing::OwnedFrame;
using testing::context_for;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TEST(InterpolationPosition, IsExactAcrossTheWholeTimeRange) {
  EXPECT_EQ(interpolation_position(0, kMin, kMax), 512);
  EXPECT_EQ(interpolation_position(kMax, kMin, kMax), 1024);
  EXPECT_EQ(interpolation_position(kMin, kMin + 1, kMax), 0);
  EXPECT_EQ(interpolation_position(kMax - 1, kMax - 4, kMax), 768);
  // A wide gap that (pts - first) << 10 would overflow.
  EXPECT_EQ(interpolation_position(int64_t{1} << 61, 0, int64_t{1} << 62), 512);
  EXPECT_EQ(interpolation_position(77, 50, 50), 0) << "equal times: no division by zero";
}

struct Driver : ::testing::Test {
  static constexpr int32_t kW = 64, kH = 64;
  std::shared_ptr<MIContext> ctx;
  std::unique_ptr<ContextGuard> guard;
  std::unique_ptr<OwnedFrame> frames[4];

  void Configure() {
    ctx = context_for(1, kW, kH);
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
  bool SynthesisCopies(int64_t pts, int i) {
    OwnedFrame out(1, kW, kH, pts);
    synthesize_frame(ctx, &out.frame);
    return Copies(out, i) && out.frame.pts == pts;
  }
};

TEST_F(Driver, CopiesAtTheEndsAndAfterASceneCutAndWritesNothingWithoutItsPictures) {
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
  ctx->format = 6;
  EXPECT_FALSE(SynthesisCopies(400000, 1)) << "a format not the context's: not written";
  ctx->format = 1;
  ctx->frames[0].frame = nullptr;
  EXPECT_FALSE(SynthesisCopies(400000, 1)) << "a window still filling: not written";
  ctx->frames[1].frame = nullptr;
  EXPECT_FALSE(SynthesisCopies(400000, 1)) << "a window without its first frame: not written";
}

}  // namespace
}  // namespace frameinterp
