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

int64_t FrameIndexAt(int64_t pts, Rational rate) {
  if (pts <= 0) return 0;
  // floor(pts × num / (10,000,000 × den)) never overshoots; the frame times'
  // own rounding down can put the next frame at or before pts.
  int64_t index = MulDivFloor(pts, rate.num, kTicksPerSecond * rate.den).value_or(0);
  for (;;) {
    const auto next = MulDivFloor(index + 1, kTicksPerSecond * rate.den, rate.num);
    if (!next || *next > pts) return index;
    ++index;
  }
}

int64_t RequestCount(Rational output_rate, int64_t end) {
  if (end <= 0) return 0;
  // k = floor(end × N / (10,000,000 × D)) is the first frame whose exact time
  // reaches end; rounded down to ticks it may still lie before it. A valid
  // rate has at most 100,000 frames a second, so k is far below 2^63.
  const int64_t k = *MulDivFloor(end, output_rate.num, kTicksPerSecond * output_rate.den);
  return FrameTime(k, output_rate) < end ? k + 1 : k;
}

std::vector<int64_t> RequestTimes(Rational output_rate, int64_t end) {
  std::vector<int64_t> times;
  for (int64_t k = 0;; ++k) {
    const int64_t t = FrameTime(k, output_rate);
    if (t >= end) break;
    times.push_back(t);
  }
  return times;
}

}  // namespace fitool
