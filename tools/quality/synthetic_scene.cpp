#include "synthetic_scene.h"

#include <algorithm>
#include <array>

#include "scene_layers.h"

namespace fitool {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int64_t kRateNum = 24;
constexpr int64_t kRateDen = 1;
constexpr int kFrames = 48;
constexpr int kCutFrame = 32;  // the first frame of the second scene

// First scene: three objects over a slowly drifting backdrop, about 5, 4 and
// 3 pixels per frame. The rectangle and the ellipse pass each other around
// frame 20 (the ellipse in front); the diamond climbs into the ellipse near
// the cut and covers it.
// clang-format off
constexpr Backdrop kFirstBackdrop{.seed = 11, .drift_x = 12, .drift_y = 4,
                                  .luma = 110, .luma_swing = 150,
                                  .u = 115, .v = 130, .chroma_swing = 18};
constexpr std::array<Mover, 3> kFirstMovers{{
    {.shape = Shape::kRectangle, .half_width = 32, .half_height = 22,
     .x0 = 70, .y0 = 70, .vx = 120, .vy = 10, .sway = 0, .sway_period = 1,
     .angle0 = 0.2, .spin = 0.8, .seed = 101,
     .luma = 170, .contrast = 50, .u = 95, .v = 175, .stripe_period = 11},
    {.shape = Shape::kEllipse, .half_width = 28, .half_height = 20,
     .x0 = 250, .y0 = 95, .vx = -100, .vy = -8, .sway = 0, .sway_period = 1,
     .angle0 = 0, .spin = -1.2, .seed = 202,
     .luma = 120, .contrast = 45, .u = 170, .v = 105, .stripe_period = 9},
    {.shape = Shape::kDiamond, .half_width = 24, .half_height = 20,
     .x0 = 40, .y0 = 150, .vx = 60, .vy = -30, .sway = 6, .sway_period = 0.9,
     .angle0 = 0.5, .spin = 2.0, .seed = 303,
     .luma = 200, .contrast = 30, .u = 110, .v = 110, .stripe_period = 7},
}};

// Second scene (times counted from the cut): a darker, bluer backdrop
// drifting the other way, a large turning ellipse and a bar that sweeps
// down across it.
constexpr Backdrop kSecondBackdrop{.seed = 77, .drift_x = -15, .drift_y = 6,
                                   .luma = 80, .luma_swing = 120,
                                   .u = 150, .v = 115, .chroma_swing = 14};
constexpr std::array<Mover, 2> kSecondMovers{{
    {.shape = Shape::kEllipse, .half_width = 40, .half_height = 26,
     .x0 = 200, .y0 = 90, .vx = -40, .vy = 0, .sway = 0, .sway_period = 1,
     .angle0 = 0.3, .spin = 1.5, .seed = 404,
     .luma = 190, .contrast = 40, .u = 100, .v = 150, .stripe_period = 10},
    {.shape = Shape::kRectangle, .half_width = 50, .half_height = 8,
     .x0 = 60, .y0 = 20, .vx = 120, .vy = 140, .sway = 0, .sway_period = 1,
     .angle0 = -0.4, .spin = 0.5, .seed = 505,
     .luma = 60, .contrast = 25, .u = 140, .v = 90, .stripe_period = 8},
}};
// clang-format on

}  // namespace

SyntheticScene::SyntheticScene() = default;

int SyntheticScene::width() const { return kWidth; }
int SyntheticScene::height() const { return kHeight; }
int64_t SyntheticScene::rate_num() const { return kRateNum; }
int64_t SyntheticScene::rate_den() const { return kRateDen; }
int SyntheticScene::frame_count() const { return kFrames; }
int SyntheticScene::cut_frame() const { return kCutFrame; }

Picture SyntheticScene::Render(double seconds) const {
  // Frame times may come in rounded down, as i·den/num in floating point or
  // as whole 100-ns ticks; anything within one tick before the cut counts as
  // the cut frame itself.
  constexpr double kTick = 1e-7;
  const double cut_seconds = static_cast<double>(kCutFrame) * kRateDen / kRateNum;
  FloatFrame frame(kWidth, kHeight);
  if (seconds < cut_seconds - kTick) {
    DrawBackdrop(kFirstBackdrop, seconds, frame);
    for (const Mover& m : kFirstMovers) DrawMover(m, seconds, frame);
  } else {
    const double since_cut = std::max(0.0, seconds - cut_seconds);
    DrawBackdrop(kSecondBackdrop, since_cut, frame);
    for (const Mover& m : kSecondMovers) DrawMover(m, since_cut, frame);
  }
  return ToPicture(frame);
}

std::string SyntheticScene::Describe() const {
  return "synthetic scene " + std::to_string(kWidth) + "x" + std::to_string(kHeight) + " at " +
         std::to_string(kRateNum) + " fps, " + std::to_string(kFrames) +
         " frames: textured objects moving, turning and crossing over a drifting textured "
         "background, with a hard cut at frame " +
         std::to_string(kCutFrame);
}

}  // namespace fitool
