// Synthetic 8-bit planes for the motion tests and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace frameinterp::testing {

struct Plane {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  std::vector<uint8_t> px;

  Plane() = default;
  Plane(int32_t w, int32_t h, int32_t s, uint8_t fill = 0)
      : width(w), height(h), stride(s), px(static_cast<size_t>(s) * h, fill) {}

  uint8_t& at(int32_t x, int32_t y) { return px[static_cast<size_t>(y) * stride + x]; }
  uint8_t at(int32_t x, int32_t y) const { return px[static_cast<size_t>(y) * stride + x]; }
  const uint8_t* data() const { return px.data(); }
  uint8_t* data() { return px.data(); }
};

// Blurred noise: textured everywhere without repeating, yet smooth enough
// that block costs fall steadily toward the true shift over a few pixels.
Plane smooth_texture(int32_t width, int32_t height, int32_t stride);

// Uniformly random samples.
Plane random_plane(int32_t width, int32_t height, int32_t stride, uint32_t seed);

// out(x + dx, y + dy) = in(x, y); edges repeat the nearest source sample.
Plane shifted(const Plane& in, int32_t dx, int32_t dy);

}  // namespace frameinterp::testing
