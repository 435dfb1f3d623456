// BT.601 limited-range YUV to RGB in 8-bit fixed point: luma scaled by
// 255/219 (298/256), chroma by 255/224 times the matrix terms; results clipped.
#pragma once

#include <algorithm>
#include <cstdint>

namespace fitool {

struct Rgb {
  uint8_t r, g, b;
};

inline Rgb YuvToRgb(int y, int u, int v) {
  const auto clip = [](int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); };
  const int c = 298 * (y - 16);  // fits in int: |c| <= 298 x 239, terms below add < 2^17
  const int d = u - 128;
  const int e = v - 128;
  return {clip((c + 409 * e + 128) >> 8), clip((c - 100 * d - 208 * e + 128) >> 8),
          clip((c + 516 * d + 128) >> 8)};
}

}  // namespace fitool
