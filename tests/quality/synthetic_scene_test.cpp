#include "quality/synthetic_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

// Luma sum of absolute differences of the 16×16 block at (x, y) in `a` and
// the one displaced by (dx, dy) in `b`.
int BlockSad(const Picture& a, const Picture& b, int x, int y, int dx, int dy) {
  int sad = 0;
  for (int r = 0; r < 16; ++r) {
    for (int c = 0; c < 16; ++c) {
      sad += std::abs(a.y[static_cast<size_t>(y + r) * a.width + x + c] -
                      b.y[static_cast<size_t>(y + r + dy) * b.width + x + c + dx]);
    }
  }
  return sad;
}

TEST_F(Scene, ObjectsMoveFastOverASlowBackground) {
  // Full search of ±8 pixels for each 16×16 block between frames 3 and 4.
  const Picture a = Frame(3), b = Frame(4);
  constexpr int kRange = 8;
  int blocks = 0, still = 0, fast_and_matched = 0;
  for (int y = kRange; y + 16 + kRange <= a.height; y += 16) {
    for (int x = kRange; x + 16 + kRange <= a.width; x += 16) {
      int best = BlockSad(a, b, x, y, 0, 0), best_dx = 0, best_dy = 0;
      const int zero = best;
      for (int dy = -kRange; dy <= kRange; ++dy) {
        for (int dx = -kRange; dx <= kRange; ++dx) {
          const int sad = BlockSad(a, b, x, y, dx, dy);
          if (sad < best) best = sad, best_dx = dx, best_dy = dy;
        }
      }
      ++blocks;
      const int distance = std::max(std::abs(best_dx), std::abs(best_dy));
      if (distance <= 1) ++still;
      // A block inside a moving object: the match is good, staying put is not.
      if (distance >= 3 && best * 3 < zero) ++fast_and_matched;
    }
  }
  EXPECT_GT(still, blocks * 3 / 4);
  EXPECT_GE(fast_and_matched, 2);
}

}  // namespace
