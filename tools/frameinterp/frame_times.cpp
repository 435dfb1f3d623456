#include "frame_times.h"

#include <limits>

namespace fitool {
namespace {

struct U128 {
  uint64_t hi;
  uint64_t lo;
};

U128 Multiply(uint64_t a, uint64_t b) {
  const uint64_t a_lo = a & 0xFFFFFFFFu, a_hi = a >> 32;
  const uint64_t b_lo = b & 0xFFFFFFFFu, b_hi = b >> 32;
  const uint64_t lo_lo = a_lo * b_lo;
  const uint64_t hi_lo = a_hi * b_lo;
  const uint64_t lo_hi = a_lo * b_hi;
  const uint64_t hi_hi = a_hi * b_hi;
  const uint64_t middle = (lo_lo >> 32) + (hi_lo & 0xFFFFFFFFu) + (lo_hi & 0xFFFFFFFFu);
  return {hi_hi + (hi_lo >> 32) + (lo_hi >> 32) + (middle >> 32),
          (middle << 32) | (lo_lo & 0xFFFFFFFFu)};
}

}  // namespace

std::optional<int64_t> MulDivFloor(int64_t a, int64_t b, int64_t c) {
  if (a < 0 || b < 0 || c <= 0) return std::nullopt;
  const U128 product = Multiply(static_cast<uint64_t>(a), static_cast<uint64_t>(b));
  const auto divisor = static_cast<uint64_t>(c);
  // A high word at or above the divisor means a quotient of 2^64 or more.
  if (product.hi >= divisor) return std::nullopt;
  // Long division one bit at a time; the remainder stays below c < 2^63, so
  // doubling it and adding a bit never overflows.
  uint64_t remainder = product.hi;
  uint64_t quotient = 0;
  for (int bit = 63; bit >= 0; --bit) {
    remainder = (remainder << 1) | ((product.lo >> bit) & 1);
    quotient <<= 1;
    if (remainder >= divisor) {
      remainder -= divisor;
      quotient |= 1;
    }
  }
  if (quotient > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  return static_cast<int64_t>(quotient);
}

bool TimelineFits(Rational rate, int64_t count) {
  return count >= 0 && MulDivFloor(count, kTicksPerSecond * rate.den, rate.num).has_value();
}

int64_t FrameTime(int64_t index, Rational rate) {
  return MulDivFloor(index, kTicksPerSecond * rate.den, rate.num)
      .value_or(std::numeric_limits<int64_t>::max());
}

int64_t FrameAtOrBefore(int64_t pts, Rational rate, int64_t count) {
  // Frame times rise with the index: find the last one not after pts.
  int64_t low = 0;
  int64_t high = count - 1;
  while (low < high) {
    const int64_t middle = low + (high - low + 1) / 2;
    if (FrameTime(middle, rate) <= pts) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

std::vector<int64_t> RequestSchedule(Rational output_rate, int64_t last_pts) {
  std::vector<int64_t> times;
  for (int64_t k = 0;; ++k) {
    const int64_t t = FrameTime(k, output_rate);
    if (t > last_pts) break;
    times.push_back(t);
  }
  return times;
}

}  // namespace fitool
