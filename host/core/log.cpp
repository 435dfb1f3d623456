#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "host/core.h"
#include "standin/log_control.h"

namespace {

struct LogState {
  std::mutex mutex;
  int32_t threshold = 0;
  bool capturing = false;
  std::vector<standin::LogLine> captured;
};

LogState& state() {
  static LogState s;
  return s;
}

}  // namespace

extern "C" void CoreLogPrint(const char* tag, int32_t level, const char* format, ...) {
  LogState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (level < s.threshold) return;

  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);

  if (s.capturing) {
    s.captured.push_back({tag ? tag : "", level, std::move(text)});
  } else {
    std::fprintf(stderr, "[%s:%d] %s\n", tag ? tag : "", level, text.c_str());
  }
}

namespace standin {

void SetLogThreshold(int32_t level) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().threshold = level;
}

int32_t LogThreshold() {
  std::lock_guard<std::mutex> lock(state().mutex);
  return state().threshold;
}

void StartLogCapture() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().capturing = true;
  state().captured.clear();
}

std::vector<LogLine> StopLogCapture() {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().capturing = false;
  return std::move(state().captured);
}

std::vector<LogLine> TakeCapturedLog() {
  std::lock_guard<std::mutex> lock(state().mutex);
  std::vector<LogLine> lines;
  lines.swap(state().captured);
  return lines;
}

std::vector<LogLine> CapturedLog() {
  std::lock_guard<std::mutex> lock(state().mutex);
  return state().captured;
}

}  // namespace standin
