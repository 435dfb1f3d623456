// Exact arithmetic on presentation times (signed 64-bit counts of 100-ns ticks).
// Requests may carry any 64-bit time, so sums such as pts + 100 near the ends of
// the range are evaluated in a wider type instead of overflowing.
#pragma once

#include <cstdint>
#include <limits>

namespace frameinterp {

inline constexpr int64_t kTicksPerSecond = 10'000'000;
// Marks a time not yet known (minus one hour).
inline constexpr int64_t kNoTime = -36'000'000'000;

// A signed 128-bit two's-complement value, enough for sums and small multiples
// of 64-bit times. Portable: no compiler-specific 128-bit type.
class WideTicks {
public:
  constexpr WideTicks(int64_t value)  // NOLINT(google-explicit-constructor): widening is exact
      : hi_(value < 0 ? ~uint64_t{0} : 0), lo_(static_cast<uint64_t>(value)) {}

  friend constexpr WideTicks operator+(WideTicks a, WideTicks b) {
    WideTicks sum(0);
    sum.lo_ = a.lo_ + b.lo_;
    sum.hi_ = a.hi_ + b.hi_ + (sum.lo_ < a.lo_ ? 1 : 0);
    return sum;
  }

  // this × k, by doubling and adding.
  constexpr WideTicks Times(uint32_t k) const {
    WideTicks product(0);
    WideTicks term = *this;
    for (; k != 0; k >>= 1) {
      if (k & 1) product = product + term;
      term = term + term;
    }
    return product;
  }

  friend constexpr bool operator<(WideTicks a, WideTicks b) {
    const auto a_hi = static_cast<int64_t>(a.hi_);
    const auto b_hi = static_cast<int64_t>(b.hi_);
    return a_hi != b_hi ? a_hi < b_hi : a.lo_ < b.lo_;
  }
  friend constexpr bool operator>(WideTicks a, WideTicks b) { return b < a; }
  friend constexpr bool operator>=(WideTicks a, WideTicks b) { return !(a < b); }
  friend constexpr bool operator<=(WideTicks a, WideTicks b) { return !(b < a); }

private:
  uint64_t hi_;
  uint64_t lo_;
};

// a + b, held at the ends of the 64-bit range instead of overflowing.
constexpr int64_t SaturatingAdd(int64_t a, int64_t b) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  if (b > 0 && a > kMax - b) return kMax;
  if (b < 0 && a < kMin - b) return kMin;
  return a + b;
}

// The magnitude of a 64-bit value, exact for the most negative one too.
constexpr uint64_t Magnitude(int64_t value) {
  return value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// Nominal frame duration in ticks of a rate of num/den frames per second:
// den × 10,000,000 / num in signed division, truncated, computed without
// overflow, so a rate whose numerator and denominator are both negative has
// the duration of their magnitudes. A rate with a zero numerator or
// denominator, or of one negative sign, gives no positive duration and has no
// known duration (0); a duration beyond the 64-bit range saturates.
constexpr int64_t NominalFrameDuration(int64_t num, int64_t den) {
  if (num == 0 || den == 0 || (num < 0) != (den < 0)) return 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const uint64_t n = Magnitude(num);
  const uint64_t d = Magnitude(den);
  const uint64_t whole = d / n;
  const uint64_t remainder = d % n;
  if (whole > static_cast<uint64_t>(kMax / kTicksPerSecond)) return kMax;

  // floor(remainder × 10,000,000 / n) by binary long division over the bits of
  // 10,000,000 (< 2^24); the running remainder stays below n, so its doubling
  // and the added remainder stay below 2n <= 2^64.
  uint64_t fraction = 0;
  uint64_t running = 0;
  for (int bit = 23; bit >= 0; --bit) {
    fraction <<= 1;
    running <<= 1;
    if (running >= n) {
      running -= n;
      ++fraction;
    }
    if ((static_cast<uint64_t>(kTicksPerSecond) >> bit) & 1) {
      running += remainder;
      if (running >= n) {
        running -= n;
        ++fraction;
      }
    }
  }
  const uint64_t scaled = whole * static_cast<uint64_t>(kTicksPerSecond);
  if (scaled > static_cast<uint64_t>(kMax) - fraction) return kMax;
  return static_cast<int64_t>(scaled + fraction);
}

}  // namespace frameinterp
