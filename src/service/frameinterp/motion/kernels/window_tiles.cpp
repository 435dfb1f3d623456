#include <cmath>

#include "motion/kernels/pair_gather.h"

namespace frameinterp {

float window_reciprocal(uint32_t total) {
  float r = 1.0f / static_cast<float>(total);
  for (int i = 0; i < 3; ++i) r = std::nextafter(r, INFINITY);
  return r;
}

bool make_window_tiles(const GatherRect& rect, WindowTiles* tiles) {
  if (rect.pairs != 4) return false;
  const int32_t row_bytes = rect.cols == 8 ? 8 : 16;
  const int32_t tile_rows = kTileSamples / row_bytes;
  if (rect.cols % row_bytes != 0 || rect.rows % tile_rows != 0 ||
      rect.cols / row_bytes * (rect.rows / tile_rows) > kMaxWindowTiles) {
    return false;
  }
  int32_t n = 0;
  for (int32_t r = 0; r < rect.rows; r += tile_rows) {
    for (int32_t c = 0; c < rect.cols; c += row_bytes, ++n) {
      for (int32_t e = 0; e < kTileSamples; ++e) {
        const int32_t half = e / 4 % 2, byte = 4 * (e / 8) + e % 4;
        const int32_t row = r + (row_bytes == 16 ? half : 2 * half + byte / 8);
        const int32_t col = c + (row_bytes == 16 ? byte : byte % 8);
        uint32_t w[4];
        for (int32_t k = 0; k < 4; ++k) w[k] = rect.pair[k].weights[row * rect.weights_stride + col];
        const uint32_t total = w[0] + w[1] + w[2] + w[3];
        if (total == 0) return false;
        tiles->weights01[n][e] = w[0] | w[1] << 16;
        tiles->weights23[n][e] = w[2] | w[3] << 16;
        tiles->half_total[n][e] = total << 9;
        tiles->reciprocal[n][e] = window_reciprocal(total);
        const int32_t at = row * rect.cols + col;  // by position
        tiles->weight_bytes[at] = w[0] | w[1] << 8 | w[2] << 16 | w[3] << 24;
        tiles->total_128[at] = total << 7;
        tiles->reciprocal_by_sample[at] = tiles->reciprocal[n][e];
      }
    }
  }
  return true;
}

}  // namespace frameinterp
