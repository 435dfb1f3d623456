#include "host_environment.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "standin/standard_services.h"

namespace fitool {
namespace {

constexpr int32_t kGpuKind = 2;

// The lowest log level kept at each count of -v.
constexpr std::array<int32_t, kMostVerbose + 1> kThresholds = {4, 3, 1, 0};

// The beginnings of the module's per-request timing lines.
constexpr std::array<std::string_view, 2> kPerRequestLines = {
    "*******************FrameSourceImpl::GetFrame", "------------------FrameInterpolation"};

// The beginning of the line the motion mode logs for each answer it could not
// synthesise (the upstream frame instead).
constexpr std::string_view kFallbackLine = "motion interpolation cannot run";

int run_verbosity = 0;
int64_t fallbacks = 0;

}  // namespace

bool ShowsModuleLine(int verbosity, const standin::LogLine& line) {
  verbosity = std::clamp(verbosity, 0, kMostVerbose);
  if (line.level < kThresholds[static_cast<size_t>(verbosity)]) return false;
  if (verbosity == kMostVerbose) return true;
  return std::none_of(kPerRequestLines.begin(), kPerRequestLines.end(),
                      [&](std::string_view start) { return line.text.rfind(start, 0) == 0; });
}

HostEnvironment::HostEnvironment(int verbosity) {
  run_verbosity = std::clamp(verbosity, 0, kMostVerbose);
  fallbacks = 0;
  standin::SetLogThreshold(kThresholds[static_cast<size_t>(run_verbosity)]);
  standin::StartLogCapture();
  standin::RegisterStandardServices(kGpuKind);
}

HostEnvironment::~HostEnvironment() {
  standin::UnregisterStandardServices();
  ShowModuleLog();
  standin::StopLogCapture();
}

int64_t ModuleFallbacks() { return fallbacks; }

void ShowModuleLog() {
  for (const standin::LogLine& line : standin::TakeCapturedLog()) {
    // One answer after another may fall back: below -vvv only the first says so.
    const bool fallback = line.text.rfind(kFallbackLine, 0) == 0;
    if (fallback && ++fallbacks > 1 && run_verbosity < kMostVerbose) continue;
    if (ShowsModuleLine(run_verbosity, line)) {
      std::fprintf(stderr, "[%s:%d] %s\n", line.tag.c_str(), line.level, line.text.c_str());
    }
  }
}

}  // namespace fitool
