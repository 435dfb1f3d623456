#include "host_environment.h"

#include <algorithm>
#include <array>

#include "standin/log_control.h"
#include "standin/standard_services.h"

namespace fitool {
namespace {

constexpr int32_t kGpuKind = 2;

}  // namespace

int32_t LogThresholdFor(int verbosity) {
  constexpr std::array<int32_t, 5> kThresholds = {5, 4, 3, 1, 0};
  return kThresholds[static_cast<size_t>(std::clamp(verbosity, 0, 4))];
}

HostEnvironment::HostEnvironment(int verbosity) {
  standin::SetLogThreshold(LogThresholdFor(verbosity));
  standin::RegisterStandardServices(kGpuKind);
}

HostEnvironment::~HostEnvironment() { standin::UnregisterStandardServices(); }

}  // namespace fitool
