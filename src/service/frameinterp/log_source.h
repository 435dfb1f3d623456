// Tags and the source location that the module's log messages carry.
#pragma once

namespace frameinterp {

inline constexpr char kLogTag[] = "frameinterp";
// Messages with a source location print this path and a line number ("%s(%d)").
inline constexpr char kLogSourcePath[] = "src/service/frameinterp/frameinterpimpl";

// Log levels in use.
enum LogLevel : int {
  kLogTrace = 0,   // per-blend trace
  kLogTiming = 1,  // timing of pipeline stages
  kLogLimit = 3,   // limits reached, guards
  kLogError = 4,   // failures and per-request timing
};

}  // namespace frameinterp
