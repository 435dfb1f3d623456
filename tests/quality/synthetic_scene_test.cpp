#include "quality/synthetic_scene.h"

#include <gtest/gtest.h>

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

}  // namespace
