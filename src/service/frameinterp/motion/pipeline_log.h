// Tag, level and stopwatch of the motion pipeline's timing messages.
#pragma once

#include <chrono>
#include <cstdint>

namespace frameinterp {

inline constexpr char kMotionLogTag[] = "FrameSourceMotionImpl";
inline constexpr int32_t kMotionLogTiming = 1;

inline int64_t steady_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Whole milliseconds since a steady_ns() reading, truncated.
inline long long elapsed_ms(int64_t since_ns) {
  return static_cast<long long>((steady_ns() - since_ns) / 1000000);
}

}  // namespace frameinterp
