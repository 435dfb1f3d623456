#include "motion/overlap_windows.h"

#include <cstddef>

namespace frameinterp {
namespace {

// Entry [r][c] of the window of side S is 4 x round(a[r] x a[c] x 64 / S^2)
// with a[i] = 2 x min(i, S - 1 - i) + 1 (1, 3, ..., S - 1, S - 1, ..., 3, 1).
// No entry lies on a tie, so rounding half up is exact. a[i] <= S - 1, so an
// entry is at most 4 x round(64 x (S - 1)^2 / S^2) = 240 for S = 32.
template <int32_t S>
constexpr std::array<uint8_t, static_cast<size_t>(S) * S> make_window() {
  std::array<uint8_t, static_cast<size_t>(S) * S> window{};
  const auto a = [](int32_t i) { return 2 * (i < S - 1 - i ? i : S - 1 - i) + 1; };
  const int64_t denominator = int64_t{S} * S;
  for (int32_t r = 0; r < S; ++r) {
    for (int32_t c = 0; c < S; ++c) {
      const int64_t numerator = int64_t{a(r)} * a(c) * 64;
      const int64_t rounded = (2 * numerator + denominator) / (2 * denominator);
      window[static_cast<size_t>(r) * S + c] = static_cast<uint8_t>(4 * rounded);
    }
  }
  return window;
}

}  // namespace

const std::array<uint8_t, 32 * 32> overlap_window_32 = make_window<32>();
const std::array<uint8_t, 16 * 16> overlap_window_16 = make_window<16>();
const std::array<uint8_t, 8 * 8> overlap_window_8 = make_window<8>();
const std::array<uint8_t, 4 * 4> overlap_window_4 = make_window<4>();

const uint8_t* const overlap_windows[4] = {overlap_window_32.data(), overlap_window_16.data(),
                                           overlap_window_8.data(), overlap_window_4.data()};

}  // namespace frameinterp
