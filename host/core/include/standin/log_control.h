// Controls of the stand-in core library's log, for the embedding program and
// tests: a level threshold and an in-memory capture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/api.h"

namespace standin {

struct LogLine {
  std::string tag;
  int32_t level;
  std::string text;
};

// Lines below the threshold are dropped (default 0: everything is written).
HOST_CORE_API void SetLogThreshold(int32_t level);
HOST_CORE_API int32_t LogThreshold();

// While capturing, lines at or above the threshold go to memory instead of stderr.
HOST_CORE_API void StartLogCapture();
HOST_CORE_API std::vector<LogLine> StopLogCapture();
HOST_CORE_API std::vector<LogLine> CapturedLog();
// The lines captured so far, taken out of the capture, which goes on: no line
// another thread logs meanwhile escapes it.
HOST_CORE_API std::vector<LogLine> TakeCapturedLog();

// Captures the log for the lifetime of the object.
class LogCapture {
public:
  LogCapture() { StartLogCapture(); }
  ~LogCapture() { StopLogCapture(); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::vector<LogLine> lines() const { return CapturedLog(); }
};

}  // namespace standin
