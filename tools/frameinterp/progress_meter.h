// The progress bar on stderr (frames done, frames per second, time left),
// shown only on a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace fitool {

class ProgressMeter {
public:
  ProgressMeter(int64_t total, bool visible);
  ~ProgressMeter() { Finish(); }
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;
  // Redraws the bar at most ten times a second, and at the last frame.
  void Update(int64_t done);
  // Clears the bar.
  void Finish();

private:
  using Clock = std::chrono::steady_clock;

  int64_t total_;
  bool visible_;
  bool drawn_ = false;
  Clock::time_point start_;
  Clock::time_point last_draw_;
};

}  // namespace fitool
