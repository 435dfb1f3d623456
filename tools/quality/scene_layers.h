// The layers the synthetic scene is drawn from: a drifting value-noise
// backdrop and textured shapes that move and turn. They are composited in
// floating point at full resolution; ToPicture then rounds to limited range and
// averages chroma over each 2×2 block.
#pragma once

#include <cstdint>
#include <vector>

#include "picture.h"

namespace fitool {

// Full-resolution Y, U and V planes in sample units (nominally 16…240).
struct FloatFrame {
  FloatFrame(int w, int h);
  int width;
  int height;
  std::vector<float> y, u, v;
};

// A smooth multi-scale texture (features from 32 down to 4 pixels) that moves
// by (drift_x, drift_y) pixels per second.
struct Backdrop {
  uint32_t seed;
  double drift_x, drift_y;
  double luma, luma_swing;    // luma = luma + luma_swing · texture, texture in −1…1
  double u, v, chroma_swing;  // chroma varies slowly around (u, v)
};

enum class Shape { kRectangle, kEllipse, kDiamond };

// A textured shape whose centre moves at (vx, vy) pixels per second, swaying
// vertically by sway·sin(2π·t / sway_period), while it turns at `spin`
// radians per second. Its texture (stripes crossed with noise, period
// `stripe_period` pixels) is fixed to the shape, so it turns with it.
struct Mover {
  Shape shape;
  double half_width, half_height;
  double x0, y0, vx, vy;
  double sway, sway_period;
  double angle0, spin;
  uint32_t seed;
  double luma, contrast, u, v;
  double stripe_period;
};

void DrawBackdrop(const Backdrop& backdrop, double seconds, FloatFrame& frame);

// Draws the shape over what is already in `frame`, edges covered by 4×4
// subsamples per pixel.
void DrawMover(const Mover& mover, double seconds, FloatFrame& frame);

Picture ToPicture(const FloatFrame& frame);

}  // namespace fitool
