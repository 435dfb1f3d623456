#include "blending_support.h"

namespace blendtest {

TightPicture::TightPicture(uint32_t format, uint32_t width, uint32_t height,
                           std::vector<standin::PlaneGeometry> planes)
    : desc_(format), geometry_(std::move(planes)) {
  desc_.SetSize(width, height);
  for (const standin::PlaneGeometry& plane : geometry_) {
    planes_.emplace_back(static_cast<size_t>(plane.row_bytes) * plane.rows);
  }
}

int32_t TightPicture::Lock(uint8_t* planes[kMaxPlanes], int32_t strides[kMaxPlanes], uint32_t,
                           int32_t) {
  for (size_t p = 0; p < planes_.size(); ++p) {
    planes[p] = planes_[p].data();
    strides[p] = static_cast<int32_t>(geometry_[p].row_bytes);
  }
  return 0;
}

namespace {

int64_t g_clock_step = 0;
int64_t g_clock_readings = 0;

int64_t SteppingNow() {
  ++g_clock_readings;
  return g_clock_readings * g_clock_step;
}

}  // namespace

SteppingClock::SteppingClock(int64_t step_ns) {
  g_clock_step = step_ns;
  g_clock_readings = 0;
  frameinterp::SetSteadyClockForTesting(&SteppingNow);
}

SteppingClock::~SteppingClock() { frameinterp::SetSteadyClockForTesting(nullptr); }

int64_t SteppingClock::readings() { return g_clock_readings; }

void ServicesFixture::SetUp() {
  standin::ResetMedia();
  standin::UnregisterAllServices();
  standin::SetServiceManagerAvailable(true);
  standin::ResetStandardServices();
  standin::RegisterStandardServices();
  frameinterp::BlendingTimingSwitch() = 0;
  frameinterp::BlendingDumpSwitch() = 0;
  capture_ = std::make_unique<standin::LogCapture>();
}

void ServicesFixture::TearDown() {
  capture_.reset();
  standin::UnregisterAllServices();
  standin::SetServiceManagerAvailable(true);
  EXPECT_EQ(standin::StandardServicesCounters().sessions_alive, 0) << "service sessions leaked";
  EXPECT_EQ(standin::StandardServicesCounters().unknown_sessions_destroyed, 0)
      << "DestroySession was given a session its service did not create";
  standin::ResetStandardServices();
  standin::ResetMedia();
  frameinterp::BlendingTimingSwitch() = 0;
  frameinterp::BlendingDumpSwitch() = 0;
}

}  // namespace blendtest
