#include "scene_layers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fitool {
namespace {

// A well-mixed 32-bit hash of a lattice point (unsigned arithmetic throughout).
uint32_t LatticeHash(int64_t x, int64_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// Value noise in 0…1: lattice values every `cell` pixels, blended with a
// smoothstep so that the texture and its slope are continuous.
double ValueNoise(double x, double y, double cell, uint32_t seed) {
  const double fx = x / cell, fy = y / cell;
  const double ix = std::floor(fx), iy = std::floor(fy);
  const double tx = fx - ix, ty = fy - iy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const auto xi = static_cast<int64_t>(ix), yi = static_cast<int64_t>(iy);
  constexpr double kScale = 1.0 / 4294967296.0;
  const double v00 = LatticeHash(xi, yi, seed) * kScale;
  const double v10 = LatticeHash(xi + 1, yi, seed) * kScale;
  const double v01 = LatticeHash(xi, yi + 1, seed) * kScale;
  const double v11 = LatticeHash(xi + 1, yi + 1, seed) * kScale;
  const double top = v00 + (v10 - v00) * sx, bottom = v01 + (v11 - v01) * sx;
  return top + (bottom - top) * sy;
}

// Four octaves (32, 16, 8, 4 pixels), in −1…1 but mostly within ±0.6.
double Texture(double x, double y, uint32_t seed) {
  return 2 * (0.40 * ValueNoise(x, y, 32, seed) + 0.30 * ValueNoise(x, y, 16, seed + 1) +
              0.20 * ValueNoise(x, y, 8, seed + 2) + 0.10 * ValueNoise(x, y, 4, seed + 3)) -
         1;
}

bool Inside(Shape shape, double x, double y, double a, double b) {
  switch (shape) {
    case Shape::kRectangle:
      return std::abs(x) <= a && std::abs(y) <= b;
    case Shape::kEllipse:
      return (x / a) * (x / a) + (y / b) * (y / b) <= 1;
    case Shape::kDiamond:
      return std::abs(x) / a + std::abs(y) / b <= 1;
  }
  return false;
}

}  // namespace

FloatFrame::FloatFrame(int w, int h)
    : width(w), height(h), y(static_cast<size_t>(w) * h), u(y.size()), v(y.size()) {}

void DrawBackdrop(const Backdrop& b, double seconds, FloatFrame& frame) {
  const double ox = b.drift_x * seconds, oy = b.drift_y * seconds;
  for (int r = 0; r < frame.height; ++r) {
    for (int c = 0; c < frame.width; ++c) {
      const double x = c + 0.5 - ox, y = r + 0.5 - oy;
      const size_t i = static_cast<size_t>(r) * frame.width + c;
      frame.y[i] = static_cast<float>(b.luma + b.luma_swing * Texture(x, y, b.seed));
      frame.u[i] =
          static_cast<float>(b.u + b.chroma_swing * (2 * ValueNoise(x, y, 48, b.seed + 10) - 1));
      frame.v[i] =
          static_cast<float>(b.v + b.chroma_swing * (2 * ValueNoise(x, y, 48, b.seed + 11) - 1));
    }
  }
}

void DrawMover(const Mover& m, double seconds, FloatFrame& frame) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  const double cx = m.x0 + m.vx * seconds;
  const double cy = m.y0 + m.vy * seconds + m.sway * std::sin(kTwoPi * seconds / m.sway_period);
  const double angle = m.angle0 + m.spin * seconds;
  const double cs = std::cos(angle), sn = std::sin(angle);
  // Picture offsets (dx, dy) from the centre map to shape coordinates by the
  // inverse rotation.
  const auto local_x = [&](double dx, double dy) { return cs * dx + sn * dy; };
  const auto local_y = [&](double dx, double dy) { return -sn * dx + cs * dy; };

  const double radius = std::hypot(m.half_width, m.half_height);
  const int c0 = std::max(0, static_cast<int>(std::floor(cx - radius)));
  const int c1 = std::min(frame.width - 1, static_cast<int>(std::ceil(cx + radius)));
  const int r0 = std::max(0, static_cast<int>(std::floor(cy - radius)));
  const int r1 = std::min(frame.height - 1, static_cast<int>(std::ceil(cy + radius)));
  constexpr int kSub = 4;
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      int covered = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double dx = c + (sx + 0.5) / kSub - cx, dy = r + (sy + 0.5) / kSub - cy;
          covered += Inside(m.shape, local_x(dx, dy), local_y(dx, dy), m.half_width, m.half_height);
        }
      }
      if (covered == 0) continue;
      const double dx = c + 0.5 - cx, dy = r + 0.5 - cy;
      const double lx = local_x(dx, dy), ly = local_y(dx, dy);
      const double stripes =
          std::sin(kTwoPi * lx / m.stripe_period) * std::sin(kTwoPi * ly / m.stripe_period);
      const double pattern = 0.55 * stripes + 0.45 * (2 * ValueNoise(lx, ly, 4, m.seed) - 1);
      const double alpha = covered / double{kSub * kSub};
      const size_t i = static_cast<size_t>(r) * frame.width + c;
      const auto blend = [alpha](float& under, double over) {
        under = static_cast<float>(under + alpha * (over - under));
      };
      blend(frame.y[i], m.luma + m.contrast * pattern);
      blend(frame.u[i], m.u + 0.2 * m.contrast * pattern);
      blend(frame.v[i], m.v - 0.2 * m.contrast * pattern);
    }
  }
}

Picture ToPicture(const FloatFrame& frame) {
  Picture p = Picture::Filled(frame.width, frame.height, 16, 128);
  const auto quantise = [](double value, double high) {
    return static_cast<uint8_t>(std::lround(std::clamp(value, 16.0, high)));
  };
  for (size_t i = 0; i < p.y.size(); ++i) p.y[i] = quantise(frame.y[i], 235);
  const int cw = p.chroma_width();
  for (int r = 0; r < p.chroma_height(); ++r) {
    for (int c = 0; c < cw; ++c) {
      const size_t i = static_cast<size_t>(2 * r) * frame.width + 2 * c;
      const size_t below = i + static_cast<size_t>(frame.width);
      const size_t o = static_cast<size_t>(r) * cw + c;
      const auto block_mean = [&](const std::vector<float>& plane) {
        return (plane[i] + plane[i + 1] + plane[below] + plane[below + 1]) / 4.0;
      };
      p.u[o] = quantise(block_mean(frame.u), 240);
      p.v[o] = quantise(block_mean(frame.v), 240);
    }
  }
  return p;
}

}  // namespace fitool
