// Presentation times of frames on the 100-ns tick time line, computed exactly
// from the frame index and the rate (no accumulated rounding).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "rational.h"

namespace fitool {

inline constexpr int64_t kTicksPerSecond = 10'000'000;

// floor(a × b / c) for a, b ≥ 0 and c > 0, exact through a 128-bit
// intermediate; nullopt when the quotient does not fit in an int64_t.
std::optional<int64_t> MulDivFloor(int64_t a, int64_t b, int64_t c);

// Whether every frame time up to and including FrameTime(count) fits the
// 64-bit time line; `rate` must be valid (RateProblem is empty).
bool TimelineFits(Rational rate, int64_t count);

// floor(index × 10,000,000 × den / num); requires TimelineFits(rate, index).
int64_t FrameTime(int64_t index, Rational rate);

// The largest index i ≥ 0 with FrameTime(i) ≤ pts, or 0 when pts lies before
// the first frame: the frame of an endless stream that covers pts.
int64_t FrameIndexAt(int64_t pts, Rational rate);

// How many output frames k have FrameTime(k, output_rate) < end, the times of
// a clip that ends at `end`; `output_rate` must be valid.
int64_t RequestCount(Rational output_rate, int64_t end);

// The output request times FrameTime(k, output_rate) that lie before `end`.
std::vector<int64_t> RequestTimes(Rational output_rate, int64_t end);

}  // namespace fitool
