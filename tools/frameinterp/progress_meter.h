// Progress of a run on stderr: on a terminal a bar redrawn in place, in a
// log (--progress with stderr not a terminal) one line every few seconds.
// Both show the frames done, frames per second and, when the number of
// frames is known, the time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace fitool {

class ProgressMeter {
public:
  enum class Display { kNone, kBar, kLines };
  // Seconds between two lines of the kLines display.
  static constexpr double kLineInterval = 5.0;

  ProgressMeter(std::optional<int64_t> total, Display display, std::FILE* out = stderr);
  ~ProgressMeter() { Finish(); }
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // Shows `done` frames now.
  void Update(int64_t done);
  // Shows `done` frames `seconds` after the start: the bar at most ten times
  // a second and at the last frame, a line every kLineInterval seconds.
  void UpdateAt(int64_t done, double seconds);
  // Clears the bar.
  void Finish();

private:
  std::optional<int64_t> total_;
  Display display_;
  std::FILE* out_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  double last_shown_ = 0;
};

}  // namespace fitool
