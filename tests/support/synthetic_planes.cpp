#include "synthetic_planes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace frameinterp::testing {

Plane smooth_texture(int32_t width, int32_t height, int32_t stride) {
  Plane p(width, height, stride);
  const double tau = 2.0 * std::numbers::pi;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double v = 128.0 + 50.0 * std::sin(tau * x / 37.0 + 0.5) * std::cos(tau * y / 29.0) +
                       40.0 * std::sin(tau * (x + 2.0 * y) / 53.0) +
                       25.0 * std::cos(tau * (3.0 * x - y) / 47.0);
      p.at(x, y) = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
  return p;
}

Plane random_plane(int32_t width, int32_t height, int32_t stride, uint32_t seed) {
  Plane p(width, height, stride);
  std::mt19937 rng(seed);
  for (uint8_t& v : p.px) {
    v = static_cast<uint8_t>(rng() & 0xFF);
  }
  return p;
}

Plane shifted(const Plane& in, int32_t dx, int32_t dy) {
  Plane out(in.width, in.height, in.stride);
  for (int32_t y = 0; y < in.height; ++y) {
    for (int32_t x = 0; x < in.width; ++x) {
      out.at(x, y) = in.at(std::clamp(x - dx, 0, in.width - 1), std::clamp(y - dy, 0, in.height - 1));
    }
  }
  return out;
}

Plane from_luma(const std::vector<uint8_t>& luma, int32_t width, int32_t height) {
  Plane p(width, height, width);
  std::copy(luma.begin(), luma.begin() + static_cast<std::ptrdiff_t>(p.px.size()), p.px.begin());
  return p;
}

Plane upscale(const Plane& in, int32_t factor) {
  Plane out(in.width * factor, in.height * factor, in.width * factor);
  for (int32_t y = 0; y < out.height; ++y) {
    const double sy = std::max(0.0, (y + 0.5) / factor - 0.5);
    const int32_t y0 = std::min(static_cast<int32_t>(sy), in.height - 1);
    const int32_t y1 = std::min(y0 + 1, in.height - 1);
    const double fy = sy - y0;
    for (int32_t x = 0; x < out.width; ++x) {
      const double sx = std::max(0.0, (x + 0.5) / factor - 0.5);
      const int32_t x0 = std::min(static_cast<int32_t>(sx), in.width - 1);
      const int32_t x1 = std::min(x0 + 1, in.width - 1);
      const double fx = sx - x0;
      const double top = in.at(x0, y0) * (1 - fx) + in.at(x1, y0) * fx;
      const double bottom = in.at(x0, y1) * (1 - fx) + in.at(x1, y1) * fx;
      out.at(x, y) = static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
    }
  }
  return out;
}

}  // namespace frameinterp::testing
