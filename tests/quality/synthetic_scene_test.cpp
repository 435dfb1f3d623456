#include "quality/synthetic_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "quality/metrics.h"

namespace {

using fitool::Picture;
using fitool::PsnrY;
using fitool::SyntheticScene;

class Scene : public ::testing::Test {
protected:
  double FrameTime(double i) const {
    return i * static_cast<double>(scene_.rate_den()) / scene_.rate_num();
  }
  Picture Frame(double i) const { return scene_.Render(FrameTime(i)); }
  const SyntheticScene scene_;
};

TEST_F(Scene, DeterministicLimitedRangeAndDescribed) {
  ASSERT_GT(scene_.frame_count(), scene_.cut_frame());
  ASSERT_GT(scene_.cut_frame(), 1);
  const Picture p = Frame(5.25);
  EXPECT_TRUE(p == SyntheticScene().Render(FrameTime(5.25)));
  EXPECT_TRUE(p == Frame(5.25));
  for (const Picture& q : {p, Frame(scene_.cut_frame() + 3)}) {
    EXPECT_GE(*std::min_element(q.y.begin(), q.y.end()), 16);
    EXPECT_LE(*std::max_element(q.y.begin(), q.y.end()), 235);
    for (const auto* plane : {&q.u, &q.v}) {
      EXPECT_GE(*std::min_element(plane->begin(), plane->end()), 16);
      EXPECT_LE(*std::max_element(plane->begin(), plane->end()), 240);
    }
  }
  EXPECT_FALSE(scene_.Describe().empty());
  EXPECT_EQ(scene_.Describe().find('\n'), std::string::npos);
}

TEST_F(Scene, OneHardCutAndSmallChangesElsewhere) {
  Picture previous = Frame(0);
  for (int i = 1; i < scene_.frame_count(); ++i) {
    const Picture current = Frame(i);
    const double psnr = PsnrY(previous, current);
    if (i == scene_.cut_frame()) {
      EXPECT_LT(psnr, 16) << "no cut before frame " << i;
    } else {
      EXPECT_GT(psnr, 22) << "frame " << i;
      EXPECT_LT(psnr, 40) << "frame " << i << " barely changes";
    }
    previous = current;
  }
  // The cut frame's time rounded down to 100-ns ticks still shows the cut
  // frame; a little before it the first scene still shows.
  const int64_t cut_ticks =
      int64_t{scene_.cut_frame()} * 10'000'000 * scene_.rate_den() / scene_.rate_num();
  EXPECT_TRUE(scene_.Render(static_cast<double>(cut_ticks) / 1e7) == Frame(scene_.cut_frame()));
  const Picture before = Frame(scene_.cut_frame() - 0.1);
  EXPECT_GT(PsnrY(before, Frame(scene_.cut_frame() - 1)), PsnrY(before, Frame(scene_.cut_frame())));
}

TEST_F(Scene, InBetweenPicturesLieBetweenTheirNeighbours) {
  for (const int i : {0, 9, 19, 30, 40}) {
    if (i + 1 == scene_.cut_frame()) continue;
    const Picture a = Frame(i), b = Frame(i + 1), middle = Frame(i + 0.5);
    Picture blend = a;
    for (size_t k = 0; k < blend.y.size(); ++k)
      blend.y[k] = static_cast<uint8_t>((a.y[k] + b.y[k] + 1) / 2);
    const double step = PsnrY(a, b);
    EXPECT_GT(PsnrY(middle, a), step + 1) << i;
    EXPECT_GT(PsnrY(middle, b), step + 1) << i;
    // Blending is close to the truth but not the same: things move.
    const double blend_psnr = PsnrY(middle, blend);
    EXPECT_GT(blend_psnr, step) << i;
    EXPECT_LT(blend_psnr, 45) << i;
  }
}

}  // namespace
